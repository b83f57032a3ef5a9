#include "platform/RegistryStore.h"

#include "platform/RegText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <optional>

namespace platform {

namespace {

constexpr int SchemaVersion = 1;
constexpr int BusyTimeoutMs = 5000;

// Key ids of the three hives, fixed in every store.
RegistryStore::KeyId hiveId(Hive hive)
{
    switch (hive) {
    case Hive::CurrentUser: return 1;
    case Hive::ClassesRoot: return 2;
    case Hive::LocalMachine: return 3;
    }
    return 1;
}

QString fold(const QString& name) { return name.toCaseFolded(); }

// One prepared statement, finalized when it goes out of scope.
class Statement {
public:
    Statement(sqlite3* db, const char* sql)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK)
            m_statement = nullptr;
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool valid() const { return m_statement != nullptr; }
    Statement& bind(int index, qint64 value)
    {
        sqlite3_bind_int64(m_statement, index, value);
        return *this;
    }
    Statement& bind(int index, const QString& text)
    {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(m_statement, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& bindBlob(int index, const QByteArray& data)
    {
        // A zero-length blob, not NULL, for an empty value.
        sqlite3_bind_blob(m_statement, index, data.constData() ? data.constData() : "", static_cast<int>(data.size()),
                          SQLITE_TRANSIENT);
        return *this;
    }
    int step() { return m_statement ? sqlite3_step(m_statement) : SQLITE_ERROR; }
    bool run() { return step() == SQLITE_DONE; }
    qint64 integer(int column) { return sqlite3_column_int64(m_statement, column); }
    QString text(int column)
    {
        return QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column)),
                                 sqlite3_column_bytes(m_statement, column));
    }
    QByteArray blob(int column)
    {
        const void* data = sqlite3_column_blob(m_statement, column);
        return QByteArray(static_cast<const char*>(data), sqlite3_column_bytes(m_statement, column));
    }

private:
    sqlite3_stmt* m_statement = nullptr;
};

bool exec(sqlite3* db, const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; }

// A write transaction that commits when asked and rolls back otherwise. Inside an enclosing
// transaction it does nothing, so the outer one decides.
class Transaction {
public:
    explicit Transaction(sqlite3* db) : m_db(db), m_owner(sqlite3_get_autocommit(db) != 0)
    {
        m_ok = !m_owner || exec(db, "BEGIN IMMEDIATE");
    }
    ~Transaction()
    {
        if (m_owner && m_ok && !m_done)
            exec(m_db, "ROLLBACK");
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    bool ok() const { return m_ok; }
    bool commit()
    {
        m_done = true;
        return !m_owner || exec(m_db, "COMMIT") || (exec(m_db, "ROLLBACK"), false);
    }

private:
    sqlite3* m_db;
    bool m_owner;
    bool m_ok = false;
    bool m_done = false;
};

const char* const Schema =
    "CREATE TABLE IF NOT EXISTS keys("
    "  id INTEGER PRIMARY KEY,"
    "  parent INTEGER REFERENCES keys(id) ON DELETE CASCADE,"
    "  name TEXT NOT NULL,"
    "  folded TEXT NOT NULL,"
    "  UNIQUE(parent, folded));"
    "CREATE TABLE IF NOT EXISTS reg_values("
    "  id INTEGER PRIMARY KEY,"
    "  key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,"
    "  name TEXT NOT NULL,"
    "  folded TEXT NOT NULL,"
    "  type INTEGER NOT NULL,"
    "  data BLOB NOT NULL,"
    "  UNIQUE(key, folded));"
    "INSERT OR IGNORE INTO keys(id, parent, name, folded) VALUES"
    "  (1, NULL, 'HKEY_CURRENT_USER', 'hkey_current_user'),"
    "  (2, NULL, 'HKEY_CLASSES_ROOT', 'hkey_classes_root'),"
    "  (3, NULL, 'HKEY_LOCAL_MACHINE', 'hkey_local_machine');";

QString sqliteError(sqlite3* db) { return QString::fromUtf8(sqlite3_errmsg(db)); }

}  // namespace

