#include "archive/ZipProgressView.h"

#include "dialogs/Dumpable.h"
#include "jobs/JobContext.h"
#include "platform/PhonePath.h"
#include "resources/StringTable.h"

#include <QFormLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// A plainly painted bar (see the job page for why not the style's own).
class Bar : public QWidget, public Dumpable {
public:
    Bar() { setFixedHeight(12); }
    void setPart(double part)
    {
        const int permille = static_cast<int>(std::clamp(part, 0.0, 1.0) * 1000);
        if (permille != m_permille) {
            m_permille = permille;
            update();
        }
    }
    void dumpTo(DumpWriter& writer) const override { writer.line(QStringLiteral("[progress %1%]").arg(m_permille / 10)); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const QRect frame = rect().adjusted(0, 0, -1, -1);
        painter.setPen(palette().color(QPalette::Mid));
        painter.setBrush(palette().color(QPalette::Base));
        painter.drawRect(frame);
        const int done = (frame.width() - 1) * m_permille / 1000;
        if (done > 0)
            painter.fillRect(QRect(frame.left() + 1, frame.top() + 1, done, frame.height() - 1), palette().color(QPalette::Highlight));
    }

private:
    int m_permille = 0;
};

}  // namespace

ZipProgressView::ZipProgressView(const QString& archiveName)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    auto* form = new QFormLayout;
    auto* archive = new QLabel(archiveName);
    archive->setTextFormat(Qt::PlainText);
    m_files = new QLabel;
    m_remaining = new QLabel;
    m_current = new QLabel;
    m_current->setTextFormat(Qt::PlainText);
    m_size = new QLabel;
    form->addRow(QStringLiteral("Archive:"), archive);
    form->addRow(QStringLiteral("Files:"), m_files);
    form->addRow(QStringLiteral("Remaining:"), m_remaining);
    form->addRow(QStringLiteral("Current:"), m_current);
    layout->addLayout(form);
    m_bar = new Bar;
    layout->addWidget(m_bar);
    auto* size = new QFormLayout;
    size->addRow(QStringLiteral("Size:"), m_size);
    layout->addLayout(size);
    layout->addStretch(1);
}

QString ZipProgressView::sizeText(qint64 bytes)
{
    if (bytes <= 1024)
        return Str::argInt(Str::SizeBytes, bytes);
    if (bytes <= 1048576)
        return Str::argReal(Str::SizeKilobytes, double(bytes) / 1024.0);
    return Str::argReal(Str::SizeMegabytes, double(bytes) / 1048576.0);
}

void ZipProgressView::refresh(const JobContext& context)
{
    const qint64 total = context.itemsTotal.load();
    const qint64 done = context.itemsDone.load();
    m_files->setText(QString::number(total));
    m_remaining->setText(QString::number(std::max<qint64>(0, total - done)));
    m_current->setText(platform::PhonePath::splitLast(context.currentItem().replace(u'/', u'\\')).name);
    m_size->setText(sizeText(context.bytesDone.load()));
    const qint64 bytesTotal = context.bytesTotal.load();
    static_cast<Bar*>(m_bar)->setPart(bytesTotal > 0 ? double(context.bytesDone.load()) / double(bytesTotal)
                                      : total > 0  ? double(done) / double(total)
                                                   : 0.0);
}
