#include "app/IpAddress.h"

#include <gtest/gtest.h>

namespace {

TEST(IpAddress, ReadsNumericAddressesOnlyAndKnowsTheLoopbackOnes)
{
    const struct {
        const char* text;
        const char* written;  // null: refused
        bool ipv6;
        bool loopback;
    } rows[] = {
        {"127.0.0.1", "127.0.0.1", false, true},
        {"127.200.3.4", "127.200.3.4", false, true},
        {"128.0.0.1", "128.0.0.1", false, false},
        {"0.0.0.0", "0.0.0.0", false, false},
        {"::1", "::1", true, true},
        {"::ffff:127.0.0.1", "::ffff:127.0.0.1", true, true},
        {"::ffff:10.0.0.1", "::ffff:10.0.0.1", true, false},
        {"FE80::0001", "fe80::1", true, false},
        {"::", "::", true, false},
        {"localhost", nullptr, false, false},
        {"127.0.0.256", nullptr, false, false},
        {"::1::2", nullptr, false, false},
        {"[::1]", nullptr, false, false},
        {"", nullptr, false, false},
    };
    for (const auto& row : rows) {
        IpAddress address;
        const bool read = address.parse(QString::fromUtf8(row.text));
        EXPECT_EQ(read, row.written != nullptr) << row.text;
        EXPECT_EQ(address.isNull(), !read) << row.text;
        EXPECT_EQ(address.toString(), row.written ? QString::fromUtf8(row.written) : QString()) << row.text;
        EXPECT_EQ(address.isIpv6(), row.ipv6) << row.text;
        EXPECT_EQ(address.isLoopback(), row.loopback) << row.text;
    }
}

}  // namespace
