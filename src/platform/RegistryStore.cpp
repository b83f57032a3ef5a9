#include "platform/RegistryStore.h"

#include "platform/RegText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cstring>
#include <limits>
#include <vector>

namespace platform {

namespace {

constexpr int SchemaVersion = 1;
// Marks a database as a Fennick settings store ("FNKR"), so that another program's database
// that happens to carry the same user_version is still recognised as not ours.
constexpr int ApplicationId = 0x464E4B52;
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

// What SQLite says went wrong, with the system's reason when there is one (a permission, a
// missing folder).
QString sqliteError(sqlite3* db)
{
    QString text = QString::fromUtf8(sqlite3_errmsg(db));
    if (const int code = sqlite3_system_errno(db); code != 0)
        text += QStringLiteral(" (%1)").arg(QString::fromLocal8Bit(std::strerror(code)));
    return text;
}

// One prepared statement, finalized when it goes out of scope. Names are bound and read as
// UTF-16 in a UTF-16 database, so that every QString, even one holding half of a surrogate
// pair, is stored exactly as given.
class Statement {
public:
    Statement(sqlite3* db, const char* sql)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK) {
            sqlite3_finalize(m_statement);
            m_statement = nullptr;
        }
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
        // Never a null pointer, which SQLite would store as NULL.
        static const char16_t empty[] = u"";
        const void* characters = text.isEmpty() ? static_cast<const void*>(empty)
                                                : static_cast<const void*>(text.constData());
        sqlite3_bind_text16(m_statement, index, characters, static_cast<int>(text.size() * 2), SQLITE_TRANSIENT);
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
        const void* data = sqlite3_column_text16(m_statement, column);
        return QString(static_cast<const QChar*>(data), sqlite3_column_bytes16(m_statement, column) / 2);
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

// A single-number query such as a PRAGMA; false when it cannot be read.
bool queryInteger(sqlite3* db, const char* sql, qint64& out)
{
    Statement query(db, sql);
    if (query.step() != SQLITE_ROW)
        return false;
    out = query.integer(0);
    return true;
}

// A write transaction that commits when asked and rolls back otherwise. Inside an enclosing
// transaction it does nothing, so the outer one decides. It starts IMMEDIATE: taking the
// write lock up front lets the busy timeout wait for another process, where upgrading a read
// transaction later would fail at once.
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
        if (!m_owner)
            return true;
        if (exec(m_db, "COMMIT"))
            return true;
        exec(m_db, "ROLLBACK");
        return false;
    }

private:
    sqlite3* m_db;
    bool m_owner;
    bool m_ok = false;
    bool m_done = false;
};

// Key ids are never reused (AUTOINCREMENT): an id kept after its key was deleted must not
// come to mean a key created later.
const char* const Schema = "CREATE TABLE keys("
                           "  id INTEGER PRIMARY KEY AUTOINCREMENT,"
                           "  parent INTEGER REFERENCES keys(id) ON DELETE CASCADE,"
                           "  name TEXT NOT NULL,"
                           "  folded TEXT NOT NULL,"
                           "  UNIQUE(parent, folded));"
                           "CREATE TABLE reg_values("
                           "  id INTEGER PRIMARY KEY,"
                           "  key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,"
                           "  name TEXT NOT NULL,"
                           "  folded TEXT NOT NULL,"
                           "  type INTEGER NOT NULL,"
                           "  data BLOB NOT NULL,"
                           "  UNIQUE(key, folded));"
                           "INSERT INTO keys(id, parent, name, folded) VALUES"
                           "  (1, NULL, 'HKEY_CURRENT_USER', 'hkey_current_user'),"
                           "  (2, NULL, 'HKEY_CLASSES_ROOT', 'hkey_classes_root'),"
                           "  (3, NULL, 'HKEY_LOCAL_MACHINE', 'hkey_local_machine');";

enum class Content { Empty, Store, NewerStore, Foreign, Unreadable };

struct Inspection {
    Content content = Content::Unreadable;
    qint64 version = 0;
    QString detail;
    int errorCode = SQLITE_OK;
};

