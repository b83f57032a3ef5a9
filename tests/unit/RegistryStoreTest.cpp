#include "FileContent.h"
#include "OrdinaryUser.h"
#include "platform/RegText.h"
#include "platform/RegistryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sqlite3.h>


#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using platform::Hive;
using platform::RegistryStore;
using platform::RegValue;
namespace RegType = platform::RegType;

namespace {

QByteArray bytes(const char* data, qsizetype size) { return QByteArray(data, size); }

// Runs SQL straight on a database file, as another program would.
bool runSql(const QString& file, const char* sql, bool keepWal = false)
{
    sqlite3* db = nullptr;
    bool ok = sqlite3_open(QFile::encodeName(file).constData(), &db) == SQLITE_OK;
    if (ok && keepWal)
        ok = sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr) == SQLITE_OK;
    ok = ok && sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

QString integrityOf(const QString& file)
{
    sqlite3* db = nullptr;
    QString result;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* check = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &check, nullptr) == SQLITE_OK
            && sqlite3_step(check) == SQLITE_ROW)
            result = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(check, 0)));
        sqlite3_finalize(check);
    }
    sqlite3_close(db);
    return result;
}

class RegistryStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        // The folders of the file do not exist yet: opening makes them.
        m_file = m_folder.filePath(QStringLiteral("deep/sub/registry.db"));
        m_store = open(m_file);
        ASSERT_TRUE(m_store);
        ASSERT_TRUE(QFileInfo(m_file).isFile());
    }
    static std::unique_ptr<RegistryStore> open(const QString& file)
    {
        QString error;
        auto store = RegistryStore::open(file, &error);
        EXPECT_TRUE(store) << error.toStdString();
        return store;
    }
    RegistryStore::KeyId key(const char* path, RegistryStore* store = nullptr)
    {
        RegistryStore::KeyId id = 0;
        EXPECT_TRUE((store ? store : m_store.get())->openKey(Hive::CurrentUser, QString::fromUtf8(path), true, id)) << path;
        return id;
    }
    QStringList valueNames(RegistryStore::KeyId id, RegistryStore* store = nullptr)
    {
        QStringList names;
        QString name;
        for (int i = 0; (store ? store : m_store.get())->valueNameAt(id, i, name); ++i)
            names << name;
        return names;
    }
    QStringList subKeyNames(RegistryStore::KeyId id)
    {
        QStringList names;
        QString name;
        for (int i = 0; m_store->subKeyNameAt(id, i, name); ++i)
            names << name;
        return names;
    }

    QTemporaryDir m_folder;
    QString m_file;
    std::unique_ptr<RegistryStore> m_store;
};

