#pragma once

#include "platform/RegistryStore.h"

#include <QString>
#include <QStringView>

class RegKey;

// Every setting the program keeps in the registry, declared once with the key it lives in, its
// value name, its type and its default, as a .kcfg file declares a KDE program's settings.
// Features read and write a setting with read() and write(); a feature that keeps a list of
// its own under a sub-key takes the key from here, so the program's key is spelled only here.
namespace SettingsSchema {

// A key that holds settings: the program's own key, one of its sub-keys, or the key of another
// program whose values Fennick reads.
struct Key {
    platform::Hive hive;
    QStringView path;
    QStringView subKey;  // beneath `path`; empty for `path` itself

    QString fullPath() const;
};

// One value of a key. A bool is stored as a DWORD: 1 is true, any other number false. A
// QStringView setting is a string; its default is a literal, so the schema stays a constant.
template <typename T>
struct Setting {
    Key key;
    QStringView name;
    T defaultValue;
};

inline constexpr QStringView ProgramPath = u"Software\\Corvane\\Fennick";

inline constexpr Key Program{platform::Hive::CurrentUser, ProgramPath, {}};
inline constexpr Key Favorites{platform::Hive::CurrentUser, ProgramPath, u"Favorites"};
inline constexpr Key HiddenFolders{platform::Hive::CurrentUser, ProgramPath, u"Folders"};
inline constexpr Key ObexPeers{platform::Hive::CurrentUser, ProgramPath, u"ObexPeers"};
inline constexpr Key EmailAccounts{platform::Hive::CurrentUser, ProgramPath, u"Accounts"};
inline constexpr Key OpenWith{platform::Hive::CurrentUser, ProgramPath, u"OpenWith"};
inline constexpr Key Receive{platform::Hive::CurrentUser, ProgramPath, u"Receive"};
// The system's picture behind every question box, shared with the phone's other programs.
inline constexpr Key QuestionBox{platform::Hive::LocalMachine, u"Software\\Microsoft\\Shell\\Rai\\:QuestionBox", {}};
inline constexpr Key ActiveSync{platform::Hive::LocalMachine, u"Software\\Microsoft\\Inbox\\Svc\\ActiveSync", {}};

// 1 sorts by type; any other number sorts by name (see TreeOptions).
inline constexpr Setting<quint32> SortMode{Program, u"SortMode", 0};
inline constexpr Setting<bool> MarksInBold{Program, u"ShowBold", true};  // false: check boxes
inline constexpr Setting<bool> StatusHidden{Program, u"HideStatus", false};
inline constexpr Setting<bool> ShowHidden{Program, u"ShowHidden", false};
inline constexpr Setting<bool> CheckZipAssociation{Program, u"CheckZip", true};
// The command line of the message composer, split as a shell would split it.
inline constexpr Setting<QStringView> Composer{Program, u"Composer", u"xdg-email"};
// A numeric address to receive on; empty for every address.
inline constexpr Setting<QStringView> ReceiveAddress{Receive, u"Address", u""};
inline constexpr Setting<quint32> ReceivePort{Receive, u"Port", 6500};
inline constexpr Setting<QStringView> QuestionPicture{QuestionBox, u"BKBitmapFile", u""};
inline constexpr Setting<quint32> QuestionPictureTransparent{QuestionBox, u"BKBitmapTransparent", 0xFF00FF};
inline constexpr Setting<QStringView> ActiveSyncName{ActiveSync, u"FriendlyName", u""};

// A read that finds no value, or one that cannot be its type, writes the default back and
// gives it, so that after the first start every setting is visible in the registry. A number
// is read from up to four bytes of any type; a string is read up to its first NUL from bytes
// of any type.
quint32 read(const Setting<quint32>& setting);
bool read(const Setting<bool>& setting);
QString read(const Setting<QStringView>& setting);

[[nodiscard]] bool write(const Setting<quint32>& setting, quint32 value);
[[nodiscard]] bool write(const Setting<bool>& setting, bool value);
[[nodiscard]] bool write(const Setting<QStringView>& setting, const QString& value);

// The same through `key`, already open on the setting's key: several settings of one key are
// read or written with one open.
quint32 read(RegKey& key, const Setting<quint32>& setting);
bool read(RegKey& key, const Setting<bool>& setting);
QString read(RegKey& key, const Setting<QStringView>& setting);
[[nodiscard]] bool write(RegKey& key, const Setting<quint32>& setting, quint32 value);
[[nodiscard]] bool write(RegKey& key, const Setting<bool>& setting, bool value);
[[nodiscard]] bool write(RegKey& key, const Setting<QStringView>& setting, const QString& value);

}  // namespace SettingsSchema
