#include "resources/Pictures.h"

#include <QIconEngine>
#include <QPainter>
#include <QSvgRenderer>

static void initPictureResources() { Q_INIT_RESOURCE(pictures); }

namespace Pictures {

namespace {

QString treeFile(int index)
{
    static const char* const names[FixedTreeImageCount] = {
        "shortcut-overlay", "folder-closed", "folder-open", "card-closed", "windows-closed",
        "card-open", "windows-open", "storage-closed", "storage-open"};
    if (index < 0 || index >= FixedTreeImageCount)
        index = FolderClosed;
    return QStringLiteral(":/pictures/%1.svg").arg(QLatin1String(names[index]));
}

QPixmap render(const QString& file, QSize size, qreal ratio = 1.0)
{
    // Resources of a static library are registered by hand, once.
    static const bool registered = (initPictureResources(), true);
    (void)registered;
    QPixmap pixmap(size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QSvgRenderer renderer(file);
    QPainter painter(&pixmap);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

// Renders the SVG afresh at each size asked, so an icon is never scaled from a bitmap.
class SvgIconEngine : public QIconEngine {
public:
    explicit SvgIconEngine(QString file) : m_file(std::move(file)) {}
    void paint(QPainter* painter, const QRect& rect, QIcon::Mode, QIcon::State) override
    {
        QSvgRenderer renderer(m_file);
        renderer.render(painter, rect);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode, QIcon::State) override { return render(m_file, size); }
    QIconEngine* clone() const override { return new SvgIconEngine(m_file); }

private:
    QString m_file;
};

}  // namespace

QIcon treeIcon(int index) { return QIcon(new SvgIconEngine(treeFile(index))); }

QPixmap treeImage(int index, int sizePx, qreal devicePixelRatio)
{
    return render(treeFile(index), QSize(sizePx, sizePx), devicePixelRatio);
}

QPixmap withShortcutOverlay(const QPixmap& base)
{
    QPixmap result = base;
    const QSize logical = base.deviceIndependentSize().toSize();
    QPainter painter(&result);
    painter.drawPixmap(QPoint(0, 0), render(treeFile(ShortcutOverlay), logical, base.devicePixelRatio()));
    return result;
}

QPixmap selectionBandBackground(QSize size) { return render(QStringLiteral(":/pictures/selection-band.svg"), size); }
QPixmap statusBarBackground(QSize size) { return render(QStringLiteral(":/pictures/status-bar.svg"), size); }
QPixmap statusBarIcon(int sizePx) { return render(QStringLiteral(":/pictures/status-icon.svg"), QSize(sizePx, sizePx)); }

QPixmap indicator(bool set, QSize size)
{
    return render(set ? QStringLiteral(":/pictures/indicator-set.svg") : QStringLiteral(":/pictures/indicator-clear.svg"),
                  size);
}

}  // namespace Pictures
