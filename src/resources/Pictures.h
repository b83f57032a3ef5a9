#pragma once

#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QStringList>

// The tree's fixed images, by the index each has always had in the tree image list. Indices
// from FixedTreeImageCount on belong to the system icons that the list mirrors.
enum class TreeImage : int {
    ShortcutOverlay = 0,
    FolderClosed = 1,
    FolderOpen = 2,
    CardClosed = 3,
    WindowsClosed = 4,
    CardOpen = 5,
    WindowsOpen = 6,
    StorageClosed = 7,
    StorageOpen = 8,
};

constexpr int FixedTreeImageCount = 9;

// The program's own pictures, drawn as SVG and rendered at whatever size the screen asks, so
// they are sharp at any scale. Sizes are logical pixels; a device pixel ratio above 1 gives a
// pixmap with that many more device pixels and the ratio set on it. A picture that cannot be
// served (an index outside the fixed images, an empty size) comes back as a null pixmap.
class Pictures {
public:
    // Fixed tree image `index` (see TreeImage), sizePx square.
    [[nodiscard]] static QPixmap treeImage(int index, int sizePx, qreal dpr = 1.0);
    // The same picture as an icon that is drawn afresh at every size it is asked for; a null
    // icon for an index outside the fixed images.
    [[nodiscard]] static QIcon treeIcon(int index);

    // Band backgrounds stretch to any size: their gradients run along the width.
    [[nodiscard]] static QPixmap selectionBandBackground(QSize size, qreal dpr = 1.0);
    [[nodiscard]] static QPixmap statusBarBackground(QSize size, qreal dpr = 1.0);
    [[nodiscard]] static QPixmap statusBarIcon(int sizePx, qreal dpr = 1.0);
    // The status bar's attribute indicator, lit when the attribute is set.
    [[nodiscard]] static QPixmap indicator(bool set, QSize size, qreal dpr = 1.0);
    // A file, sizePx square: what the selection band puts before its count of files, as the
    // closed folder goes before the count of folders.
    [[nodiscard]] static QPixmap file(int sizePx, qreal dpr = 1.0);

    // `base` with the shortcut arrow drawn over its bottom-left corner, at base's own size and
    // device pixel ratio. A null base gives a null pixmap.
    [[nodiscard]] static QPixmap withShortcutOverlay(const QPixmap& base);

    // The resource path of fixed tree image `index`, or an empty string outside 0..8.
    [[nodiscard]] static QString treeImagePath(int index);
    // Every picture the program carries, tree images first in index order.
    [[nodiscard]] static QStringList allPicturePaths();
};