TEST_F(RegistryStoreTest, KeysAndValuesIgnoreCaseAndKeepCreationOrder)
{
    const auto fennick = key("Software\\Corvane\\Fennick");
    RegistryStore::KeyId again = 0;
    ASSERT_TRUE(m_store->openKey(Hive::CurrentUser, QStringLiteral("SOFTWARE\\corvane\\FENNICK"), false, again));
    EXPECT_EQ(again, fennick);
    ASSERT_TRUE(m_store->openKey(Hive::CurrentUser, QStringLiteral("software\\CORVANE\\fennick"), true, again));
    EXPECT_EQ(again, fennick);
    RegistryStore::KeyId missing = 0;
    EXPECT_FALSE(m_store->openKey(Hive::CurrentUser, QStringLiteral("Software\\Nobody"), false, missing));
    EXPECT_FALSE(m_store->openKey(Hive::CurrentUser, QStringLiteral("Software\\Corvane\\Fennick\\Deeper"), false, missing));
    // The hives are apart: the same path under another hive is another key.
    EXPECT_FALSE(m_store->openKey(Hive::LocalMachine, QStringLiteral("Software\\Corvane"), false, missing));

    // Sub-keys enumerate in creation order, with the spelling they were created with.
    const auto corvane = key("Software\\Corvane");
    key("software\\corvane\\Zulu");
    key("Software\\Corvane\\\u00c4rger");
    key("Software\\Corvane\\\u00e4RGER\\Inner");  // the same key as "Ärger"
    key("Software\\Corvane\\alpha");
    EXPECT_EQ(subKeyNames(corvane), QStringList({QStringLiteral("Fennick"), QStringLiteral("Zulu"),
                                                 QStringLiteral("\u00c4rger"), QStringLiteral("alpha")}));

    ASSERT_TRUE(m_store->writeValue(fennick, QStringLiteral("Zeta"), {RegType::Dword, QByteArray(4, '\1')}));
    ASSERT_TRUE(m_store->writeValue(fennick, QStringLiteral("Alpha"), {RegType::String, bytes("a\0\0\0", 4)}));
    ASSERT_TRUE(m_store->writeValue(fennick, QStringLiteral("Mid"), {RegType::Binary, bytes("\1\2\3\4\5\6", 6)}));
    // Writing ZETA again updates Zeta in place: same spelling, same position.
    ASSERT_TRUE(m_store->writeValue(fennick, QStringLiteral("ZETA"), {RegType::Binary, bytes("\7", 1)}));
    EXPECT_EQ(valueNames(fennick), QStringList({QStringLiteral("Zeta"), QStringLiteral("Alpha"), QStringLiteral("Mid")}));

    RegValue value;
    ASSERT_TRUE(m_store->readValue(fennick, QStringLiteral("zeta"), value));
    EXPECT_EQ(value.type, RegType::Binary);
    EXPECT_EQ(value.data, bytes("\7", 1));

    ASSERT_TRUE(m_store->deleteValue(fennick, QStringLiteral("ALPHA")));
    EXPECT_FALSE(m_store->deleteValue(fennick, QStringLiteral("Alpha")));
    EXPECT_FALSE(m_store->readValue(fennick, QStringLiteral("Alpha"), value));
    // A value written after a delete goes to the end, even under an old name.
    ASSERT_TRUE(m_store->writeValue(fennick, QStringLiteral("alpha"), {RegType::Dword, QByteArray(4, '\0')}));
    EXPECT_EQ(valueNames(fennick), QStringList({QStringLiteral("Zeta"), QStringLiteral("Mid"), QStringLiteral("alpha")}));
    QString name;
    EXPECT_FALSE(m_store->valueNameAt(fennick, 3, name));
    EXPECT_FALSE(m_store->valueNameAt(fennick, -1, name));
}

TEST_F(RegistryStoreTest, KeepsNamesAndRawValuesExactly)
{
    const auto id = key("Software\\Raw");
    // Names are kept as the UTF-16 they are given, even half of a surrogate pair; two names
    // that differ only there are two values.
    const QString halfPairA = QStringLiteral("x") + QChar(0xD800);
    const QString halfPairB = QStringLiteral("x") + QChar(0xD801);
    const struct { QString name; RegValue value; } cases[] = {
        {QStringLiteral("SixBytes"), {RegType::Dword, bytes("\1\2\3\4\5\6", 6)}},
        {QStringLiteral("NoBytes"), {RegType::Dword, QByteArray()}},
        {QStringLiteral("OneByte"), {RegType::Binary, bytes("\0", 1)}},
        {QStringLiteral("OddString"), {RegType::String, bytes("a\0b", 3)}},
        {QStringLiteral("OtherType"), {0xFFFFFFFFu, bytes("\xff", 1)}},
        {QStringLiteral("Large"), {RegType::Binary, QByteArray(100000, '\x5a')}},
        {QString::fromUtf16(u"Nul\0Inside", 10), {RegType::String, bytes("n\0\0\0", 4)}},
        {halfPairA, {RegType::Binary, bytes("A", 1)}},
        {halfPairB, {RegType::Binary, bytes("B", 1)}},
    };
    for (const auto& row : cases)
        ASSERT_TRUE(m_store->writeValue(id, row.name, row.value)) << row.name.toStdString();
    QStringList expectedNames;
    for (const auto& row : cases) {
        RegValue value;
        ASSERT_TRUE(m_store->readValue(id, row.name, value)) << row.name.toStdString();
        EXPECT_EQ(value.type, row.value.type) << row.name.toStdString();
        EXPECT_EQ(value.data, row.value.data) << row.name.toStdString();
        EXPECT_EQ(value.data.size(), row.value.data.size()) << row.name.toStdString();
        expectedNames << row.name;
    }
    EXPECT_EQ(valueNames(id), expectedNames);

    // The same after the store is closed and opened again.
    m_store.reset();
    m_store = open(m_file);
    ASSERT_TRUE(m_store);
    RegValue value;
    ASSERT_TRUE(m_store->readValue(id, QStringLiteral("sixbytes"), value));
    EXPECT_EQ(value.data, bytes("\1\2\3\4\5\6", 6));
    EXPECT_EQ(valueNames(id), expectedNames);
}

