#include "resources/StringTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

namespace {

// The places a text may hold: those the fill helpers know.
bool placesAreKnown(const QString& text)
{
    static const QStringView known[] = {u"%s", u"%d", u"%.1f", u"%.2f", u"%%"};
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != u'%')
            continue;
        const QStringView rest = QStringView(text).mid(i);
        const auto* match = std::find_if(std::begin(known), std::end(known),
                                         [&](QStringView place) { return rest.startsWith(place); });
        if (match == std::end(known))
            return false;
        i += match->size() - 1;
    }
    return true;
}

TEST(StringTable, HoldsTheTextsAsTheyAlwaysRead)
{
    const struct {
        int id;
        const char16_t* text;
    } cases[] = {
        {Str::ErrorCaption, u"An error occured"},
        {Str::Confirm, u"Confirm"},
        {Str::DeselectItem, u"Deselect item\t*"},
        {Str::TransferCancelled, u"Tranfer cancelled"},
        {Str::SizeKilobytes, u"%.1f KB"},
        {Str::ByBluetooth, u"%s by bluetooth"},
        {Str::InvalidName, u"The given name is not valid. File and folder names can't be empty and can't contain "
                           u"one of the following char : \\ / : * ? \" < > |"},
        {Str::FileCreationFailed, u"An error occured while creating the file. Destination may be read-only, the "
                                  u"memory can be full or a file with the same already exists at that location."},
        {Str::ResetViewQuestion, u"The whole view will be resetted for the change to take effect. Are you sure you "
                                 u"want to change this setting?"},
        {Str::CryptFailed, u"An error occured while crypting the file. Please verifiy that you have read access to "
                           u"the source file."},
        {Str::TemporaryArchiveInSelection, u"The temporary archive is created in \\Storage\\Application "
                                           u"Data\\Volatile folder. You can't have this folder in the selection!"},
        {Str::AppTitle, u"Fennick"},
    };
    for (const auto& row : cases) {
        EXPECT_TRUE(Str::has(row.id)) << row.id;
        EXPECT_EQ(Str::text(row.id), QString::fromUtf16(row.text)) << row.id;
    }
    for (int unknown : {-1, 0, 1, 183, 185, 40001}) {
        EXPECT_FALSE(Str::has(unknown)) << unknown;
        EXPECT_TRUE(Str::text(unknown).isEmpty()) << unknown;
        EXPECT_TRUE(Str::arg(unknown, QStringLiteral("x")).isEmpty()) << unknown;
    }
}

TEST(StringTable, NumbersAreSortedUniqueAndEveryTextWellFormed)
{
    const QList<int> ids = Str::ids();
    ASSERT_FALSE(ids.isEmpty());
    for (qsizetype i = 1; i < ids.size(); ++i)
        EXPECT_LT(ids.at(i - 1), ids.at(i));
    for (int id : ids) {
        const QString text = Str::text(id);
        EXPECT_TRUE(Str::has(id)) << id;
        EXPECT_FALSE(text.isEmpty()) << id;
        EXPECT_TRUE(placesAreKnown(text)) << id << " " << text.toStdString();
    }
}

TEST(StringTable, FillsPlacesOnceFromLeftToRight)
{
    const struct {
        QString filled;
        QString expected;
    } cases[] = {
        // An argument that looks like a place is inserted as it stands.
        {Str::arg(Str::OpenFailed, QStringLiteral("100%s %d %.1f %%.txt")),
         QStringLiteral("Unable to open the file. The system returned the error '100%s %d %.1f %%.txt'!")},
        {Str::arg(Str::ByBluetooth, QString()), QStringLiteral(" by bluetooth")},
        {Str::argInts(Str::FolderCounts, 3, 5), QStringLiteral("Fold.: 3, Files: 5")},
        {Str::argInts(Str::FolderCounts, -1, 4294967296), QStringLiteral("Fold.: -1, Files: 4294967296")},
        {Str::argInt(Str::SizeBytes, 1023), QStringLiteral("1023 B")},
        {Str::argInt(Str::FoundItems, 0), QStringLiteral("Found 0 item(s)")},
        // The precision written in the text decides the digits.
        {Str::argReal(Str::SizeKilobytes, 1024.0), QStringLiteral("1024.0 KB")},
        {Str::argReal(Str::SizeMegabytes, 1.0000009), QStringLiteral("1.00 MB")},
        {Str::argReal(Str::SizeMegabytes, 2.345678), QStringLiteral("2.35 MB")},
        {Str::argReal(Str::CardFree, 0.96), QStringLiteral("Free: 1.0 MB")},
        // A place of another kind, or one beyond the values given, stays as written.
        {Str::argInt(Str::FolderCounts, 7), QStringLiteral("Fold.: 7, Files: %d")},
        {Str::arg(Str::SizeBytes, QStringLiteral("x")), QStringLiteral("%d B")},
        {Str::argInt(Str::SearchInFolder, 1), QStringLiteral("Folder '%s'")},
        {Str::arg(Str::Confirm, QStringLiteral("x")), QStringLiteral("Confirm")},
    };
    for (const auto& row : cases)
        EXPECT_EQ(row.filled, row.expected);
}

}  // namespace
