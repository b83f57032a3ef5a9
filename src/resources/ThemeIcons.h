#pragma once

#include <QIcon>
#include <QString>

// Icons of the freedesktop icon theme, as QIcon::fromTheme gives them, but with their PNG files
// read by the PNG reader alone. Qt reads a theme's PNG file with the format left to be guessed,
// and guessing asks every image-format plugin installed (loading each, with the libraries
// behind it), which costs a start more than the rest of its first frame.
namespace ThemeIcons {

// The icon of `name` in the current theme (its parents, the fallback theme and hicolor after
// it). An icon found only as PNG files is read by this engine, with the sizes picked and the
// pixmaps made as Qt's theme engine picks and makes them; any other icon (one with a
// scalable picture, one found under another name, or none at all) is Qt's own.
QIcon fromTheme(const QString& name);

// What QIcon::hasThemeIcon says: whether the theme (or a fallback search path) has an icon of
// exactly this name. Read from the same parse of the themes as fromTheme, which costs a
// fraction of Qt's reading of the same index files.
bool has(const QString& name);

}  // namespace ThemeIcons