// Tells what a database holds by reading only.
Inspection inspect(sqlite3* db)
{
    Inspection found;
    qint64 objects = 0;
    qint64 applicationId = 0;
    if (!queryInteger(db, "SELECT count(*) FROM sqlite_master", objects)
        || !queryInteger(db, "PRAGMA user_version", found.version)
        || !queryInteger(db, "PRAGMA application_id", applicationId)) {
        found.detail = sqliteError(db);
        found.errorCode = sqlite3_extended_errcode(db);
        return found;
    }
    if (objects == 0 && found.version == 0 && applicationId == 0)
        found.content = Content::Empty;
    else if (applicationId != ApplicationId)
        found.content = Content::Foreign;
    else if (found.version > SchemaVersion)
        found.content = Content::NewerStore;
    else if (found.version < 1)
        found.content = Content::Unreadable;
    else
        found.content = Content::Store;
    return found;
}

QString refusal(const QString& file, const Inspection& found)
{
    switch (found.content) {
    case Content::Foreign: return QStringLiteral("%1 is a database of another program, not a settings store").arg(file);
    case Content::NewerStore:
        return QStringLiteral("%1 was written by a newer Fennick (store version %2)").arg(file).arg(found.version);
    case Content::Unreadable:
        return QStringLiteral("%1 is not a usable settings store: %2")
            .arg(file, found.detail.isEmpty() ? QStringLiteral("damaged") : found.detail);
    case Content::Empty:
    case Content::Store: break;
    }
    return QString();
}

// Looks at an existing file through a connection that cannot write, so that a file which
// turns out not to be a usable store is left exactly as it was. Returns the reason to
// refuse it, or a null string.
QString examineExisting(const QString& file, const QByteArray& encodedFile)
{
    // Even a reading connection creates the "-wal" and "-shm" files beside a database in WAL
    // mode, and cannot remove them again: a refused file would be left with two strangers
    // beside it. When neither they nor a rollback journal are there, no connection has the
    // database open and none has work to recover, so it is read as an immutable file, which
    // makes nothing. Otherwise they already exist and an ordinary reader is needed to see the
    // work they hold.
    const auto besideIt = [&encodedFile](const char* ending) {
        return QFileInfo::exists(QFile::decodeName(encodedFile + ending));
    };
    const bool untouched = !besideIt("-wal") && !besideIt("-shm") && !besideIt("-journal");
    const QByteArray name = untouched ? "file:" + encodedFile.toPercentEncoding("/") + "?immutable=1" : encodedFile;
    sqlite3* reader = nullptr;
    if (sqlite3_open_v2(name.constData(), &reader, SQLITE_OPEN_READONLY | (untouched ? SQLITE_OPEN_URI : 0), nullptr)
        != SQLITE_OK) {
        const QString why = QStringLiteral("cannot open %1: %2")
                                .arg(file, reader ? sqliteError(reader) : QStringLiteral("out of memory"));
        sqlite3_close_v2(reader);
        return why;
    }
    sqlite3_busy_timeout(reader, BusyTimeoutMs);
    QString why;
    const Inspection found = inspect(reader);
    if (found.content == Content::Unreadable
        && (found.errorCode == SQLITE_READONLY_ROLLBACK || found.errorCode == SQLITE_READONLY_RECOVERY)) {
        // A database left with a journal to roll back by a crashed writer: only a writing
        // connection can recover it, and it is looked at again under the write lock.
    } else if (found.content == Content::Store) {
        Statement check(reader, "PRAGMA quick_check");
        if (check.step() != SQLITE_ROW || check.text(0) != u"ok")
            why = QStringLiteral("%1 is a damaged settings store: %2")
                      .arg(file, check.valid() ? check.text(0) : sqliteError(reader));
    } else {
        why = refusal(file, found);
    }
    sqlite3_close_v2(reader);
    return why;
}

bool setUpSchema(sqlite3* db)
{
    // UTF-16 text holds any QString exactly; this only takes effect on an empty database.
    return exec(db, "PRAGMA encoding = 'UTF-16le'") && exec(db, Schema)
           && exec(db, QByteArray("PRAGMA application_id = " + QByteArray::number(ApplicationId)).constData())
           && exec(db, QByteArray("PRAGMA user_version = " + QByteArray::number(SchemaVersion)).constData());
}

}  // namespace