TEST_F(RegistryStoreTest, DeletingAKeyTakesItsSubtreeAndLeavesStaleIdsHarmless)
{
    const auto top = key("Software\\Test");
    key("Software\\Test\\Other");
    // The newest keys, whose ids a careless store would hand out again.
    const auto a = key("Software\\Test\\A");
    const auto deep = key("Software\\Test\\A\\B\\C");
    ASSERT_TRUE(m_store->writeValue(a, QStringLiteral("v"), {RegType::Dword, QByteArray(4, '\0')}));
    ASSERT_TRUE(m_store->writeValue(deep, QStringLiteral("v"), {RegType::Dword, QByteArray(4, '\0')}));

    ASSERT_TRUE(m_store->deleteSubKey(top, QStringLiteral("a")));
    EXPECT_FALSE(m_store->deleteSubKey(top, QStringLiteral("a")));
    EXPECT_FALSE(m_store->deleteSubKey(top, QString()));
    EXPECT_EQ(subKeyNames(top), QStringList({QStringLiteral("Other")}));
    RegistryStore::KeyId gone = 0;
    EXPECT_FALSE(m_store->openKey(Hive::CurrentUser, QStringLiteral("Software\\Test\\A\\B"), false, gone));

    // New keys, one of them under the old name, never take the ids of deleted ones.
    const auto recreated = key("Software\\Test\\A");
    const auto fresh = key("Software\\Test\\Fresh\\B\\C");
    for (const auto staleId : {a, deep}) {
        EXPECT_NE(staleId, recreated);
        EXPECT_NE(staleId, fresh);
        RegValue value;
        QString name;
        EXPECT_FALSE(m_store->readValue(staleId, QStringLiteral("v"), value));
        EXPECT_FALSE(m_store->writeValue(staleId, QStringLiteral("v"), {RegType::Dword, QByteArray(4, '\0')}));
        EXPECT_FALSE(m_store->deleteValue(staleId, QStringLiteral("v")));
        EXPECT_FALSE(m_store->valueNameAt(staleId, 0, name));
        EXPECT_FALSE(m_store->subKeyNameAt(staleId, 0, name));
        EXPECT_FALSE(m_store->deleteSubKey(staleId, QStringLiteral("B")));
    }
    EXPECT_TRUE(valueNames(recreated).isEmpty());
    EXPECT_TRUE(subKeyNames(recreated).isEmpty());
    // The hives themselves stay.
    RegistryStore::KeyId hive = 0;
    EXPECT_TRUE(m_store->openKey(Hive::CurrentUser, QString(), false, hive));
    EXPECT_FALSE(m_store->deleteSubKey(hive, QStringLiteral("HKEY_CURRENT_USER")));
}

TEST_F(RegistryStoreTest, AKeyOverAThousandLevelsDeepIsDeletedWithItsSubtree)
{
    // Deep enough that a delete cascading one level at a time would run out of nesting.
    QStringList levels(1100, QStringLiteral("level"));
    const QString deepPath = QStringLiteral("Software\\Deep\\") + levels.join(u'\\');
    RegistryStore::KeyId deepest = 0;
    ASSERT_TRUE(m_store->openKey(Hive::CurrentUser, deepPath, true, deepest));
    ASSERT_TRUE(m_store->writeValue(deepest, QStringLiteral("v"), {RegType::Dword, QByteArray(4, '\1')}));
    const auto software = key("Software");
    key("Software\\Kept");

    EXPECT_TRUE(m_store->deleteSubKey(software, QStringLiteral("Deep")));
    RegistryStore::KeyId gone = 0;
    EXPECT_FALSE(m_store->openKey(Hive::CurrentUser, QStringLiteral("Software\\Deep\\level"), false, gone));
    RegValue value;
    EXPECT_FALSE(m_store->readValue(deepest, QStringLiteral("v"), value));
    EXPECT_EQ(subKeyNames(software), QStringList({QStringLiteral("Kept")}));

    // The same through a ".reg" import that deletes the key.
    ASSERT_TRUE(m_store->openKey(Hive::CurrentUser, deepPath, true, deepest));
    QString error;
    EXPECT_TRUE(m_store->importText(QStringLiteral("REGEDIT4\n[-HKEY_CURRENT_USER\\Software\\Deep]\n"), &error))
        << error.toStdString();
    EXPECT_FALSE(m_store->openKey(Hive::CurrentUser, QStringLiteral("Software\\Deep"), false, gone));
    EXPECT_EQ(integrityOf(m_file), QStringLiteral("ok"));
}

