#include "settings/RegKey.h"
#include "archive/ZipAssociation.h"
#include "platform/RegistryStore.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ZipAssociationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString error;
        m_store = platform::RegistryStore::open(m_folder.filePath(QStringLiteral("r.db")), &error);
        ASSERT_TRUE(m_store) << error.toStdString();
        RegKey::setStore(m_store.get());
    }
    void TearDown() override { RegKey::setStore(nullptr); }

    static QString value(const char* key, const char* name = "")
    {
        return RegKey(platform::Hive::ClassesRoot, QString::fromUtf8(key)).readString(QString::fromUtf8(name));
    }
    static void set(const char* key, const QString& text)
    {
        ASSERT_TRUE(RegKey(platform::Hive::ClassesRoot, QString::fromUtf8(key)).writeString(QStringLiteral(""), text));
    }

    QTemporaryDir m_folder;
    std::unique_ptr<platform::RegistryStore> m_store;
};

TEST_F(ZipAssociationTest, WrittenWhenAnyPartDiffersAndLeftWhenOnlyCaseDoes)
{
    const QString module = QStringLiteral("/usr/bin/fennick");
    EXPECT_TRUE(ZipAssociation::check(module));
    EXPECT_EQ(value(".zip"), QStringLiteral("isce_zipfile"));
    EXPECT_EQ(value("isce_zipfile"), QStringLiteral("ZIP file"));
    EXPECT_EQ(RegKey(platform::Hive::ClassesRoot, QStringLiteral("isce_zipfile")).readDword(QStringLiteral("EditFlags"), 0),
              0x10000u);
    EXPECT_EQ(value("isce_zipfile\\DefaultIcon"), QStringLiteral("/usr/bin/fennick,-123"));
    EXPECT_EQ(value("isce_zipfile\\Shell\\Open\\Command"), QStringLiteral("/usr/bin/fennick %1"));
    EXPECT_EQ(RegKey(platform::Hive::CurrentUser, QStringLiteral("Software\\Corvane\\Fennick"))
                  .readDword(QStringLiteral("CheckZip"), RegKey::NoWriteBack), 1u);
    EXPECT_FALSE(ZipAssociation::check(module));

    // Letter case alone is no difference.
    set("isce_zipfile\\Shell\\Open\\Command", QStringLiteral("/USR/BIN/FENNICK %1"));
    EXPECT_FALSE(ZipAssociation::check(module));
    EXPECT_EQ(value("isce_zipfile\\Shell\\Open\\Command"), QStringLiteral("/USR/BIN/FENNICK %1"));

    // Another type claiming ".zip", or a moved program: everything is written again.
    set(".zip", QStringLiteral("other_type"));
    EXPECT_TRUE(ZipAssociation::check(module));
    EXPECT_EQ(value(".zip"), QStringLiteral("isce_zipfile"));
    EXPECT_TRUE(ZipAssociation::check(QStringLiteral("/opt/fennick/bin/fennick")));
    EXPECT_EQ(value("isce_zipfile\\Shell\\Open\\Command"), QStringLiteral("/opt/fennick/bin/fennick %1"));

    // A path with a blank stays one word of the command.
    EXPECT_TRUE(ZipAssociation::check(QStringLiteral("/home/me/My Apps/fennick")));
    EXPECT_EQ(value("isce_zipfile\\Shell\\Open\\Command"), QStringLiteral("\"/home/me/My Apps/fennick\" %1"));
    EXPECT_FALSE(ZipAssociation::check(QStringLiteral("/home/me/My Apps/fennick")));
    EXPECT_TRUE(ZipAssociation::modulePath().endsWith(QStringLiteral("unit_tests")));
}

}  // namespace
