#include "platform/NamePattern.h"
#include "platform/PhonePath.h"

#include <gtest/gtest.h>

using platform::NamePattern;
using platform::PathMapper;
namespace PhonePath = platform::PhonePath;

namespace {

TEST(NamePattern, MatchesLikeThePhone)
{
    const struct { const char* pattern; const char* name; bool matches; } cases[] = {
        {"*.*", "README", true},       // every name, with a dot or without
        {"*.*", "a.b.c", true},
        {"*", ".hidden", true},
        {"*.txt", "Notes.TXT", true},  // letters without regard to case
        {"*.txt", "notes.txt.bak", false},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"a?c", "abbc", false},
        {"*b*", "abc", true},
        {"*b*", "ac", false},
        {"a*b*c", "aXbYbZc", true},
        {"a*b*c", "aXbYbZ", false},
        {"report", "REPORT", true},
        {"report", "report1", false},
        {"*.jpeg", "\u00c9T\u00c9.JPEG", true},
        {"?", "", false},
        {"*", "", true},
    };
    for (const auto& row : cases) {
        const NamePattern pattern(QString::fromUtf8(row.pattern));
        EXPECT_EQ(pattern.matches(QString::fromUtf8(row.name)), row.matches) << row.pattern << " ~ " << row.name;
    }
    EXPECT_FALSE(NamePattern(QStringLiteral("abc")).hasWildcards());
    EXPECT_TRUE(NamePattern(QStringLiteral("a?c")).hasWildcards());
}

TEST(PhonePath, SplitJoinAndRelations)
{
    EXPECT_EQ(PhonePath::splitLast(QStringLiteral("\\A\\b.txt")).folder, QStringLiteral("\\A"));
    EXPECT_EQ(PhonePath::splitLast(QStringLiteral("\\A\\b.txt")).name, QStringLiteral("b.txt"));
    EXPECT_EQ(PhonePath::splitLast(QStringLiteral("\\b.txt")).folder, QString());
    EXPECT_EQ(PhonePath::splitLast(QStringLiteral("b.txt")).name, QStringLiteral("b.txt"));
    EXPECT_EQ(PhonePath::join(QString(), QStringLiteral("b")), QStringLiteral("\\b"));
    EXPECT_EQ(PhonePath::join(QStringLiteral("\\"), QStringLiteral("b")), QStringLiteral("\\b"));
    EXPECT_EQ(PhonePath::join(QStringLiteral("\\A"), QStringLiteral("b")), QStringLiteral("\\A\\b"));

    const struct { const char* path; const char* folder; bool inside; } relations[] = {
        {"\\A\\B", "\\A", true},
        {"\\a\\B\\c", "\\A", true},      // case does not matter
        {"\\AB", "\\A", false},          // a longer name is not inside
        {"\\A", "\\A", false},           // nothing lies inside itself
        {"\\A\\B", "\\", true},
        {"\\Storage\\Docs2\\x", "\\Storage\\Docs", false},
    };
    for (const auto& row : relations)
        EXPECT_EQ(PhonePath::liesInside(QString::fromUtf8(row.path), QString::fromUtf8(row.folder)), row.inside)
            << row.path << " in " << row.folder;
    EXPECT_TRUE(PhonePath::equals(QStringLiteral("\\Storage\\A.TXT"), QStringLiteral("\\storage\\a.txt")));
    EXPECT_FALSE(PhonePath::equals(QStringLiteral("\\Storage\\A"), QStringLiteral("\\Storage\\A\\")));
}

TEST(PathMapper, MapsUnderTheRootAndRefusesEscapes)
{
    const PathMapper mapper("/srv/phone/");
    EXPECT_EQ(mapper.toHost(QStringLiteral("\\")), QByteArray("/srv/phone"));
    EXPECT_EQ(mapper.toHost(QString()), QByteArray("/srv/phone"));
    EXPECT_EQ(mapper.toHost(QStringLiteral("\\My Documents\\a.txt")), QByteArray("/srv/phone/My Documents/a.txt"));
    EXPECT_EQ(mapper.fromHost("/srv/phone/My Documents/a.txt"), QStringLiteral("\\My Documents\\a.txt"));
    EXPECT_EQ(mapper.fromHost("/srv/phone"), QStringLiteral("\\"));
    EXPECT_EQ(mapper.fromHost("/srv/phone2/x"), QString());
    for (const char* bad : {"\\..\\etc", "\\a\\..\\..\\b", "\\a\\.\\b", "\\a\\\\b", "\\a/b"})
        EXPECT_TRUE(mapper.toHost(QString::fromUtf8(bad)).isEmpty()) << bad;
    EXPECT_EQ(PathMapper("/").toHost(QStringLiteral("\\etc")), QByteArray("/etc"));
}

TEST(PathMapper, OddHostNamesRoundTripExactly)
{
    const QByteArray names[] = {
        "plain.txt",
        "with space",
        "back\\slash",
        "latin1-\xe9t\xe9",                 // not UTF-8
        "cut-\xe2\x82",                     // a truncated UTF-8 sequence
        "\xc0\xaf-overlong",                // an overlong "/" that must not become one
        "\xed\xa0\x80-surrogate",           // an encoded surrogate
        "\xef\x9c\x81-private-use",         // U+F701 already in the name
        "\xed\x95\x9c\xea\xb8\x80.zip",    // Hangul
        "\xff\xfe",
    };
    for (const QByteArray& host : names) {
        const QString phone = PathMapper::nameFromHost(host);
        EXPECT_FALSE(phone.contains(u'\\')) << host.toHex().constData();
        EXPECT_EQ(PathMapper::nameToHost(phone), host) << host.toHex().constData();
    }
    // Valid UTF-8 without a backslash shows as itself.
    EXPECT_EQ(PathMapper::nameFromHost("\xed\x95\x9c\xea\xb8\x80.zip"), QStringLiteral("\ud55c\uae00.zip"));
    // Two different host names never share a phone name.
    EXPECT_NE(PathMapper::nameFromHost("\xef\x9c\x81"), PathMapper::nameFromHost("\x01"));
    // A phone name whose escapes would make a "/" or a NUL has no host form.
    EXPECT_TRUE(PathMapper::nameToHost(QString(QChar(0xF72F))).isEmpty());
    EXPECT_TRUE(PathMapper::nameToHost(QString(QChar(0xF700))).isEmpty());
}

}  // namespace