std::unique_ptr<RegistryStore> RegistryStore::open(const QString& file, QString* error)
{
    const QFileInfo info(file);
    const bool existed = info.exists();
    if (!existed && !QDir().mkpath(info.absolutePath())) {
        *error = QStringLiteral("cannot create the folder %1").arg(info.absolutePath());
        return nullptr;
    }
    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (existed ? 0 : SQLITE_OPEN_CREATE) | SQLITE_OPEN_FULLMUTEX;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, flags, nullptr) != SQLITE_OK) {
        *error = db ? sqliteError(db) : QStringLiteral("cannot open it");
        sqlite3_close(db);
        return nullptr;
    }
    const auto refuse = [&](const QString& why) -> std::unique_ptr<RegistryStore> {
        *error = why;
        sqlite3_close(db);
        return nullptr;
    };
    sqlite3_busy_timeout(db, BusyTimeoutMs);

    // Look before writing anything: a file that is not our database stays as it is.
    int version = 0;
    int tables = 0;
    {
        Statement check(db, "SELECT count(*) FROM sqlite_master WHERE type = 'table'");
        if (!check.valid() || check.step() != SQLITE_ROW)
            return refuse(QStringLiteral("not a settings store: %1").arg(sqliteError(db)));
        tables = static_cast<int>(check.integer(0));
        Statement pragma(db, "PRAGMA user_version");
        if (!pragma.valid() || pragma.step() != SQLITE_ROW)
            return refuse(QStringLiteral("not a settings store: %1").arg(sqliteError(db)));
        version = static_cast<int>(pragma.integer(0));
    }
    if (version > SchemaVersion)
        return refuse(QStringLiteral("written by a newer Fennick (store version %1)").arg(version));
    // A store is set up in the transaction that creates the file's first page, so a file
    // with content but without our version is somebody else's, or a damaged one of ours.
    if (version == 0 && (tables > 0 || info.size() > 0))
        return refuse(QStringLiteral("a database of another program, or a damaged store"));
    {
        Statement integrity(db, "PRAGMA quick_check");
        if (!integrity.valid() || integrity.step() != SQLITE_ROW || integrity.text(0) != u"ok")
            return refuse(QStringLiteral("the store is damaged"));
    }

    if (!exec(db, "PRAGMA foreign_keys = ON"))
        return refuse(sqliteError(db));
    // WAL lets a reader and a writer of two processes work at once.
    {
        Statement wal(db, "PRAGMA journal_mode = WAL");
        if (!wal.valid() || wal.step() != SQLITE_ROW)
            return refuse(sqliteError(db));
    }
    if (version == 0) {
        Transaction create(db);
        if (!create.ok() || !exec(db, Schema)
            || !exec(db, QByteArray("PRAGMA user_version = " + QByteArray::number(SchemaVersion)).constData())
            || !create.commit())
            return refuse(QStringLiteral("cannot set the store up: %1").arg(sqliteError(db)));
    }
    return std::unique_ptr<RegistryStore>(new RegistryStore(db));
}

RegistryStore::RegistryStore(sqlite3* db) : m_db(db) {}

RegistryStore::~RegistryStore() { sqlite3_close(m_db); }

QString RegistryStore::hiveName(Hive hive)
{
    switch (hive) {
    case Hive::CurrentUser: return QStringLiteral("HKEY_CURRENT_USER");
    case Hive::ClassesRoot: return QStringLiteral("HKEY_CLASSES_ROOT");
    case Hive::LocalMachine: return QStringLiteral("HKEY_LOCAL_MACHINE");
    }
    return QString();
}