std::unique_ptr<RegistryStore> RegistryStore::open(const QString& file, QString* error, WhenMissing whenMissing)
{
    QString ignored;
    QString& why = error ? *error : ignored;
    if (file.isEmpty()) {
        why = QStringLiteral("no file given for the settings store");
        return nullptr;
    }
    const QFileInfo info(file);
    // An absolute path, so that no name is taken for one of SQLite's special ones (":memory:").
    const QByteArray encodedFile = QFile::encodeName(info.absoluteFilePath());
    const bool existed = info.exists();
    if (existed) {
        why = examineExisting(file, encodedFile);
        if (!why.isNull())
            return nullptr;
    } else if (whenMissing == WhenMissing::Refuse) {
        why = QStringLiteral("there is no settings store %1").arg(file);
        return nullptr;
    } else if (!QDir().mkpath(info.absolutePath())) {
        why = QStringLiteral("cannot create the folder %1 for the settings store %2").arg(info.absolutePath(), file);
        return nullptr;
    }

    sqlite3* db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (existed ? 0 : SQLITE_OPEN_CREATE) | SQLITE_OPEN_FULLMUTEX;
    if (sqlite3_open_v2(encodedFile.constData(), &db, flags, nullptr) != SQLITE_OK) {
        why = QStringLiteral("cannot open %1: %2").arg(file, db ? sqliteError(db) : QStringLiteral("out of memory"));
        sqlite3_close_v2(db);
        return nullptr;
    }
    const auto refuse = [&](const QString& reason) -> std::unique_ptr<RegistryStore> {
        why = reason;
        sqlite3_close_v2(db);
        return nullptr;
    };
    sqlite3_busy_timeout(db, BusyTimeoutMs);
    // SQLite falls back to reading only when the file cannot be written; settings that could
    // never be saved are better refused at once than lost at every exit.
    if (sqlite3_db_readonly(db, "main") == 1)
        return refuse(QStringLiteral("%1 cannot be written").arg(file));
    if (!exec(db, "PRAGMA foreign_keys = ON"))
        return refuse(QStringLiteral("cannot use %1: %2").arg(file, sqliteError(db)));
    {
        // Under the write lock, since another process may be setting up the same new file.
        Transaction setUp(db);
        if (!setUp.ok())
            return refuse(QStringLiteral("cannot lock %1: %2").arg(file, sqliteError(db)));
        const Inspection found = inspect(db);
        if (found.content == Content::Empty) {
            if (!setUpSchema(db) || !setUp.commit())
                return refuse(QStringLiteral("cannot set up the settings store %1: %2").arg(file, sqliteError(db)));
        } else if (found.content != Content::Store) {
            return refuse(refusal(file, found));
        }
    }
    // WAL lets readers and a writer of several processes work at once. Where the file system
    // cannot do WAL, SQLite keeps its rollback journal, which is slower but just as safe.
    {
        Statement wal(db, "PRAGMA journal_mode = WAL");
        if (wal.step() != SQLITE_ROW)
            return refuse(QStringLiteral("cannot use %1: %2").arg(file, sqliteError(db)));
    }
    return std::unique_ptr<RegistryStore>(new RegistryStore(db));
}

RegistryStore::RegistryStore(sqlite3* db) : m_db(db) {}

RegistryStore::~RegistryStore() { sqlite3_close_v2(m_db); }

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

// The result of one step against the database, where "not there" is not a failure of the
// database (an import may delete what is missing).
enum class Outcome { Done, Missing, Failed };

Outcome findChild(sqlite3* db, RegistryStore::KeyId parent, const QString& name, RegistryStore::KeyId& out)
{
    Statement find(db, "SELECT id FROM keys WHERE parent = ? AND folded = ?");
    find.bind(1, parent).bind(2, fold(name));
    switch (find.step()) {
    case SQLITE_ROW: out = find.integer(0); return Outcome::Done;
    case SQLITE_DONE: return Outcome::Missing;
    default: return Outcome::Failed;
    }
}

// Walks down from the hive, creating what is missing when `create` is set.
Outcome walkKey(sqlite3* db, Hive hive, const QString& path, bool create, RegistryStore::KeyId& out)
{
    RegistryStore::KeyId key = hiveId(hive);
    for (const QString& name : path.split(u'\\', Qt::SkipEmptyParts)) {
        RegistryStore::KeyId child = 0;
        const Outcome found = findChild(db, key, name, child);
        if (found == Outcome::Failed || (found == Outcome::Missing && !create))
            return found;
        if (found == Outcome::Missing) {
            Statement insert(db, "INSERT INTO keys(parent, name, folded) VALUES(?, ?, ?)");
            insert.bind(1, key).bind(2, name).bind(3, fold(name));
            if (!insert.run())
                return Outcome::Failed;
            child = sqlite3_last_insert_rowid(db);
        }
        key = child;
    }
    out = key;
    return Outcome::Done;
}

