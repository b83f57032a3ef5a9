// The favorites list as the registry keeps it: numbered values in list order, rewritten at once
// after every change, with gaps closed and values of other names left alone.
#include "TemporaryRegistry.h"

#include "favorites/Favorites.h"
#include "settings/RegKey.h"
#include "settings/Settings.h"

#include <gtest/gtest.h>

namespace {

const QString Key = QStringLiteral("Software\\Corvane\\Fennick\\Favorites");

class FavoritesTest : public ::testing::Test {
protected:
    void put(const char* name, const char* path)
    {
        registry.putRaw(Key, QString::fromUtf8(name),
                        {platform::RegType::String, RegKey::encodeString(QString::fromUtf8(path))});
    }
    // The key's values as "name=text", sorted.
    std::string stored()
    {
        RegKey key(platform::Hive::CurrentUser, Key);
        QStringList values;
        QString name;
        for (bool more = key.firstValue(name); more; more = key.nextValue(name))
            values << name + u'=' + key.readString(name, QStringLiteral(""));
        values.sort();
        return values.join(u' ').toStdString();
    }
    std::string listed() { return Favorites(settings.favorites).paths().join(u' ').toStdString(); }

    TemporaryRegistry registry;
    Settings settings;
};

TEST_F(FavoritesTest, AddRemoveAndMoveRewriteTheNumberedValues)
{
    settings.load();
    Favorites favorites(settings.favorites);
    favorites.add(QStringLiteral("\\A"));
    EXPECT_EQ(stored(), "Favorite0=\\A");
    favorites.add(QStringLiteral("\\B"));
    favorites.add(QStringLiteral("\\C"));
    favorites.add(QStringLiteral("\\A"));  // the same place twice is listed twice
    EXPECT_EQ(listed(), "\\A \\B \\C \\A");
    favorites.remove(1);
    EXPECT_EQ(stored(), "Favorite0=\\A Favorite1=\\C Favorite2=\\A");
    favorites.swap(0, 1);
    EXPECT_EQ(stored(), "Favorite0=\\C Favorite1=\\A Favorite2=\\A");
    favorites.remove(7);   // no such favorite: nothing changes
    favorites.swap(2, 3);
    EXPECT_EQ(stored(), "Favorite0=\\C Favorite1=\\A Favorite2=\\A");
    // What is stored is what the next start lists.
    Settings again;
    again.load();
    EXPECT_EQ(Favorites(again.favorites).paths().join(u' ').toStdString(), "\\C \\A \\A");
}

TEST_F(FavoritesTest, GapsAndForeignValuesAreListedInOrderAndLeftAlone)
{
    put("Favorite2", "\\Two");
    put("Other", "\\Foreign");
    put("Favorite0", "\\Zero");
    put("Favorite01", "\\Padded");
    put("Favorite5", "");            // an emptied favorite is not loaded
    put("Favorite99999999999", "\\Huge");
    settings.load();
    EXPECT_EQ(listed(), "\\Zero \\Two");
    Favorites(settings.favorites).add(QStringLiteral("\\New"));
    EXPECT_EQ(stored(), "Favorite01=\\Padded Favorite0=\\Zero Favorite1=\\Two Favorite2=\\New Favorite5= "
                        "Favorite99999999999=\\Huge Other=\\Foreign");
    EXPECT_EQ(listed(), "\\Zero \\Two \\New");
}

}  // namespace
