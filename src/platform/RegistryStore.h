#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>

struct sqlite3;

namespace platform {

enum class Hive { CurrentUser, ClassesRoot, LocalMachine };

// Value types with the phone's numbers.
namespace RegType {
inline constexpr quint32 String = 1;  // REG_SZ: UTF-16LE with its terminating NUL
inline constexpr quint32 Binary = 3;  // REG_BINARY: kept only so that any raw data round-trips
inline constexpr quint32 Dword = 4;   // REG_DWORD: 4 bytes, little-endian
}  // namespace RegType

struct RegValue {
    quint32 type = 0;
    QByteArray data;  // the raw bytes, exactly as long as the value is
};

// The three registry hives kept in one SQLite database. Keys and values are found without
// regard to case and enumerate in creation order. Every write is one transaction, and the
// database runs in WAL mode with a busy timeout so that two processes can use it at once.
// A key is addressed by an opaque id that stays valid until the key is deleted.
class RegistryStore {
public:
    using KeyId = qint64;

    enum class WhenMissing { Create, Refuse };

    // Opens the database at `file`, creating it with its folder when it is absent, unless
    // `whenMissing` says to refuse (a reader such as the export must not leave an empty store
    // and folders behind). On failure returns null and says why in `error`, naming the file; a
    // file that exists but cannot be used (not a database, damaged, unreadable, read-only,
    // another program's or a newer version's database) is never written, and nothing is made
    // beside it.
    static std::unique_ptr<RegistryStore> open(const QString& file, QString* error,
                                               WhenMissing whenMissing = WhenMissing::Create);
    ~RegistryStore();
    RegistryStore(const RegistryStore&) = delete;
    RegistryStore& operator=(const RegistryStore&) = delete;

    static QString hiveName(Hive hive);  // "HKEY_CURRENT_USER", ...

    // Opens the key at `path` ("Software\Corvane\Fennick"; "" is the hive itself), creating
    // it and its missing parents when `create` is set.
    [[nodiscard]] bool openKey(Hive hive, const QString& path, bool create, KeyId& out);

    [[nodiscard]] bool readValue(KeyId key, const QString& name, RegValue& out);
    [[nodiscard]] bool writeValue(KeyId key, const QString& name, const RegValue& value);
    [[nodiscard]] bool deleteValue(KeyId key, const QString& name);
    // Deletes a direct sub-key with everything beneath it.
    [[nodiscard]] bool deleteSubKey(KeyId key, const QString& subKeyName);

    // The name of the index-th value or sub-key, in creation order.
    [[nodiscard]] bool valueNameAt(KeyId key, int index, QString& out);
    [[nodiscard]] bool subKeyNameAt(KeyId key, int index, QString& out);

    // The whole store as ".reg" text (REGEDIT4), read in one consistent snapshot. Fails, and
    // says why, when the store cannot be read or holds a name that ".reg" text cannot carry.
    [[nodiscard]] bool exportText(QString& text, QString* error);
    // The same, or a null string when it fails.
    QString exportText();
    // Applies ".reg" text in one transaction. On a syntax error nothing changes, and `error`
    // holds "line N: what".
    [[nodiscard]] bool importText(const QString& text, QString* error);

private:
    explicit RegistryStore(sqlite3* db);
    sqlite3* m_db;
    std::recursive_mutex m_mutex;
};

}  // namespace platform