namespace {

bool findChild(sqlite3* db, RegistryStore::KeyId parent, const QString& name, RegistryStore::KeyId& out)
{
    Statement find(db, "SELECT id FROM keys WHERE parent = ? AND folded = ?");
    find.bind(1, parent).bind(2, fold(name));
    if (find.step() != SQLITE_ROW)
        return false;
    out = find.integer(0);
    return true;
}

}  // namespace

bool RegistryStore::openKey(Hive hive, const QString& path, bool create, KeyId& out)
{
    std::lock_guard lock(m_mutex);
    KeyId key = hiveId(hive);
    const QStringList names = path.split(u'\\', Qt::SkipEmptyParts);
    // Only a creating open writes, so only it takes the write lock.
    std::optional<Transaction> transaction;
    if (create) {
        transaction.emplace(m_db);
        if (!transaction->ok())
            return false;
    }
    for (const QString& name : names) {
        KeyId child = 0;
        if (!findChild(m_db, key, name, child)) {
            if (!create)
                return false;
            Statement insert(m_db, "INSERT INTO keys(parent, name, folded) VALUES(?, ?, ?)");
            insert.bind(1, key).bind(2, name).bind(3, fold(name));
            if (!insert.run())
                return false;
            child = sqlite3_last_insert_rowid(m_db);
        }
        key = child;
    }
    if (transaction && !transaction->commit())
        return false;
    out = key;
    return true;
}

bool RegistryStore::readValue(KeyId key, const QString& name, RegValue& out)
{
    std::lock_guard lock(m_mutex);
    Statement read(m_db, "SELECT type, data FROM reg_values WHERE key = ? AND folded = ?");
    read.bind(1, key).bind(2, fold(name));
    if (read.step() != SQLITE_ROW)
        return false;
    out.type = static_cast<quint32>(read.integer(0));
    out.data = read.blob(1);
    return true;
}

bool RegistryStore::writeValue(KeyId key, const QString& name, const RegValue& value)
{
    std::lock_guard lock(m_mutex);
    Transaction transaction(m_db);
    if (!transaction.ok())
        return false;
    // An update keeps the value's place in the enumeration order.
    Statement write(m_db,
                    "INSERT INTO reg_values(key, name, folded, type, data) VALUES(?, ?, ?, ?, ?) "
                    "ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, data = excluded.data");
    write.bind(1, key).bind(2, name).bind(3, fold(name)).bind(4, static_cast<qint64>(value.type)).bindBlob(5, value.data);
    return write.run() && transaction.commit();
}

bool RegistryStore::deleteValue(KeyId key, const QString& name)
{
    std::lock_guard lock(m_mutex);
    Transaction transaction(m_db);
    Statement remove(m_db, "DELETE FROM reg_values WHERE key = ? AND folded = ?");
    remove.bind(1, key).bind(2, fold(name));
    return transaction.ok() && remove.run() && sqlite3_changes(m_db) > 0 && transaction.commit();
}

bool RegistryStore::deleteSubKey(KeyId key, const QString& subKeyName)
{
    std::lock_guard lock(m_mutex);
    Transaction transaction(m_db);
    KeyId child = 0;
    if (!transaction.ok() || subKeyName.isEmpty() || !findChild(m_db, key, subKeyName, child))
        return false;
    // Sub-keys and values go with it through the foreign keys.
    Statement remove(m_db, "DELETE FROM keys WHERE id = ?");
    remove.bind(1, child);
    return remove.run() && transaction.commit();
}

bool RegistryStore::valueNameAt(KeyId key, int index, QString& out)
{
    std::lock_guard lock(m_mutex);
    Statement read(m_db, "SELECT name FROM reg_values WHERE key = ? ORDER BY id LIMIT 1 OFFSET ?");
    read.bind(1, key).bind(2, index);
    if (index < 0 || read.step() != SQLITE_ROW)
        return false;
    out = read.text(0);
    return true;
}