Outcome writeValueIn(sqlite3* db, RegistryStore::KeyId key, const QString& name, const RegValue& value)
{
    if (value.data.size() > std::numeric_limits<int>::max())
        return Outcome::Failed;
    // An update keeps the value's row, and so its place in the enumeration order. A key id
    // that is no longer a key fails on the foreign key.
    Statement write(db, "INSERT INTO reg_values(key, name, folded, type, data) VALUES(?, ?, ?, ?, ?) "
                        "ON CONFLICT(key, folded) DO UPDATE SET type = excluded.type, data = excluded.data");
    write.bind(1, key)
        .bind(2, name)
        .bind(3, fold(name))
        .bind(4, static_cast<qint64>(value.type))
        .bindBlob(5, value.data);
    return write.run() ? Outcome::Done : Outcome::Failed;
}

Outcome deleteValueIn(sqlite3* db, RegistryStore::KeyId key, const QString& name)
{
    Statement remove(db, "DELETE FROM reg_values WHERE key = ? AND folded = ?");
    remove.bind(1, key).bind(2, fold(name));
    if (!remove.run())
        return Outcome::Failed;
    return sqlite3_changes(db) > 0 ? Outcome::Done : Outcome::Missing;
}

Outcome deleteSubKeyIn(sqlite3* db, RegistryStore::KeyId key, const QString& name)
{
    RegistryStore::KeyId child = 0;
    if (name.isEmpty())
        return Outcome::Missing;
    if (const Outcome found = findChild(db, key, name, child); found != Outcome::Done)
        return found;
    // Deleting only the top key would cascade through the foreign keys one level of nesting
    // per level of keys, and SQLite stops such nesting at 1,000 levels: a deeper key could
    // never be deleted. So the subtree is gathered first and deleted from its deepest keys up
    // (a key's id is always greater than its parent's), each delete then cascading only to
    // the key's own values.
    std::vector<RegistryStore::KeyId> subtree;
    {
        Statement gather(db, "WITH RECURSIVE subtree(id) AS (SELECT ? UNION ALL "
                             "  SELECT keys.id FROM keys JOIN subtree ON keys.parent = subtree.id) "
                             "SELECT id FROM subtree ORDER BY id DESC");
        gather.bind(1, child);
        int step = SQLITE_ROW;
        while ((step = gather.step()) == SQLITE_ROW)
            subtree.push_back(gather.integer(0));
        if (step != SQLITE_DONE)
            return Outcome::Failed;
    }
    for (const RegistryStore::KeyId id : subtree) {
        Statement remove(db, "DELETE FROM keys WHERE id = ?");
        remove.bind(1, id);
        if (!remove.run())
            return Outcome::Failed;
    }
    return Outcome::Done;
}

bool nameAt(sqlite3* db, const char* sql, RegistryStore::KeyId key, int index, QString& out)
{
    if (index < 0)
        return false;
    Statement read(db, sql);
    read.bind(1, key).bind(2, static_cast<qint64>(index));
    if (read.step() != SQLITE_ROW)
        return false;
    out = read.text(0);
    return true;
}

}  // namespace

bool RegistryStore::openKey(Hive hive, const QString& path, bool create, KeyId& out)
{
    std::lock_guard lock(m_mutex);
    KeyId key = 0;
    // Most opens find the key: they only read, and leave the write lock to other processes.
    const Outcome found = walkKey(m_db, hive, path, false, key);
    if (found == Outcome::Failed || (found == Outcome::Missing && !create))
        return false;
    if (found == Outcome::Missing) {
        Transaction transaction(m_db);
        if (!transaction.ok() || walkKey(m_db, hive, path, true, key) != Outcome::Done || !transaction.commit())
            return false;
    }
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
    return transaction.ok() && writeValueIn(m_db, key, name, value) == Outcome::Done && transaction.commit();
}

bool RegistryStore::deleteValue(KeyId key, const QString& name)
{
    std::lock_guard lock(m_mutex);
    Transaction transaction(m_db);
    return transaction.ok() && deleteValueIn(m_db, key, name) == Outcome::Done && transaction.commit();
}

bool RegistryStore::deleteSubKey(KeyId key, const QString& subKeyName)
{
    std::lock_guard lock(m_mutex);
    Transaction transaction(m_db);
    return transaction.ok() && deleteSubKeyIn(m_db, key, subKeyName) == Outcome::Done && transaction.commit();
}

