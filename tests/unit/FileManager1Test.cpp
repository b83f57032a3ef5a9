#include "app/FileManager1.h"

#include <gtest/gtest.h>

namespace {

TEST(FileManager1, OnlyFileUrisUnderTheRootHaveAPhonePath)
{
    const platform::PathMapper mapper(QByteArrayLiteral("/home/ann/phone"));
    const struct {
        const char* uri;
        const char* phonePath;  // empty: refused
    } cases[] = {
        {"file:///home/ann/phone/Docs/a%20b.txt", "\\Docs\\a b.txt"},
        {"file://localhost/home/ann/phone/Docs", "\\Docs"},
        {"FILE:///home/ann/phone/Docs/", "\\Docs"},
        {"file:///home/ann/phone", "\\"},
        {"file:///home/ann/phone/%C3%A9t%C3%A9.txt", "\\\u00e9t\u00e9.txt"},
        {"file:///home/ann/phoneX/a.txt", ""},  // a neighbour whose name starts the same
        {"file:///home/ann/phone/../secret", ""},
        {"file:///home/ann/phone/a%2F..%2F..%2Fb", ""},
        {"file:///home/ann/phone/a%00b", ""},
        {"file:///home/ann/phone/a.txt?x=1", ""},
        {"file://otherhost/home/ann/phone/a.txt", ""},
        {"smb://server/home/ann/phone/a.txt", ""},
        {"/home/ann/phone/a.txt", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FileManager1::phonePathOf(QString::fromUtf8(c.uri), mapper), QString::fromUtf8(c.phonePath)) << c.uri;
}

}  // namespace