bool RegistryStore::subKeyNameAt(KeyId key, int index, QString& out)
{
    std::lock_guard lock(m_mutex);
    Statement read(m_db, "SELECT name FROM keys WHERE parent = ? ORDER BY id LIMIT 1 OFFSET ?");
    read.bind(1, key).bind(2, index);
    if (index < 0 || read.step() != SQLITE_ROW)
        return false;
    out = read.text(0);
    return true;
}

QString RegistryStore::exportText()
{
    std::lock_guard lock(m_mutex);
    // One read transaction, so the text is one consistent picture of the store.
    exec(m_db, "BEGIN");
    QList<RegText::Key> keys;
    struct Pending {
        KeyId id;
        Hive hive;
        QString path;
    };
    std::vector<Pending> stack;
    for (Hive hive : {Hive::LocalMachine, Hive::ClassesRoot, Hive::CurrentUser})
        stack.push_back({hiveId(hive), hive, QString()});
    while (!stack.empty()) {
        const Pending key = stack.back();
        stack.pop_back();
        RegText::Key entry{key.hive, key.path, {}};
        Statement values(m_db, "SELECT name, type, data FROM reg_values WHERE key = ? ORDER BY id");
        values.bind(1, key.id);
        while (values.step() == SQLITE_ROW)
            entry.values.append({values.text(0), RegValue{static_cast<quint32>(values.integer(1)), values.blob(2)}});
        std::vector<Pending> children;
        Statement subKeys(m_db, "SELECT id, name FROM keys WHERE parent = ? ORDER BY id");
        subKeys.bind(1, key.id);
        while (subKeys.step() == SQLITE_ROW) {
            const QString name = subKeys.text(1);
            children.push_back({subKeys.integer(0), key.hive, key.path.isEmpty() ? name : key.path + u'\\' + name});
        }
        // A key is written when it has values, or when it has nothing beneath it (so that an
        // empty key comes back too); the hives themselves only when they hold values.
        if (!entry.values.isEmpty() || (children.empty() && !key.path.isEmpty()))
            keys.append(entry);
        for (auto child = children.rbegin(); child != children.rend(); ++child)
            stack.push_back(*child);
    }
    exec(m_db, "COMMIT");
    return RegText::write(keys);
}

bool RegistryStore::importText(const QString& text, QString* error)
{
    const RegText::ParseResult parsed = RegText::parse(text);
    if (!parsed.ok) {
        *error = parsed.error;
        return false;
    }
    std::lock_guard lock(m_mutex);
    Transaction transaction(m_db);
    if (!transaction.ok()) {
        *error = sqliteError(m_db);
        return false;
    }
    for (const RegText::Operation& operation : parsed.operations) {
        bool ok = true;
        KeyId key = 0;
        switch (operation.kind) {
        case RegText::Operation::CreateKey:
            ok = openKey(operation.hive, operation.keyPath, true, key);
            break;
        case RegText::Operation::DeleteKey: {
            const qsizetype slash = operation.keyPath.lastIndexOf(u'\\');
            const QString parentPath = slash < 0 ? QString() : operation.keyPath.left(slash);
            // Deleting a key that is not there is no error, as with regedit.
            if (openKey(operation.hive, parentPath, false, key))
                (void)deleteSubKey(key, operation.keyPath.mid(slash + 1));
            break;
        }
        case RegText::Operation::SetValue:
            ok = openKey(operation.hive, operation.keyPath, true, key) && writeValue(key, operation.valueName, operation.value);
            break;
        case RegText::Operation::DeleteValue:
            if (openKey(operation.hive, operation.keyPath, false, key))
                (void)deleteValue(key, operation.valueName);
            break;
        }
        if (!ok) {
            *error = QStringLiteral("cannot write the store: %1").arg(sqliteError(m_db));
            return false;
        }
    }
    if (!transaction.commit()) {
        *error = QStringLiteral("cannot write the store: %1").arg(sqliteError(m_db));
        return false;
    }
    return true;
}

}  // namespace platform
