// The size text of the bands: bytes, then kilobytes with one decimal, then megabytes with two.
#include "tree/SizeText.h"

#include <gtest/gtest.h>

namespace {

TEST(SizeText, ThresholdsAndSixtyFourBits)
{
    const struct { qint64 bytes; const char* text; } cases[] = {
        {0, "0 B"}, {1023, "1023 B"}, {1024, "1.0 KB"}, {1048576, "1024.0 KB"}, {1048577, "1.00 MB"},
        {5368709120LL, "5120.00 MB"},  // 5 GiB: no wrap at 32 bits
    };
    for (const auto& row : cases)
        EXPECT_EQ(sizeText(row.bytes), QString::fromUtf8(row.text)) << row.bytes;
}

}  // namespace
