// Every size text of every screen, from one table: the thresholds of each set of units, single
// precision where the phone's screens used it, and 64-bit sizes that do not wrap at 4 GiB.
#include "resources/SizeText.h"

#include <QLocale>

#include <gtest/gtest.h>

namespace {

TEST(SizeText, EachScreensUnitsAndThresholds)
{
    using enum SizeUnits;
    const struct { SizeUnits units; qint64 bytes; const char* text; } cases[] = {
        // The bands and the status line (and a folder's total on the properties page).
        {Band, 0, "0 B"}, {Band, 1023, "1023 B"}, {Band, 1024, "1.0 KB"}, {Band, 1048576, "1024.0 KB"},
        {Band, 1048577, "1.00 MB"}, {Band, 5368709120LL, "5120.00 MB"},
        // A file on the properties page.
        {File, 0, "0 bytes"}, {File, 1023, "1023 bytes"}, {File, 1024, "1.0 KB"}, {File, 1048576, "1024.0 KB"},
        {File, 1048577, "1.00 MB"}, {File, 5368709120LL, "5120.00 MB"},
        // The zip progress page counts one byte further in bytes.
        {ZipProgress, 1023, "1023 B"}, {ZipProgress, 1024, "1024 B"}, {ZipProgress, 1025, "1.0 KB"},
        {ZipProgress, 1048576, "1024.0 KB"}, {ZipProgress, 1048577, "1.00 MB"},
        // Single precision: 16777217 bytes are 16777216 as a float, so 16.00 and not 16.00000095.
        {ZipProgress, 16777217, "16.00 MB"}, {ZipProgress, 5368709120LL, "5120.00 MB"},
        // The sending and receiving pages.
        {Transfer, 0, "0 bytes"}, {Transfer, 1023, "1023 bytes"}, {Transfer, 1024, "1.0 Kb"}, {Transfer, 1536, "1.5 Kb"},
        {Transfer, 1048576, "1024.0 Kb"}, {Transfer, 1048577, "1.00 Mb"}, {Transfer, 268435456, "256.00 Mb"},
        {Transfer, 5368709120LL, "5120.00 Mb"},
    };
    for (const auto& row : cases)
        EXPECT_EQ(sizeText(row.bytes, row.units), QString::fromUtf8(row.text))
            << row.bytes << " in units " << static_cast<int>(row.units);
    EXPECT_EQ(sizeText(1023), QStringLiteral("1023 B")) << "the bands' units are the default";
}

TEST(SizeText, ProgressPagesCountUpToTerabytesInTheLocalesForm)
{
    const QLocale before;
    QLocale::setDefault(QLocale::c());
    const struct { qint64 bytes; const char* text; } cases[] = {
        {1023, "1023 bytes"}, {1536, "1.50 kB"}, {3 * 1048576LL / 2, "1.50 MB"}, {5368709120LL, "5.00 GB"},
        {3LL << 40, "3.00 TB"},
    };
    for (const auto& row : cases)
        EXPECT_EQ(sizeText(row.bytes, SizeUnits::Progress), QString::fromUtf8(row.text)) << row.bytes;
    QLocale::setDefault(before);
}

}  // namespace
