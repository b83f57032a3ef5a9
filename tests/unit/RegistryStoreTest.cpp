#include "platform/RegText.h"
#include "platform/RegistryStore.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

using platform::Hive;
using platform::RegistryStore;
using platform::RegValue;
namespace RegType = platform::RegType;

namespace {

class RegistryStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        m_file = m_folder.filePath(QStringLiteral("sub/registry.db"));
        m_store = open(m_file);
        ASSERT_TRUE(m_store);
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
        EXPECT_TRUE((store ? store : m_store.get())->openKey(Hive::CurrentUser, QString::fromUtf8(path), true, id));
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
    RegistryStore::KeyId missing = 0;
    EXPECT_FALSE(m_store->openKey(Hive::CurrentUser, QStringLiteral("Software\\Nobody"), false, missing));
    EXPECT_FALSE(m_store->openKey(Hive::LocalMachine, QStringLiteral("Software\\Corvane"), false, missing));

    ASSERT_TRUE(m_store->writeValue(fennick, QStringLiteral("Zeta"), {RegType::Dword, QByteArray(4, '\1')}));
    ASSERT_TRUE(m_store->writeValue(fennick, QStringLiteral("Alpha"), {RegType::String, QByteArray("a\0\0\0", 4)}));
    ASSERT_TRUE(m_store->writeValue(fennick, QStringLiteral("Mid"), {RegType::Binary, QByteArray("\1\2\3\4\5\6", 6)}));
    // Writing ZETA again updates Zeta in place: same spelling, same position.
    ASSERT_TRUE(m_store->writeValue(fennick, QStringLiteral("ZETA"), {RegType::Binary, QByteArray("\7", 1)}));
    EXPECT_EQ(valueNames(fennick), QStringList({QStringLiteral("Zeta"), QStringLiteral("Alpha"), QStringLiteral("Mid")}));

    RegValue value;
    ASSERT_TRUE(m_store->readValue(fennick, QStringLiteral("zeta"), value));
    EXPECT_EQ(value.type, RegType::Binary);
    EXPECT_EQ(value.data, QByteArray("\7", 1));
    ASSERT_TRUE(m_store->readValue(fennick, QStringLiteral("mid"), value));
    EXPECT_EQ(value.data.size(), 6);  // raw lengths are kept exactly

    ASSERT_TRUE(m_store->deleteValue(fennick, QStringLiteral("ALPHA")));
    EXPECT_FALSE(m_store->deleteValue(fennick, QStringLiteral("Alpha")));
    EXPECT_EQ(valueNames(fennick), QStringList({QStringLiteral("Zeta"), QStringLiteral("Mid")}));
}

TEST_F(RegistryStoreTest, DeletingAKeyTakesItsSubtreeAndLeavesStaleIdsHarmless)
{
    const auto top = key("Software\\Test");
    const auto deep = key("Software\\Test\\A\\B\\C");
    key("Software\\Test\\Other");
    ASSERT_TRUE(m_store->writeValue(deep, QStringLiteral("v"), {RegType::Dword, QByteArray(4, '\0')}));

    QString name;
    ASSERT_TRUE(m_store->subKeyNameAt(top, 0, name));
    EXPECT_EQ(name, QStringLiteral("A"));
    ASSERT_TRUE(m_store->deleteSubKey(top, QStringLiteral("a")));
    EXPECT_FALSE(m_store->deleteSubKey(top, QStringLiteral("a")));
    ASSERT_TRUE(m_store->subKeyNameAt(top, 0, name));
    EXPECT_EQ(name, QStringLiteral("Other"));
    EXPECT_FALSE(m_store->subKeyNameAt(top, 1, name));

    RegistryStore::KeyId gone = 0;
    EXPECT_FALSE(m_store->openKey(Hive::CurrentUser, QStringLiteral("Software\\Test\\A\\B"), false, gone));
    RegValue value;
    EXPECT_FALSE(m_store->readValue(deep, QStringLiteral("v"), value));
    EXPECT_FALSE(m_store->writeValue(deep, QStringLiteral("v"), {RegType::Dword, QByteArray(4, '\0')}));
    EXPECT_FALSE(m_store->valueNameAt(deep, 0, name));
}

