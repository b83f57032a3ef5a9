#include "TemporaryRegistry.h"
#include "settings/RegKey.h"
#include "settings/Settings.h"
#include "settings/SettingsSchema.h"

#include <gtest/gtest.h>

using platform::Hive;
using platform::RegValue;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_registry.isOpen()); }

    RegValue raw(const QString& keyPath, const QString& name) { return m_registry.raw(keyPath, name); }
    void putRaw(const QString& keyPath, const QString& name, const RegValue& value)
    {
        m_registry.putRaw(keyPath, name, value);
    }

    TemporaryRegistry m_registry;
};

const QString Key = SettingsSchema::Program.fullPath();

TEST_F(SettingsTest, FirstStartWritesEveryDefaultBack)
{
    Settings settings;
    settings.load();
    EXPECT_EQ(settings.storedSortMode, 0u);
    EXPECT_TRUE(settings.marksInBold);
    EXPECT_FALSE(settings.statusHidden);
    EXPECT_FALSE(settings.showHidden);
    EXPECT_TRUE(settings.checkZipAssociation);

    const struct { const char16_t* name; quint32 value; } expected[] = {
        {u"SortMode", 0}, {u"ShowBold", 1}, {u"HideStatus", 0}, {u"ShowHidden", 0}, {u"CheckZip", 1}};
    for (const auto& row : expected) {
        const RegValue value = raw(Key, QString::fromUtf16(row.name));
        EXPECT_EQ(value.type, platform::RegType::Dword) << QString::fromUtf16(row.name).toStdString();
        EXPECT_EQ(value.data, RegKey::encodeDword(row.value));
    }
}

TEST_F(SettingsTest, StoredValuesAreInterpretedAndSavedBackAsTheRulesSay)
{
    RegKey key(Hive::CurrentUser, Key);
    ASSERT_TRUE(key.writeDword(QStringLiteral("ShowBold"), 2));
    ASSERT_TRUE(key.writeDword(QStringLiteral("SortMode"), 5));
    ASSERT_TRUE(key.writeDword(QStringLiteral("HideStatus"), 1));
    ASSERT_TRUE(key.writeDword(QStringLiteral("ShowHidden"), 7));

    Settings settings;
    settings.load();
    EXPECT_FALSE(settings.marksInBold);   // 2 means check boxes
    EXPECT_FALSE(settings.sortsByType()); // 5 sorts by name
    EXPECT_TRUE(settings.statusHidden);
    EXPECT_FALSE(settings.showHidden);
    settings.save();

    EXPECT_EQ(key.readDword(QStringLiteral("ShowBold"), 9), 0u);
    EXPECT_EQ(key.readDword(QStringLiteral("SortMode"), 9), 5u);  // kept as it was
    EXPECT_EQ(key.readDword(QStringLiteral("HideStatus"), 9), 1u);
    EXPECT_EQ(key.readDword(QStringLiteral("ShowHidden"), 9), 0u);
}

TEST_F(SettingsTest, MapsKeepOrderSkipEmptyValuesAndLeaveThemStored)
{
    const QString favorites = Key + QStringLiteral("\\Favorites");
    RegKey key(Hive::CurrentUser, favorites);
    ASSERT_TRUE(key.writeString(QStringLiteral("Favorite2"), QStringLiteral("\\Storage\\b")));
    ASSERT_TRUE(key.writeString(QStringLiteral("Favorite0"), QStringLiteral("")));
    ASSERT_TRUE(key.writeString(QStringLiteral("Favorite1"), QStringLiteral("\\Storage\\a")));
    RegKey folders(Hive::CurrentUser, Key + QStringLiteral("\\Folders"));
    ASSERT_TRUE(folders.writeString(QStringLiteral("x"), QStringLiteral("\\Windows")));

    Settings settings;
    settings.load();
    ASSERT_EQ(settings.favorites.size(), 2);
    EXPECT_EQ(settings.favorites.at(0).first, QStringLiteral("Favorite2"));
    EXPECT_EQ(settings.favorites.at(1).second, QStringLiteral("\\Storage\\a"));
    EXPECT_EQ(raw(favorites, QStringLiteral("Favorite0")).data, RegKey::encodeString(QString()));
    EXPECT_TRUE(settings.hiddenFolders.containsValue(QStringLiteral("\\WINDOWS")));
    EXPECT_FALSE(settings.hiddenFolders.containsValue(QStringLiteral("\\Windows2")));
}

TEST_F(SettingsTest, DwordReadsFailOnValuesLongerThanFourBytes)
{
    // "abc" as a string is 8 bytes: the read fails, the default is used and written over it.
    putRaw(Key, QStringLiteral("SortMode"), {platform::RegType::String, RegKey::encodeString(QStringLiteral("abc"))});
    // "a" is 4 bytes: read as a number whatever its type.
    putRaw(Key, QStringLiteral("Four"), {platform::RegType::String, RegKey::encodeString(QStringLiteral("a"))});
    // Two bytes are zero-extended.
    putRaw(Key, QStringLiteral("Two"), {platform::RegType::Binary, QByteArray("\x34\x12", 2)});

    Settings settings;
    settings.load();
    EXPECT_EQ(settings.storedSortMode, 0u);
    EXPECT_EQ(raw(Key, QStringLiteral("SortMode")).data, RegKey::encodeDword(0));
    EXPECT_EQ(raw(Key, QStringLiteral("SortMode")).type, platform::RegType::Dword);

    RegKey key(Hive::CurrentUser, Key);
    EXPECT_EQ(key.readDword(QStringLiteral("Four"), 0), 0x61u);
    EXPECT_EQ(key.readDword(QStringLiteral("Two"), 0), 0x1234u);
}

TEST(SettingsWithoutStore, AKeyThatCannotOpenBehavesAsEmpty)
{
    RegKey::setStore(nullptr);
    RegKey key(Hive::CurrentUser, SettingsSchema::Program.fullPath());
    EXPECT_FALSE(key.isOpen());
    EXPECT_EQ(key.readDword(QStringLiteral("SortMode"), 7), 7u);
    EXPECT_EQ(key.readString(QStringLiteral("x"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_FALSE(key.writeDword(QStringLiteral("SortMode"), 1));
    QString name;
    EXPECT_FALSE(key.firstValue(name));
    EXPECT_FALSE(key.firstSubKey(name));

    Settings settings;
    settings.storedSortMode = 9;
    settings.load();
    EXPECT_EQ(settings.storedSortMode, 0u);
    EXPECT_TRUE(settings.marksInBold);
    EXPECT_TRUE(settings.checkZipAssociation);
    settings.save();  // must not crash
}

}  // namespace
