#include "settings/RegKey.h"
#include "settings/Settings.h"
#include "platform/RegistryStore.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using platform::Hive;
using platform::RegistryStore;
using platform::RegValue;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        QString error;
        m_store = RegistryStore::open(m_folder.filePath(QStringLiteral("registry.db")), &error);
        ASSERT_TRUE(m_store) << error.toStdString();
        RegKey::setStore(m_store.get());
    }
    void TearDown() override { RegKey::setStore(nullptr); }

    // The raw value as the store holds it, or a value of type 0 when there is none.
    RegValue raw(const QString& keyPath, const QString& name)
    {
        RegistryStore::KeyId key = 0;
        RegValue value;
        if (m_store->openKey(Hive::CurrentUser, keyPath, false, key))
            (void)m_store->readValue(key, name, value);
        return value;
    }
    void putRaw(const QString& keyPath, const QString& name, RegValue value)
    {
        RegistryStore::KeyId key = 0;
        ASSERT_TRUE(m_store->openKey(Hive::CurrentUser, keyPath, true, key));
        ASSERT_TRUE(m_store->writeValue(key, name, value));
    }

    QTemporaryDir m_folder;
    std::unique_ptr<RegistryStore> m_store;
};

const QString Key = Settings::keyPath();

TEST_F(SettingsTest, FirstStartWritesEveryDefaultBack)
{
    Settings settings;
    settings.load();
    EXPECT_EQ(settings.sortMode, 0);
    EXPECT_TRUE(settings.marksInBold);
    EXPECT_FALSE(settings.statusHidden);
    EXPECT_FALSE(settings.showHidden);
    EXPECT_EQ(settings.checkZipAssociation, 1);

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
    EXPECT_EQ(settings.sortMode, 0);
    EXPECT_EQ(raw(Key, QStringLiteral("SortMode")).data, RegKey::encodeDword(0));
    EXPECT_EQ(raw(Key, QStringLiteral("SortMode")).type, platform::RegType::Dword);

    RegKey key(Hive::CurrentUser, Key);
    EXPECT_EQ(key.readDword(QStringLiteral("Four"), 0), 0x61u);
    EXPECT_EQ(key.readDword(QStringLiteral("Two"), 0), 0x1234u);
}

TEST_F(SettingsTest, DefaultsAreWrittenBackOnlyWhenTheyShouldBe)
{
    RegKey key(Hive::CurrentUser, Key);
    EXPECT_EQ(key.readDword(QStringLiteral("Sentinel"), RegKey::NoWriteBack), RegKey::NoWriteBack);
    EXPECT_EQ(raw(Key, QStringLiteral("Sentinel")).type, 0u);

    EXPECT_EQ(key.readString(QStringLiteral("NoDefault")), QStringLiteral(""));
    EXPECT_EQ(raw(Key, QStringLiteral("NoDefault")).type, 0u);

    // An empty default is a default: it is written back.
    EXPECT_EQ(key.readString(QStringLiteral("Empty"), QStringLiteral("")), QStringLiteral(""));
    EXPECT_EQ(raw(Key, QStringLiteral("Empty")).data, QByteArray(2, '\0'));

    EXPECT_EQ(key.readString(QStringLiteral("Text"), QStringLiteral("x\u00e9")), QStringLiteral("x\u00e9"));
    EXPECT_EQ(raw(Key, QStringLiteral("Text")).data, QByteArray("x\0\xe9\0\0\0", 6));

    // Null names and texts are absent: nothing is read or written.
    EXPECT_EQ(key.readString(QString(), QStringLiteral("d")), QStringLiteral(""));
    EXPECT_FALSE(key.writeString(QString(), QStringLiteral("t")));
    EXPECT_FALSE(key.writeString(QStringLiteral("Null"), QString()));
    EXPECT_FALSE(key.writeDword(QString(), 1));
    EXPECT_EQ(raw(Key, QStringLiteral("Null")).type, 0u);
}

TEST_F(SettingsTest, StringReadsStopAtTheFirstNulWhateverTheType)
{
    putRaw(Key, QStringLiteral("Cut"), {platform::RegType::Binary, QByteArray("a\0b\0\0\0c\0", 8)});
    putRaw(Key, QStringLiteral("Unterminated"), {platform::RegType::String, QByteArray("h\0i\0", 4)});
    putRaw(Key, QStringLiteral("Odd"), {platform::RegType::String, QByteArray("h\0i", 3)});
    RegKey key(Hive::CurrentUser, Key);
    EXPECT_EQ(key.readString(QStringLiteral("Cut")), QStringLiteral("ab"));
    EXPECT_EQ(key.readString(QStringLiteral("Unterminated")), QStringLiteral("hi"));
    EXPECT_EQ(key.readString(QStringLiteral("Odd")), QStringLiteral("h"));
}

TEST_F(SettingsTest, EnumerationAndDeletion)
{
    RegKey key(Hive::CurrentUser, QStringLiteral("Software\\Test"));
    ASSERT_TRUE(key.writeDword(QStringLiteral("b"), 1));
    ASSERT_TRUE(key.writeDword(QStringLiteral("a"), 2));
    RegKey child(Hive::CurrentUser, QStringLiteral("Software\\Test\\Child\\Grandchild"));
    ASSERT_TRUE(child.writeDword(QStringLiteral("c"), 3));
    RegKey other(Hive::CurrentUser, QStringLiteral("Software\\Test\\Other"));

    QStringList values;
    QString name;
    for (bool more = key.firstValue(name); more; more = key.nextValue(name))
        values << name;
    EXPECT_EQ(values, QStringList({QStringLiteral("b"), QStringLiteral("a")}));
    // Starting again resets the index.
    ASSERT_TRUE(key.firstValue(name));
    EXPECT_EQ(name, QStringLiteral("b"));

    QStringList subKeys;
    for (bool more = key.firstSubKey(name); more; more = key.nextSubKey(name))
        subKeys << name;
    EXPECT_EQ(subKeys, QStringList({QStringLiteral("Child"), QStringLiteral("Other")}));

    EXPECT_TRUE(key.deleteValue(QStringLiteral("B")));
    EXPECT_FALSE(key.deleteValue(QStringLiteral("missing")));
    EXPECT_EQ(key.deleteSubKey(QStringLiteral("child")), 0);
    EXPECT_NE(key.deleteSubKey(QStringLiteral("child")), 0);
    ASSERT_TRUE(key.firstSubKey(name));
    EXPECT_EQ(name, QStringLiteral("Other"));
    EXPECT_FALSE(key.nextSubKey(name));
    ASSERT_TRUE(key.firstValue(name));
    EXPECT_EQ(name, QStringLiteral("a"));
    EXPECT_FALSE(key.nextValue(name));
}

TEST(SettingsWithoutStore, AKeyThatCannotOpenBehavesAsEmpty)
{
    RegKey::setStore(nullptr);
    RegKey key(Hive::CurrentUser, Settings::keyPath());
    EXPECT_FALSE(key.isOpen());
    EXPECT_EQ(key.readDword(QStringLiteral("SortMode"), 7), 7u);
    EXPECT_EQ(key.readString(QStringLiteral("x"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_FALSE(key.writeDword(QStringLiteral("SortMode"), 1));
    QString name;
    EXPECT_FALSE(key.firstValue(name));
    EXPECT_FALSE(key.firstSubKey(name));

    Settings settings;
    settings.sortMode = 9;
    settings.load();
    EXPECT_EQ(settings.sortMode, 0);
    EXPECT_TRUE(settings.marksInBold);
    EXPECT_EQ(settings.checkZipAssociation, 1);
    settings.save();  // must not crash
}

}  // namespace
