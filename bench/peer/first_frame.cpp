// The least a Qt Widgets program does to put a window on the screen: one label shown, ended
// once its first frame has been painted. The peer that a start of Fennick is timed against,
// as a whole process, on the same platform plugin.
#include <QApplication>
#include <QLabel>
#include <QTimer>

namespace {

// Quits from the next turn of the loop after the label's first paint, so that the frame is
// flushed to the screen as Fennick's is before the script's first step.
class FirstFrameLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent* event) override
    {
        QLabel::paintEvent(event);
        if (!m_painted) {
            m_painted = true;
            QTimer::singleShot(0, qApp, &QCoreApplication::quit);
        }
    }

private:
    bool m_painted = false;
};

}  // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    FirstFrameLabel label(QStringLiteral("Fennick"));
    label.resize(240, 320);
    label.show();
    return QApplication::exec();
}