TEST_F(RegistryStoreTest, TwoProcessesWriteAtOnce)
{
    // Both processes start on a file that does not exist yet, so they also race to set it up.
    const QString file = m_folder.filePath(QStringLiteral("shared/registry.db"));
    constexpr int PerProcess = 200;
    int startPipe[2];
    ASSERT_EQ(pipe(startPipe), 0);
    pid_t children[2];
    for (int child = 0; child < 2; ++child) {
        children[child] = fork();
        ASSERT_GE(children[child], 0);
        if (children[child] == 0) {
            close(startPipe[1]);
            char go = 0;
            if (read(startPipe[0], &go, 1) != 0)  // wait until the parent closes the pipe
                _exit(2);
            QString error;
            auto store = RegistryStore::open(file, &error);
            if (!store)
                _exit(3);
            int failures = 0;
            for (int i = 0; i < PerProcess; ++i) {
                RegistryStore::KeyId shared = 0;
                RegistryStore::KeyId sub = 0;
                // Each process also creates keys, the write that two processes contend for.
                if (!store->openKey(Hive::CurrentUser, QStringLiteral("Software\\Shared"), true, shared)
                    || !store->openKey(Hive::CurrentUser, QStringLiteral("Software\\Shared\\K%1").arg(i % 10), true, sub)
                    || !store->writeValue(shared, QStringLiteral("p%1-%2").arg(child).arg(i),
                                          {RegType::Dword, QByteArray(4, static_cast<char>(i))}))
                    ++failures;
            }
            _exit(failures == 0 ? 0 : 1);
        }
    }
    close(startPipe[0]);
    close(startPipe[1]);
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status)) << status;
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }

    EXPECT_EQ(integrityOf(file), QStringLiteral("ok"));
    auto store = open(file);
    ASSERT_TRUE(store);
    RegistryStore::KeyId shared = 0;
    ASSERT_TRUE(store->openKey(Hive::CurrentUser, QStringLiteral("Software\\Shared"), false, shared));
    EXPECT_EQ(valueNames(shared, store.get()).size(), 2 * PerProcess);
    for (int child = 0; child < 2; ++child)
        for (int i = 0; i < PerProcess; ++i) {
            RegValue value;
            ASSERT_TRUE(store->readValue(shared, QStringLiteral("p%1-%2").arg(child).arg(i), value)) << child << " " << i;
            EXPECT_EQ(value.data, QByteArray(4, static_cast<char>(i)));
        }
    QString name;
    EXPECT_TRUE(store->subKeyNameAt(shared, 9, name));
    EXPECT_FALSE(store->subKeyNameAt(shared, 10, name));
}