bool RegistryStore::valueNameAt(KeyId key, int index, QString& out)
{
    std::lock_guard lock(m_mutex);
    return nameAt(m_db, "SELECT name FROM reg_values WHERE key = ? ORDER BY id LIMIT 1 OFFSET ?", key, index, out);
}

bool RegistryStore::subKeyNameAt(KeyId key, int index, QString& out)
{
    std::lock_guard lock(m_mutex);
    return nameAt(m_db, "SELECT name FROM keys WHERE parent = ? ORDER BY id LIMIT 1 OFFSET ?", key, index, out);
}

bool RegistryStore::exportText(QString& text, QString* error)
{
    QList<RegText::Key> keys;
    {
        std::lock_guard lock(m_mutex);
        const auto failed = [&] {
            if (error)
                *error = QStringLiteral("cannot read the settings store: %1").arg(sqliteError(m_db));
            exec(m_db, "ROLLBACK");
            return false;
        };
        // One read transaction, so the text is one consistent picture of the store.
        if (!exec(m_db, "BEGIN"))
            return failed();
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
            int step = SQLITE_ROW;
            while ((step = values.step()) == SQLITE_ROW)
                entry.values.append(
                    {values.text(0), RegValue{static_cast<quint32>(values.integer(1)), values.blob(2)}});
            if (step != SQLITE_DONE)
                return failed();
            std::vector<Pending> children;
            Statement subKeys(m_db, "SELECT id, name FROM keys WHERE parent = ? ORDER BY id");
            subKeys.bind(1, key.id);
            while ((step = subKeys.step()) == SQLITE_ROW) {
                const QString name = subKeys.text(1);
                children.push_back({subKeys.integer(0), key.hive, key.path.isEmpty() ? name : key.path + u'\\' + name});
            }
            if (step != SQLITE_DONE)
                return failed();
            // A key is written when it has values, or when it has nothing beneath it (so that
            // an empty key comes back too); the hives themselves only when they hold values.
            if (!entry.values.isEmpty() || (children.empty() && !key.path.isEmpty()))
                keys.append(entry);
            for (auto child = children.rbegin(); child != children.rend(); ++child)
                stack.push_back(*child);
        }
        exec(m_db, "COMMIT");
    }
    return RegText::write(keys, text, error);
}

QString RegistryStore::exportText()
{
    QString text;
    if (!exportText(text, nullptr))
        return QString();
    return text;
}

bool RegistryStore::importText(const QString& text, QString* error)
{
    QString ignored;
    QString& why = error ? *error : ignored;
    // Everything is read before anything is applied, so a mistake in the last line leaves
    // the store as it was.
    const RegText::ParseResult parsed = RegText::parse(text);
    if (!parsed.ok) {
        why = parsed.error;
        return false;
    }
    std::lock_guard lock(m_mutex);
    const auto failed = [&] {
        why = QStringLiteral("cannot write the settings store: %1").arg(sqliteError(m_db));
        return false;
    };
    Transaction transaction(m_db);
    if (!transaction.ok())
        return failed();
    for (const RegText::Operation& operation : parsed.operations) {
        KeyId key = 0;
        Outcome outcome = Outcome::Done;
        switch (operation.kind) {
        case RegText::Operation::CreateKey:
            outcome = walkKey(m_db, operation.hive, operation.keyPath, true, key);
            break;
        case RegText::Operation::DeleteKey: {
            // Deleting a key or value that is not there is no error, as with regedit.
            const qsizetype slash = operation.keyPath.lastIndexOf(u'\\');
            const QString parentPath = slash < 0 ? QString() : operation.keyPath.left(slash);
            outcome = walkKey(m_db, operation.hive, parentPath, false, key);
            if (outcome == Outcome::Done)
                outcome = deleteSubKeyIn(m_db, key, operation.keyPath.mid(slash + 1));
            break;
        }
        case RegText::Operation::SetValue:
            outcome = walkKey(m_db, operation.hive, operation.keyPath, true, key);
            if (outcome == Outcome::Done)
                outcome = writeValueIn(m_db, key, operation.valueName, operation.value);
            break;
        case RegText::Operation::DeleteValue:
            outcome = walkKey(m_db, operation.hive, operation.keyPath, false, key);
            if (outcome == Outcome::Done)
                outcome = deleteValueIn(m_db, key, operation.valueName);
            break;
        }
        if (outcome == Outcome::Failed)
            return failed();
    }
    return transaction.commit() || failed();
}

}  // namespace platform
