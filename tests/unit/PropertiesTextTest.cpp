// The size and time texts of the properties page.
#include "properties/PropertiesText.h"

#include <gtest/gtest.h>

namespace {

// A file's size is in SizeTextTest, with every other screen's.
TEST(PropertiesText, FolderSizes)
{
    const struct { qint64 files; qint64 bytes; const char* text; } folders[] = {
        {0, 0, "0 file(s), 0 B"}, {12, 3500, "12 file(s), 3.4 KB"}, {3, 1023, "3 file(s), 1023 B"},
        {2, 6442450944LL, "2 file(s), 6144.00 MB"},
    };
    for (const auto& row : folders)
        EXPECT_EQ(PropertiesText::folderSize(row.files, row.bytes), QString::fromUtf8(row.text)) << row.text;
}

TEST(PropertiesText, TimesInTheLocaleAndZoneWithSeconds)
{
    const qint64 moment = 1600000000000LL;  // 2020-09-13 12:26:40 UTC
    const struct { const char* locale; int offsetSeconds; qint64 time; const char* text; } cases[] = {
        {"en_US", 0, moment, "9/13/20 12:26:40 PM"},
        {"en_US", 3600, moment, "9/13/20 1:26:40 PM"},   // local time, not UTC
        {"de_DE", -7200, moment, "13.09.20 10:26:40"},
        {"de_DE", 0, moment + 999, "13.09.20 12:26:40"},      // milliseconds are not shown
        {"en_US", 0, 0, "Unknown"},                             // no birth time kept
    };
    for (const auto& row : cases)
        EXPECT_EQ(PropertiesText::time(row.time, QLocale(QString::fromLatin1(row.locale)),
                                       QTimeZone(row.offsetSeconds)),
                  QString::fromUtf8(row.text))
            << row.locale << " " << row.offsetSeconds;
}

}  // namespace
