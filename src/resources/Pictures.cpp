#include "resources/Pictures.h"

#include "resources/PictureIconEngine.h"

#include <QPainter>
#include <QSvgRenderer>

#include <array>
#include <cmath>

// The pictures are compiled into the static core library, where Qt cannot register them by
// itself: nothing would pull their object file into the program. Registering them on first
// use links them in and makes ":/pictures/" readable. This must stay outside any namespace,
// since the macro declares the registration function where it is used.
static void registerPictures()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(pictures);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace {

// In tree-image index order.
constexpr std::array<const char16_t*, FixedTreeImageCount> treeImageFiles{
    u"shortcut-overlay.svg", u"folder-closed.svg", u"folder-open.svg",    u"card-closed.svg",  u"windows-closed.svg",
    u"card-open.svg",        u"windows-open.svg",  u"storage-closed.svg", u"storage-open.svg",
};

constexpr std::array<const char16_t*, 6> otherFiles{
    u"selection-band.svg", u"status-bar.svg",      u"status-bar-icon.svg",
    u"indicator-set.svg",  u"indicator-clear.svg", u"file.svg",
};

QString picturePath(const char16_t* fileName)
{
    registerPictures();
    return QStringLiteral(":/pictures/") + QString::fromUtf16(fileName);
}

// Renders the whole picture stretched over `size` logical pixels. The band backgrounds rely on
// the stretch; the square pictures are asked for at square sizes.
QPixmap render(const QString& path, QSize size, qreal dpr)
{
    if (path.isEmpty() || size.isEmpty() || !std::isfinite(dpr) || dpr <= 0)
        return {};
    QSvgRenderer renderer(path);
    if (!renderer.isValid())
        return {};
    QPixmap pixmap(QSize(qRound(size.width() * dpr), qRound(size.height() * dpr)));
    if (pixmap.isNull())
        return {};
    pixmap.setDevicePixelRatio(dpr);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return pixmap;
}

}  // namespace

QString Pictures::treeImagePath(int index)
{
    if (index < 0 || index >= FixedTreeImageCount)
        return {};
    return picturePath(treeImageFiles[static_cast<std::size_t>(index)]);
}

QStringList Pictures::allPicturePaths()
{
    QStringList paths;
    for (int index = 0; index < FixedTreeImageCount; ++index)
        paths.append(treeImagePath(index));
    for (const char16_t* fileName : otherFiles)
        paths.append(picturePath(fileName));
    return paths;
}

QPixmap Pictures::treeImage(int index, int sizePx, qreal dpr)
{
    return render(treeImagePath(index), QSize(sizePx, sizePx), dpr);
}

QIcon Pictures::treeIcon(int index)
{
    const QString path = treeImagePath(index);
    if (path.isEmpty())
        return {};
    return QIcon(new PictureIconEngine(path));
}

QPixmap Pictures::selectionBandBackground(QSize size, qreal dpr)
{
    return render(picturePath(u"selection-band.svg"), size, dpr);
}

QPixmap Pictures::statusBarBackground(QSize size, qreal dpr)
{
    return render(picturePath(u"status-bar.svg"), size, dpr);
}

QPixmap Pictures::statusBarIcon(int sizePx, qreal dpr)
{
    return render(picturePath(u"status-bar-icon.svg"), QSize(sizePx, sizePx), dpr);
}

QPixmap Pictures::indicator(bool set, QSize size, qreal dpr)
{
    return render(picturePath(set ? u"indicator-set.svg" : u"indicator-clear.svg"), size, dpr);
}

QPixmap Pictures::file(int sizePx, qreal dpr) { return render(picturePath(u"file.svg"), QSize(sizePx, sizePx), dpr); }

QPixmap Pictures::withShortcutOverlay(const QPixmap& base)
{
    if (base.isNull())
        return {};
    QSvgRenderer renderer(treeImagePath(static_cast<int>(TreeImage::ShortcutOverlay)));
    if (!renderer.isValid())
        return {};
    QPixmap result = base.copy();
    QPainter painter(&result);
    painter.setRenderHint(QPainter::Antialiasing);
    // Drawn as vectors onto the result, in logical pixels, so the arrow is as sharp as the
    // picture beneath it at any device pixel ratio.
    renderer.render(&painter, QRectF(QPointF(0, 0), base.deviceIndependentSize()));
    return result;
}
