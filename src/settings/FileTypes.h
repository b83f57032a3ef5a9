#pragma once

#include <QList>
#include <QString>

// One file-type association of HKEY_CLASSES_ROOT: the extension key (".txt") names a class key
// ("txtFile") that holds the description, the open command, the icon and the flag that lets a
// browser accept downloads of the type.
struct FileType {
    QString extension;  // with its dot
    QString description;
    QString command;                               // "\"/usr/bin/editor\" %1"
    QString icon;                                  // module, ",-", resource number
    QString acceptDownload = QStringLiteral("0");  // "1" or "0"
    QString className;
};

// Reading and writing the associations. No widget.
namespace FileTypes {

// The EditFlags value that lets a browser accept downloads of the type.
inline constexpr quint32 AcceptDownloadFlag = 0x10000;

// ".exe", ".cab" and ".hme" (in any letter case) can be neither listed nor created.
bool isProtected(const QString& extension);

// Every association whose key name begins with "." and is not protected, in registry order.
// Reading creates nothing: a class without a description, command or icon stays as it is.
QList<FileType> list();

// The open command of the type an extension (with its dot) names; empty when none. Reading
// creates nothing, so opening files of unknown types leaves no empty keys behind.
QString openCommand(const QString& extension);

// The DefaultIcon text of the type an extension (with its dot) names; empty when none. Reading
// creates nothing.
QString defaultIcon(const QString& extension);

// The string-table number of the first thing wrong with what the properties page holds, in the
// order the user is told; 0 when it may be saved. `extension` gets its leading dot.
int check(bool hasIcon, QString& extension, const QString& command);

// Writes an association that passed check(): the extension key keeps its class or gets
// "<ext>File"; an empty description becomes "<EXT> File". Fills in those defaults in `type`.
// False when a write failed.
[[nodiscard]] bool save(FileType& type);

// Deletes an extension key with everything under it; false when it could not be deleted.
[[nodiscard]] bool removeExtension(const QString& extension);
// Deletes a class key with everything under it.
[[nodiscard]] bool removeClass(const QString& className);

// An icon string: the module and the resource number to show ("\"/bin/app\",-101" splits into
// "\"/bin/app\"" and "101"). Without a "," after the first character the whole string is the
// module and there is no number.
void splitIcon(const QString& icon, QString& module, QString& number);
QString iconString(const QString& module, const QString& number);

// The command that opens a type with a program: the program's path quoted, then %1.
QString commandFor(const QString& program);

}  // namespace FileTypes
