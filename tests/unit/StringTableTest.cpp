#include "resources/StringTable.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

TEST(StringTable, HoldsTheTextsAsTheyAlwaysRead)
{
    const struct { int id; const char16_t* text; } cases[] = {
        {Str::ErrorCaption, u"An error occured"},
        {Str::Confirm, u"Confirm"},
        {Str::DeselectItem, u"Deselect item\t*"},
        {Str::SizeKilobytes, u"%.1f KB"},
        {Str::ResetViewQuestion, u"The whole view will be resetted for the change to take effect. Are you sure you "
                                 u"want to change this setting?"},
        {Str::CryptFailed, u"An error occured while crypting the file. Please verifiy that you have read access to the "
                           u"source file."},
        {Str::TemporaryArchiveInSelection, u"The temporary archive is created in \\Storage\\Application Data\\Volatile "
                                           u"folder. You can't have this folder in the selection!"},
        {Str::AppTitle, u"Fennick"},
    };
    for (const auto& row : cases)
        EXPECT_EQ(Str::text(row.id), QString::fromUtf16(row.text)) << row.id;
    EXPECT_TRUE(Str::text(1).isEmpty());
    EXPECT_FALSE(Str::has(1));
}

TEST(StringTable, NumbersAreSortedUniqueAndPlacesWellFormed)
{
    const QList<int> ids = Str::ids();
    for (qsizetype i = 1; i < ids.size(); ++i)
        EXPECT_LT(ids.at(i - 1), ids.at(i));
    static const QRegularExpression place(QStringLiteral("%(?!s|d|\\.1f|\\.2f|%)"));
    for (int id : ids)
        EXPECT_FALSE(place.match(Str::text(id)).hasMatch()) << id << " " << Str::text(id).toStdString();
}

TEST(StringTable, FillsPlacesOnceFromLeftToRight)
{
    EXPECT_EQ(Str::arg(Str::OpenFailed, QStringLiteral("100%s %d.txt")),
              QStringLiteral("Unable to open the file. The system returned the error '100%s %d.txt'!"));
    EXPECT_EQ(Str::argInts(Str::FolderCounts, 3, 5), QStringLiteral("Fold.: 3, Files: 5"));
    EXPECT_EQ(Str::argInt(Str::SizeBytes, 1023), QStringLiteral("1023 B"));
    EXPECT_EQ(Str::argReal(Str::SizeKilobytes, 1024.0), QStringLiteral("1024.0 KB"));
    EXPECT_EQ(Str::argReal(Str::SizeMegabytes, 1.0000009), QStringLiteral("1.00 MB"));
    EXPECT_EQ(Str::argInt(Str::FoundItems, 0), QStringLiteral("Found 0 item(s)"));
}

}  // namespace