TEST_F(RegistryStoreTest, TwoProcessesWriteAtOnce)
{
    const auto shared = key("Software\\Shared");
    m_store.reset();
    constexpr int PerProcess = 150;
    pid_t children[2];
    for (int child = 0; child < 2; ++child) {
        children[child] = fork();
        ASSERT_GE(children[child], 0);
        if (children[child] == 0) {
            QString error;
            auto store = RegistryStore::open(m_file, &error);
            int failures = store ? 0 : 1;
            for (int i = 0; store && i < PerProcess; ++i) {
                RegistryStore::KeyId id = 0;
                // Each process also creates keys, the write that two processes contend for.
                if (!store->openKey(Hive::CurrentUser, QStringLiteral("Software\\Shared\\K%1").arg(i % 10), true, id)
                    || !store->writeValue(shared, QStringLiteral("p%1-%2").arg(child).arg(i),
                                          {RegType::Dword, QByteArray(4, static_cast<char>(i))}))
                    ++failures;
            }
            _exit(failures == 0 ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    auto store = open(m_file);
    ASSERT_TRUE(store);
    EXPECT_EQ(valueNames(shared, store.get()).size(), 2 * PerProcess);
    QString name;
    EXPECT_TRUE(store->subKeyNameAt(shared, 9, name));
    EXPECT_FALSE(store->subKeyNameAt(shared, 10, name));
}

TEST_F(RegistryStoreTest, AFileThatIsNotAStoreIsRefusedAndLeftAlone)
{
    const QByteArray garbage = QByteArray("SQLite format 3 is what this is not. ").repeated(300);
    const struct { const char* name; QByteArray content; } files[] = {
        {"garbage.db", garbage},
        {"truncated.db", [] {
             QTemporaryDir folder;
             QString error;
             const QString file = folder.filePath(QStringLiteral("r.db"));
             { auto store = RegistryStore::open(file, &error); }
             QFile real(file);
             real.open(QIODevice::ReadOnly);
             return real.read(300);  // a real header, then nothing
         }()},
    };
    for (const auto& row : files) {
        const QString file = m_folder.filePath(QString::fromUtf8(row.name));
        {
            QFile out(file);
            ASSERT_TRUE(out.open(QIODevice::WriteOnly));
            out.write(row.content);
        }
        QString error;
        EXPECT_FALSE(RegistryStore::open(file, &error)) << row.name;
        EXPECT_FALSE(error.isEmpty());
        QFile in(file);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        EXPECT_EQ(in.readAll(), row.content) << row.name;
        EXPECT_FALSE(QFile::exists(file + QStringLiteral("-wal"))) << row.name;
    }
    if (geteuid() != 0) {
        const QString locked = m_folder.filePath(QStringLiteral("locked.db"));
        { auto store = RegistryStore::open(locked, nullptr); }
        QFile::setPermissions(locked, {});
        QString error;
        EXPECT_FALSE(RegistryStore::open(locked, &error));
    }
}

TEST_F(RegistryStoreTest, ExportAndImportRoundTripEveryValueByteForByte)
{
    const auto odd = key("Software\\Odd \"Quoted\" [Key]");
    key("Software\\Empty\\Leaf");
    const struct { const char16_t* name; RegValue value; } values[] = {
        {u"", {RegType::String, QByteArray("d\0\0\0", 4)}},                   // the default value
        {u"Quote \"and\" back\\slash", {RegType::String, QByteArray("\\\0\"\0\0\0", 6)}},
        {u"Empty", {RegType::String, QByteArray("\0\0", 2)}},
        {u"Accent \u00e9", {RegType::String, QByteArray("\xe9\0\x20\xac\0\0", 6)}},
        {u"NoNul", {RegType::String, QByteArray("a\0", 2)}},
        {u"Newline", {RegType::String, QByteArray("a\0\n\0\0\0", 6)}},
        {u"Dword", {RegType::Dword, QByteArray("\x0a\0\0\0", 4)}},
        {u"ShortDword", {RegType::Dword, QByteArray()}},
        {u"LongDword", {RegType::Dword, QByteArray("\1\2\3\4\5\6", 6)}},
        {u"Binary", {RegType::Binary, QByteArray("\xff\0\x10", 3)}},
    };
    for (const auto& row : values)
        ASSERT_TRUE(m_store->writeValue(odd, QString::fromUtf16(row.name), row.value));
    const QString text = m_store->exportText();
    EXPECT_TRUE(text.startsWith(QStringLiteral("REGEDIT4\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("\"Dword\"=dword:0000000a\n")));
    EXPECT_TRUE(text.contains(QStringLiteral("@=\"d\"\n")));

    QTemporaryDir other;
    auto copy = open(other.filePath(QStringLiteral("copy.db")));
    QString error;
    ASSERT_TRUE(copy->importText(text, &error)) << error.toStdString() << "\n" << text.toStdString();
    RegistryStore::KeyId copied = 0;
    ASSERT_TRUE(copy->openKey(Hive::CurrentUser, QStringLiteral("Software\\Odd \"Quoted\" [Key]"), false, copied));
    for (const auto& row : values) {
        RegValue value;
        ASSERT_TRUE(copy->readValue(copied, QString::fromUtf16(row.name), value)) << QString::fromUtf16(row.name).toStdString();
        EXPECT_EQ(value.type, row.value.type) << QString::fromUtf16(row.name).toStdString();
        EXPECT_EQ(value.data, row.value.data) << QString::fromUtf16(row.name).toStdString();
    }
    EXPECT_EQ(valueNames(copied, copy.get()).size(), static_cast<qsizetype>(std::size(values)));
    RegistryStore::KeyId leaf = 0;
    EXPECT_TRUE(copy->openKey(Hive::CurrentUser, QStringLiteral("Software\\Empty\\Leaf"), false, leaf));
    EXPECT_EQ(copy->exportText(), text);
}

TEST_F(RegistryStoreTest, ARefusedImportChangesNothing)
{
    const auto fennick = key("Software\\Corvane\\Fennick");
    ASSERT_TRUE(m_store->writeValue(fennick, QStringLiteral("SortMode"), {RegType::Dword, QByteArray(4, '\0')}));
    const QString before = m_store->exportText();
    QString error;
    EXPECT_FALSE(m_store->importText(QStringLiteral("REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Corvane\\Fennick]\n"
                                                    "\"SortMode\"=dword:00000001\n\"New\"=\"x\"\n\"Bad\"=dword:123456789\n"),
                                     &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("line 6:"))) << error.toStdString();
    EXPECT_EQ(m_store->exportText(), before);

    // Deleting keys and values through the text works, and a missing one is no error.
    ASSERT_TRUE(m_store->importText(QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n"
                                                   "[HKEY_CURRENT_USER\\Software\\Corvane\\Fennick]\r\n"
                                                   "\"SortMode\"=-\r\n\"Gone\"=-\r\n[-HKEY_CURRENT_USER\\Software\\Nothing]\r\n"),
                                    &error)) << error.toStdString();
    RegValue value;
    EXPECT_FALSE(m_store->readValue(fennick, QStringLiteral("SortMode"), value));
    ASSERT_TRUE(m_store->importText(QStringLiteral("REGEDIT4\n[-HKCU\\Software\\Corvane]\n"), &error));
    RegistryStore::KeyId gone = 0;
    EXPECT_FALSE(m_store->openKey(Hive::CurrentUser, QStringLiteral("Software\\Corvane"), false, gone));
}

}  // namespace
