#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>

// The program's own pictures, drawn as SVG so that they are sharp at any size: the nine fixed
// tree images, the backgrounds of the two bands, the status bar's icon and the attribute
// indicators.
namespace Pictures {

// The fixed tree images, by their index in the tree image list.
enum TreeImage : int {
    ShortcutOverlay = 0, FolderClosed = 1, FolderOpen = 2, CardClosed = 3, WindowsClosed = 4,
    CardOpen = 5, WindowsOpen = 6, StorageClosed = 7, StorageOpen = 8
};
inline constexpr int FixedTreeImageCount = 9;

// A fixed tree image as an icon that renders its SVG at whatever size is asked.
QIcon treeIcon(int index);
QPixmap treeImage(int index, int sizePx, qreal devicePixelRatio = 1.0);
// `base` with the shortcut arrow in its lower-left corner.
QPixmap withShortcutOverlay(const QPixmap& base);

QPixmap selectionBandBackground(QSize size);
QPixmap statusBarBackground(QSize size);
QPixmap statusBarIcon(int sizePx);
QPixmap indicator(bool set, QSize size);

}  // namespace Pictures
