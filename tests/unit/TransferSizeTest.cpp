#include "transfer/TransferSize.h"

#include <gtest/gtest.h>

namespace {

TEST(TransferSize, BytesThenKbUpToOneMbInclusiveThenMb)
{
    const struct {
        qint64 bytes;
        const char* text;
    } cases[] = {
        {0, "0 bytes"},           {1023, "1023 bytes"},       {1024, "1.0 Kb"},
        {1536, "1.5 Kb"},         {1048576, "1024.0 Kb"},     {1048577, "1.00 Mb"},
        {268435456, "256.00 Mb"}, {5368709120, "5120.00 Mb"},
    };
    for (const auto& test : cases)
        EXPECT_EQ(transferSizeText(test.bytes).toStdString(), test.text) << test.bytes;
}

}  // namespace
