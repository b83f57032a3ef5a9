// Reading and writing through RegKey: which defaults are written back, how values of another
// type read, and enumeration and deletion in the order of creation.
#include "TemporaryRegistry.h"
#include "settings/RegKey.h"
#include "settings/SettingsSchema.h"

#include <QStringList>

#include <gtest/gtest.h>

using platform::Hive;

namespace {

class RegKeyTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_registry.isOpen()); }

    platform::RegValue raw(const QString& keyPath, const QString& name) { return m_registry.raw(keyPath, name); }
    void putRaw(const QString& keyPath, const QString& name, const platform::RegValue& value)
    {
        m_registry.putRaw(keyPath, name, value);
    }

    TemporaryRegistry m_registry;
};

const QString Key = SettingsSchema::Program.fullPath();

TEST_F(RegKeyTest, DefaultsAreWrittenBackOnlyWhenTheyShouldBe)
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

TEST_F(RegKeyTest, StringReadsStopAtTheFirstNulWhateverTheType)
{
    putRaw(Key, QStringLiteral("Cut"), {platform::RegType::Binary, QByteArray("a\0b\0\0\0c\0", 8)});
    putRaw(Key, QStringLiteral("Unterminated"), {platform::RegType::String, QByteArray("h\0i\0", 4)});
    putRaw(Key, QStringLiteral("Odd"), {platform::RegType::String, QByteArray("h\0i", 3)});
    RegKey key(Hive::CurrentUser, Key);
    EXPECT_EQ(key.readString(QStringLiteral("Cut")), QStringLiteral("ab"));
    EXPECT_EQ(key.readString(QStringLiteral("Unterminated")), QStringLiteral("hi"));
    EXPECT_EQ(key.readString(QStringLiteral("Odd")), QStringLiteral("h"));
}

TEST_F(RegKeyTest, EnumerationAndDeletion)
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
    EXPECT_EQ(key.subKeyNames(), subKeys);

    EXPECT_TRUE(key.deleteValue(QStringLiteral("B")));
    EXPECT_FALSE(key.deleteValue(QStringLiteral("missing")));
    EXPECT_EQ(key.deleteSubKey(QStringLiteral("child")), 0);
    EXPECT_NE(key.deleteSubKey(QStringLiteral("child")), 0);
    ASSERT_TRUE(key.firstSubKey(name));
    EXPECT_EQ(name, QStringLiteral("Other"));
    EXPECT_FALSE(key.nextSubKey(name));
    EXPECT_EQ(key.subKeyNames(), QStringList({QStringLiteral("Other")}));
    ASSERT_TRUE(key.firstValue(name));
    EXPECT_EQ(name, QStringLiteral("a"));
    EXPECT_FALSE(key.nextValue(name));
}

}  // namespace