TEST_F(RegistryStoreTest, AFileThatIsNotAUsableStoreIsRefusedAndLeftAlone)
{
    QByteArray garbage(64 * 1024, '\0');
    QRandomGenerator random(20260101);
    random.fillRange(reinterpret_cast<quint32*>(garbage.data()), garbage.size() / 4);

    // A real store cut short after its header.
    const QString truncated = m_folder.filePath(QStringLiteral("truncated.db"));
    open(truncated);
    const QByteArray header = FileContent::read(truncated).left(300);
    ASSERT_TRUE(header.startsWith("SQLite format 3"));
    ASSERT_TRUE(FileContent::write(truncated, header));

    // A real store that a newer version has marked as its own.
    const QString newer = m_folder.filePath(QStringLiteral("newer.db"));
    open(newer);
    ASSERT_TRUE(runSql(newer, "PRAGMA user_version = 99"));

    // Another program's database, one in rollback mode and one in WAL mode that still holds
    // its last writes in the WAL file (closing a writing connection would fold them in).
    const QString foreign = m_folder.filePath(QStringLiteral("foreign.db"));
    ASSERT_TRUE(runSql(foreign, "CREATE TABLE people(name TEXT); INSERT INTO people VALUES('x');"));
    const QString foreignWal = m_folder.filePath(QStringLiteral("foreign-wal.db"));
    ASSERT_TRUE(runSql(foreignWal, "PRAGMA journal_mode = WAL; CREATE TABLE keys(id INTEGER); PRAGMA user_version = 1;"
                                   "INSERT INTO keys VALUES(1);", /*keepWal=*/true));
    ASSERT_TRUE(QFileInfo(foreignWal + QStringLiteral("-wal")).size() > 0);
    // And one in WAL mode that was closed cleanly, so nothing lies beside it.
    const QString foreignClosed = m_folder.filePath(QStringLiteral("foreign-closed.db"));
    ASSERT_TRUE(runSql(foreignClosed, "PRAGMA journal_mode = WAL; CREATE TABLE t(x); INSERT INTO t VALUES(1);"));

    const QString garbageFile = m_folder.filePath(QStringLiteral("garbage.db"));
    ASSERT_TRUE(FileContent::write(garbageFile, garbage));
    const QString folder = m_folder.filePath(QStringLiteral("folder.db"));
    ASSERT_TRUE(QDir().mkpath(folder));

    for (const QString& file : {garbageFile, truncated, newer, foreign, foreignWal, foreignClosed, folder}) {
        const QByteArray before = FileContent::read(file);
        const QByteArray walBefore = FileContent::read(file + QStringLiteral("-wal"));
        // Looking must not leave files beside a database that is refused.
        const auto companions = [&file] {
            return std::string(QFileInfo::exists(file + QStringLiteral("-wal")) ? "-wal " : "")
                 + (QFileInfo::exists(file + QStringLiteral("-shm")) ? "-shm" : "");
        };
        const std::string companionsBefore = companions();
        QString error;
        EXPECT_FALSE(RegistryStore::open(file, &error)) << file.toStdString();
        EXPECT_TRUE(error.contains(file)) << error.toStdString();
        EXPECT_FALSE(RegistryStore::open(file, nullptr)) << file.toStdString();
        EXPECT_EQ(FileContent::read(file), before) << file.toStdString();
        EXPECT_EQ(FileContent::read(file + QStringLiteral("-wal")), walBefore) << file.toStdString();
        EXPECT_FALSE(QFile::exists(file + QStringLiteral("-journal"))) << file.toStdString();
        EXPECT_EQ(companions(), companionsBefore) << file.toStdString();
    }
    EXPECT_EQ(FileContent::read(garbageFile), garbage);

    // Files this user may not read, or not write. Permissions do not bind root, so those run
    // as an ordinary user; the folder must let that user in.
    ASSERT_EQ(chmod(QFile::encodeName(m_folder.path()).constData(), 0755), 0);
    const QString unreadable = m_folder.filePath(QStringLiteral("unreadable.db"));
    const QString readOnly = m_folder.filePath(QStringLiteral("read-only.db"));
    for (const auto& [file, mode] : {std::pair{unreadable, 0000}, std::pair{readOnly, 0444}}) {
        open(file);
        ASSERT_EQ(chmod(QFile::encodeName(file).constData(), static_cast<mode_t>(mode)), 0);
        const QByteArray before = FileContent::read(file);
        ASSERT_FALSE(before.isEmpty());
        const int refused = OrdinaryUser::run([&file = file] {
            QString error;
            if (RegistryStore::open(file, &error))
                return 1;
            return error.contains(file) ? 0 : 2;
        });
        if (refused == OrdinaryUser::Unavailable)
            GTEST_SKIP() << "running as root without the right to become another user";
        EXPECT_EQ(refused, 0) << file.toStdString();
        EXPECT_EQ(FileContent::read(file), before) << file.toStdString();
    }
}

TEST_F(RegistryStoreTest, AnEmptyFileBecomesAStore)
{
    const QString file = m_folder.filePath(QStringLiteral("empty.db"));
    ASSERT_TRUE(FileContent::write(file, QByteArray()));
    auto store = open(file);
    ASSERT_TRUE(store);
    RegistryStore::KeyId id = 0;
    ASSERT_TRUE(store->openKey(Hive::ClassesRoot, QStringLiteral(".zip"), true, id));
    ASSERT_TRUE(store->writeValue(id, QString(), {RegType::String, bytes("z\0\0\0", 4)}));
    store.reset();
    store = open(file);
    ASSERT_TRUE(store);
    RegValue value;
    ASSERT_TRUE(store->openKey(Hive::ClassesRoot, QStringLiteral(".ZIP"), false, id));
    EXPECT_TRUE(store->readValue(id, QString(), value));
}

