#pragma once

#include <QByteArray>
#include <QString>

// The phone's shortcut files (".lnk"): the text "N#TARGET", where N is the length of TARGET in
// characters and TARGET is the quoted path of the item, optionally followed by arguments.
namespace ShortcutFile {

QByteArray encode(const QString& target);
// The target of a shortcut file's bytes; false when they are not one (a count that does not
// match, no "#", a count out of range).
[[nodiscard]] bool decode(const QByteArray& bytes, QString& target);

}  // namespace ShortcutFile
