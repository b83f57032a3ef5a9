#pragma once

#include <QIcon>
#include <QString>

// The icon a file type of HKEY_CLASSES_ROOT names in its DefaultIcon ("module,-number"), for
// the folder tree.
namespace TypeIcons {

// The icon of an extension (without its dot); a null icon when the type names none, or names
// one its module does not have. `key` gets the DefaultIcon text.
QIcon iconFor(const QString& extension, QString& key);

}  // namespace TypeIcons