TEST_F(RegistryStoreTest, ExportAndImportRoundTripEveryValueByteForByte)
{
    const char* const oddKey = "Software\\Odd \"Quoted\" [Key];\\-dash\\\u00e9t\u00e9 \U0001F600";
    const auto odd = key(oddKey);
    key("Software\\Empty\\Leaf");
    const struct { QStringView name; RegValue value; } values[] = {
        {u"", {RegType::String, bytes("d\0\0\0", 4)}},  // the default value
        {u"Quote \"and\" back\\slash", {RegType::String, bytes("\\\0\"\0\\\0\\\0\0\0", 10)}},
        {u"Empty", {RegType::String, bytes("\0\0", 2)}},
        {u"Accent \u00e9", {RegType::String, bytes("\xe9\0\xac\x20\x3d\xd8\x00\xde\0\0", 10)}},
        {u"HalfPair", {RegType::String, bytes("a\0\x00\xd8\0\0", 6)}},
        {u"NoNul", {RegType::String, bytes("a\0", 2)}},
        {u"NulInside", {RegType::String, bytes("a\0\0\0b\0\0\0", 8)}},
        {u"Newline", {RegType::String, bytes("a\0\n\0\0\0", 6)}},
        {u"OddString", {RegType::String, bytes("abc", 3)}},
        {u"Dword", {RegType::Dword, bytes("\x0a\0\0\0", 4)}},
        {u"ZeroByteDword", {RegType::Dword, QByteArray()}},
        {u"SixByteDword", {RegType::Dword, bytes("\1\2\3\4\5\6", 6)}},
        {u"Binary", {RegType::Binary, bytes("\xff\0\x10", 3)}},
        {u"EmptyBinary", {RegType::Binary, QByteArray()}},
        {u"Expand", {2u, bytes("%\0\0\0", 4)}},
        {u"HighType", {0xFFFFFFFFu, bytes("\x01", 1)}},
        {u"=;[]@", {RegType::Dword, bytes("\xff\xff\xff\xff", 4)}},
    };
    for (const auto& row : values)
        ASSERT_TRUE(m_store->writeValue(odd, row.name.toString(), row.value));
    RegistryStore::KeyId hive = 0;
    ASSERT_TRUE(m_store->openKey(Hive::LocalMachine, QString(), false, hive));
    ASSERT_TRUE(m_store->writeValue(hive, QStringLiteral("OnTheHive"), {RegType::Dword, bytes("\1\0\0\0", 4)}));

    QString text;
    QString error;
    ASSERT_TRUE(m_store->exportText(text, &error)) << error.toStdString();
    EXPECT_EQ(m_store->exportText(), text);
    EXPECT_TRUE(text.startsWith(QStringLiteral("REGEDIT4\n\n[")));
    EXPECT_TRUE(text.contains(QStringLiteral("\n\"Dword\"=dword:0000000a\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\n@=\"d\"\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\n[HKEY_CURRENT_USER\\Software\\Empty\\Leaf]\n")));
    EXPECT_FALSE(text.contains(QStringLiteral("[HKEY_CURRENT_USER\\Software\\Empty]")));  // it has a sub-key and no values
    EXPECT_FALSE(text.contains(QStringLiteral("[HKEY_CLASSES_ROOT]")));                   // an empty hive

    // Through a file's bytes, as an export and an import on another machine would go.
    QTemporaryDir other;
    auto copy = open(other.filePath(QStringLiteral("copy.db")));
    ASSERT_TRUE(copy);
    ASSERT_TRUE(copy->importText(platform::RegText::decodeRegFile(text.toUtf8()).text, &error))
        << error.toStdString() << "\n" << text.toStdString();
    RegistryStore::KeyId copied = 0;
    ASSERT_TRUE(copy->openKey(Hive::CurrentUser, QString::fromUtf8(oddKey), false, copied));
    QStringList expectedNames;
    for (const auto& row : values) {
        const QString name = row.name.toString();
        RegValue value;
        ASSERT_TRUE(copy->readValue(copied, name, value)) << name.toStdString();
        EXPECT_EQ(value.type, row.value.type) << name.toStdString();
        EXPECT_EQ(value.data, row.value.data) << name.toStdString();
        expectedNames << name;
    }
    EXPECT_EQ(valueNames(copied, copy.get()), expectedNames);
    RegistryStore::KeyId leaf = 0;
    EXPECT_TRUE(copy->openKey(Hive::CurrentUser, QStringLiteral("Software\\Empty\\Leaf"), false, leaf));
    EXPECT_EQ(copy->exportText(), text);
}

