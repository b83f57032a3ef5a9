#include "platform/PhonePath.h"

#include <gtest/gtest.h>

#include <random>

using platform::PathMapper;
namespace PhonePath = platform::PhonePath;

namespace {

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

TEST(PhonePath, SplitAndJoin)
{
    const struct { const char* path; const char* folder; const char* name; } splits[] = {
        {"\\A\\b.txt", "\\A", "b.txt"},
        {"\\b.txt", "", "b.txt"},        // a root entry: the folder is the root's empty path
        {"b.txt", "", "b.txt"},          // no "\": all name
        {"\\A\\B\\", "\\A\\B", ""},
        {"\\", "", ""},
    };
    for (const auto& row : splits) {
        const PhonePath::Split split = PhonePath::splitLast(text(row.path));
        EXPECT_EQ(split.folder, text(row.folder)) << row.path;
        EXPECT_EQ(split.name, text(row.name)) << row.path;
    }
    const struct { const char* folder; const char* name; const char* joined; } joins[] = {
        {"", "b", "\\b"},
        {"\\", "b", "\\b"},
        {"\\A", "b", "\\A\\b"},
        {"\\A\\", "b", "\\A\\b"},
    };
    for (const auto& row : joins)
        EXPECT_EQ(PhonePath::join(text(row.folder), text(row.name)), text(row.joined)) << row.folder << " + " << row.name;
}

TEST(PhonePath, EqualsAndLiesInsideIgnoreCase)
{
    const struct { const char* path; const char* folder; bool inside; } relations[] = {
        {"\\A\\B", "\\A", true},
        {"\\a\\B\\c", "\\A", true},          // any depth, any case
        {"\\A\\B", "\\a\\", true},
        {"\\AB", "\\A", false},              // a longer name is not inside
        {"\\A", "\\A", false},               // nothing lies inside itself
        {"\\a", "\\A", false},
        {"\\A", "\\A\\B", false},
        {"\\A\\B", "\\", true},              // the root, either way it is written
        {"\\A\\B", "", true},
        {"\\", "\\", false},
        {"\\Storage\\Docs2\\x", "\\Storage\\Docs", false},
        {"\\storage\\docs\\sub", "\\Storage\\Docs", true},
        {"\\\u00c4rger\\x", "\\\u00e4rger", true},
    };
    for (const auto& row : relations)
        EXPECT_EQ(PhonePath::liesInside(text(row.path), text(row.folder)), row.inside) << row.path << " in " << row.folder;

    const struct { const char* a; const char* b; bool equal; } equalities[] = {
        {"\\Storage\\A.TXT", "\\storage\\a.txt", true},
        {"\\\u00c4", "\\\u00e4", true},
        {"\\Storage\\A", "\\Storage\\A\\", false},  // whole paths, as written
        {"\\Storage\\A", "\\Storage\\AB", false},
        {"", "", true},
    };
    for (const auto& row : equalities)
        EXPECT_EQ(PhonePath::equals(text(row.a), text(row.b)), row.equal) << row.a << " = " << row.b;
}

TEST(PathMapper, MapsUnderTheRootAndRefusesEscapes)
{
    const PathMapper mapper("/srv/phone/");
    const struct { const char* phone; const char* host; } mapped[] = {
        {"\\", "/srv/phone"},
        {"", "/srv/phone"},
        {"\\My Documents\\a.txt", "/srv/phone/My Documents/a.txt"},
        {"\\a\\", "/srv/phone/a"},
        {"\\...", "/srv/phone/..."},         // only "." and ".." are special
        {"\\a..b\\.c", "/srv/phone/a..b/.c"},
    };
    for (const auto& row : mapped)
        EXPECT_EQ(mapper.toHost(text(row.phone)), QByteArray(row.host)) << row.phone;

    const QString refused[] = {
        text("\\..\\etc"),
        text("\\a\\..\\..\\b"),
        text("\\a\\.."),
        text("\\."),
        text("\\a\\.\\b"),
        text("\\a\\\\b"),                     // an empty name in the middle
        text("\\\\"),
        text("\\a/b"),                        // "/" inside a name
        text("\\a/..\\b"),
        QStringLiteral("\\a") + QChar(0) + QStringLiteral("b"),  // NUL inside a name
        QStringLiteral("\\") + QChar(0xF72F) + QStringLiteral("etc"),  // an escape that spells "/"
        QStringLiteral("\\") + QChar(0xF72E) + QChar(0xF72E),     // escapes that spell ".."
        QStringLiteral("\\a") + QChar(0xF700),                    // an escape that spells NUL
    };
    for (const QString& path : refused)
        EXPECT_TRUE(mapper.toHost(path).isEmpty()) << path.toStdString();

    EXPECT_EQ(mapper.fromHost("/srv/phone/My Documents/a.txt"), QStringLiteral("\\My Documents\\a.txt"));
    EXPECT_EQ(mapper.fromHost("/srv/phone"), QStringLiteral("\\"));
    EXPECT_EQ(mapper.fromHost("/srv/phone/"), QStringLiteral("\\"));
    EXPECT_EQ(mapper.fromHost("/srv/phone2/x"), QString());
    EXPECT_EQ(mapper.fromHost("/srv/phone/../etc"), QString());
    EXPECT_EQ(mapper.fromHost("/srv"), QString());
    EXPECT_EQ(PathMapper("/").toHost(QStringLiteral("\\etc")), QByteArray("/etc"));
    EXPECT_EQ(PathMapper("/").fromHost("/etc/x"), QStringLiteral("\\etc\\x"));
    EXPECT_EQ(PathMapper("").hostRoot(), QByteArray("/"));
}

TEST(PathMapper, OddHostNamesRoundTripExactly)
{
    const struct { QByteArray host; const char* phone; } names[] = {
        {"plain.txt", "plain.txt"},
        {"with space", "with space"},
        {" leading and trailing ", " leading and trailing "},
        {"\xed\x95\x9c\xea\xb8\x80.zip", "\ud55c\uae00.zip"},        // Hangul shows as itself
        {"back\\slash", "back\uf75cslash"},                          // "\" cannot be in a phone name
        {"\\", "\uf75c"},
        {"latin1-\xe9t\xe9", "latin1-\uf7e9t\uf7e9"},               // not UTF-8: byte by byte
        {"cut-\xe2\x82", "cut-\uf7e2\uf782"},                        // a truncated sequence
        {"\xc0\xaf-overlong", "\uf7c0\uf7af-overlong"},              // an overlong "/" stays bytes
        {"\xed\xa0\x80-surrogate", "\uf7ed\uf7a0\uf780-surrogate"},  // an encoded surrogate
        {"\xf4\x90\x80\x80", "\uf7f4\uf790\uf780\uf780"},            // beyond U+10FFFF
        {"\xef\x9c\x81-private-use", "\uf7ef\uf79c\uf781-private-use"},  // U+F701 is escaped too
        {"\xef\x9f\xbf", "\uf7ef\uf79f\uf7bf"},                      // U+F7FF, the last of the range
        {"\xef\xa0\x80", "\uf800"},                                  // U+F800 is just after it
        {"\xf0\x9f\x98\x80.png", "\U0001F600.png"},                  // outside the BMP
        {"\xff\xfe", "\uf7ff\uf7fe"},
    };
    for (const auto& row : names) {
        const QString phone = PathMapper::nameFromHost(row.host);
        EXPECT_EQ(phone, text(row.phone)) << row.host.toHex().constData();
        EXPECT_EQ(PathMapper::nameToHost(phone), row.host) << row.host.toHex().constData();
    }
    // Two host names never share a phone name, even when one spells the other's escapes.
    EXPECT_NE(PathMapper::nameFromHost("\xef\x9c\x81"), PathMapper::nameFromHost("\x01"));

    // Whole paths too, through the root.
    const PathMapper mapper("/srv/phone");
    for (const auto& row : names) {
        const QByteArray host = "/srv/phone/dir \xe9/" + row.host;
        const QString phone = mapper.fromHost(host);
        ASSERT_FALSE(phone.isEmpty()) << row.host.toHex().constData();
        EXPECT_EQ(mapper.toHost(phone), host) << row.host.toHex().constData();
    }
}

// Every host name (any bytes but "/" and NUL) comes back byte for byte: all names of one and
// two bytes, and a fixed sample of longer ones weighted towards the bytes that need care.
TEST(PathMapper, EveryHostByteStringRoundTrips)
{
    std::vector<QByteArray> hosts;
    for (int a = 1; a < 256; ++a) {
        if (a == '/')
            continue;
        hosts.emplace_back(1, static_cast<char>(a));
        for (int b = 1; b < 256; ++b)
            if (b != '/')
                hosts.push_back(QByteArray(1, static_cast<char>(a)) + static_cast<char>(b));
    }
    std::mt19937 random(20261210);
    const unsigned char interesting[] = {'\\', 'a', ' ', '.', 0x80, 0xbf, 0xc2, 0xe2, 0xed, 0xef, 0x9c, 0x9f, 0xf0, 0xf4, 0xff};
    for (int i = 0; i < 20000; ++i) {
        QByteArray name;
        const int length = 1 + static_cast<int>(random() % 12);
        for (int k = 0; k < length; ++k) {
            const unsigned pick = random() % 3 == 0 ? 1 + random() % 255 : interesting[random() % sizeof interesting];
            name.append(pick == '/' ? 'x' : static_cast<char>(pick));
        }
        hosts.push_back(name);
    }
    int failures = 0;
    for (const QByteArray& host : hosts) {
        const QString phone = PathMapper::nameFromHost(host);
        const bool ok = !phone.contains(u'\\') && PathMapper::nameToHost(phone) == host;
        if (!ok && ++failures <= 10)
            ADD_FAILURE() << "host name " << host.toHex().constData() << " does not come back";
    }
    EXPECT_EQ(failures, 0);
}

// Only names that some host name maps to have a host form; anything else would let two phone
// names stand for one host item, or lose characters on the way.
TEST(PathMapper, PhoneNamesWithoutAHostFormAreRefused)
{
    const QString refused[] = {
        QString(QChar(0xF741)),                                 // an escaped "A", which needs none
        QStringLiteral("x") + QChar(0xF7C3) + QChar(0xF7A9),    // escaped UTF-8 of "é", which needs none
        QStringLiteral("a\\b"),                                 // a "\" is the separator
        QString(QChar(0xD800)),                                 // an unpaired surrogate
        QStringLiteral("a") + QChar(0xDC00),
        QString(QChar(0xF72F)),                                 // "/"
        QString(QChar(0xF700)),                                 // NUL
        QString(),
    };
    for (const QString& name : refused)
        EXPECT_TRUE(PathMapper::nameToHost(name).isEmpty()) << name.toStdString();
    // What a phone user may type maps as UTF-8.
    EXPECT_EQ(PathMapper::nameToHost(QStringLiteral("\u00e9t\u00e9 \ud55c.txt")), QByteArray("\xc3\xa9t\xc3\xa9 \xed\x95\x9c.txt"));
}

}  // namespace
