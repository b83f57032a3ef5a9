#include "platform/NamePattern.h"

#include <gtest/gtest.h>

#include <algorithm>

using platform::NamePattern;

namespace {

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

// The matcher behind every enumeration: "\A\*.txt" lists with the name part of the path.
TEST(NamePattern, MatchesLikePhonePathSearches)
{
    const struct { const char* pattern; const char* name; bool matches; } cases[] = {
        {"*.*", "README", true},         // every name, with a dot or without
        {"*.*", "a.b.c", true},
        {"*.*", ".hidden", true},
        {"*", ".hidden", true},
        {"*", "", true},
        {"*.txt", "Notes.TXT", true},    // letters without regard to case
        {"*.TXT", "notes.txt", true},
        {"*.txt", "notes.txt.bak", false},
        {"*.txt", "txt", false},
        {"*.txt", ".txt", true},
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"a?c", "abbc", false},
        {"?", "", false},
        {"??", "a", false},
        {"*b*", "abc", true},
        {"*b*", "ac", false},
        {"a*b*c", "aXbYbZc", true},
        {"a*b*c", "aXbYbZ", false},
        {"*a", "baaa", true},            // the last "*" has to give back characters
        {"*ab", "aab", true},
        {"**x", "x", true},
        {"*?", "", false},
        {"report", "REPORT", true},      // no wildcard: the one name
        {"report", "report1", false},
        {"report", "xreport", false},
        {"*.jpeg", "\u00c9T\u00c9.JPEG", true},
        {"\u00e9t\u00e9", "\u00c9T\u00c9", true},   // case beyond ASCII
        {"?.png", "\U0001F600.png", true},  // "?" is one character, even outside the BMP
        {"??.png", "\U0001F600.png", false},
        {"*?x", "\U0001F600y", false},
        {"*b", "*ab", true},             // a "*" in a host name is just a character
        {"a\\*", "a*", false},           // no escapes: "\" is a character like any other
        // The patterns a search makes of what was typed: "abc" becomes "*abc*".
        {"*abc*", "xABCx", true},
        {"*abc*", "ab", false},
        {"*a?c*", "xabcx", true},        // "?" inside stars is still a wildcard
        {"*a?c*", "a?", false},
        {"***", "anything", true},       // only stars: every name
        {"???", "abc", true},            // only question marks: names of that length
        {"???", "ab", false},
        {"???", "abcd", false},
        {"k", "\u212a", true},           // the Kelvin sign folds to an ASCII letter
    };
    for (const auto& row : cases) {
        const NamePattern pattern(text(row.pattern));
        EXPECT_EQ(pattern.matches(text(row.name)), row.matches) << row.pattern << " ~ " << row.name;
        // A name and pattern of ASCII alone are also matched on their bytes, with the same answer.
        const QByteArray name(row.name);
        if (pattern.isAscii() && std::all_of(name.begin(), name.end(), [](char c) { return (c & 0x80) == 0; })) {
            EXPECT_EQ(pattern.matchesAscii(name.constData(), name.size()), row.matches) << row.pattern << " ~ " << row.name;
        }
    }
    EXPECT_FALSE(NamePattern(QStringLiteral("abc")).hasWildcards());
    EXPECT_TRUE(NamePattern(QStringLiteral("a?c")).hasWildcards());
    EXPECT_TRUE(NamePattern(QStringLiteral("*.*")).matchesEverything());
    EXPECT_FALSE(NamePattern(QStringLiteral("*.txt")).matchesEverything());
}

}  // namespace