TEST_F(RegistryStoreTest, ExportRefusesNamesThatNoRegFileCanHold)
{
    const auto id = key("Software\\Fine");
    ASSERT_TRUE(m_store->writeValue(id, QStringLiteral("Fine"), {RegType::Dword, QByteArray(4, '\0')}));
    QString text;
    QString error;
    ASSERT_TRUE(m_store->exportText(text, &error));

    // A name holding a line break would come back as other lines: here, as another value.
    ASSERT_TRUE(m_store->writeValue(id, QStringLiteral("a\"=\"b\"\n\"Injected"), {RegType::Dword, QByteArray(4, '\0')}));
    text = QStringLiteral("untouched");
    EXPECT_FALSE(m_store->exportText(text, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("Injected"))) << error.toStdString();
    EXPECT_EQ(text, QStringLiteral("untouched"));
    EXPECT_TRUE(m_store->exportText().isNull());
}

TEST_F(RegistryStoreTest, ARefusedImportChangesNothing)
{
    const auto fennick = key("Software\\Corvane\\Fennick");
    key("Software\\Corvane\\Fennick\\Favorites");
    ASSERT_TRUE(m_store->writeValue(fennick, QStringLiteral("SortMode"), {RegType::Dword, QByteArray(4, '\0')}));
    const QString before = m_store->exportText();
    ASSERT_FALSE(before.isEmpty());

    // Each text would change the store in its first lines, then fails further down.
    const struct { const char* text; int line; } cases[] = {
        {"REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Corvane\\Fennick]\n"
         "\"SortMode\"=dword:00000001\n\"New\"=\"x\"\n\"Bad\"=dword:123456789\n", 6},
        {"REGEDIT4\n[-HKEY_CURRENT_USER\\Software\\Corvane]\n[HKCU\\New]\n\"a\"=hex:01,\\\n 02,\\", 4},
        {"REGEDIT4\n[HKCU\\Software\\Corvane\\Fennick]\n\"SortMode\"=-\n[HKEY_NOWHERE\\x]\n", 4},
        {"REGEDIT4\n[-HKCU\\Software\\Corvane\\Fennick\\Favorites]\n\"v\"=\"after a deleted key\"\n", 3},
    };
    for (const auto& row : cases) {
        QString error;
        EXPECT_FALSE(m_store->importText(QString::fromUtf8(row.text), &error)) << row.text;
        EXPECT_TRUE(error.startsWith(QStringLiteral("line %1: ").arg(row.line))) << error.toStdString();
        EXPECT_FALSE(m_store->importText(QString::fromUtf8(row.text), nullptr));
        EXPECT_EQ(m_store->exportText(), before) << row.text;
    }

    // Deleting keys and values through the text works, and a missing one is no error.
    QString error;
    ASSERT_TRUE(m_store->importText(QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n"
                                                   "[HKEY_CURRENT_USER\\Software\\Corvane\\Fennick]\r\n"
                                                   "\"SortMode\"=-\r\n\"Gone\"=-\r\n[-HKEY_CURRENT_USER\\Software\\Nothing\\Deeper]\r\n"
                                                   "[-HKEY_CURRENT_USER\\Software\\Nothing]\r\n"),
                                    &error)) << error.toStdString();
    RegValue value;
    EXPECT_FALSE(m_store->readValue(fennick, QStringLiteral("SortMode"), value));
    RegistryStore::KeyId nothing = 0;
    EXPECT_FALSE(m_store->openKey(Hive::CurrentUser, QStringLiteral("Software\\Nothing"), false, nothing));
    ASSERT_TRUE(m_store->importText(QStringLiteral("REGEDIT4\n[-HKCU\\SOFTWARE\\corvane]\n"), &error));
    RegistryStore::KeyId gone = 0;
    EXPECT_FALSE(m_store->openKey(Hive::CurrentUser, QStringLiteral("Software\\Corvane"), false, gone));
    EXPECT_FALSE(m_store->readValue(fennick, QStringLiteral("SortMode"), value));
}

}  // namespace
