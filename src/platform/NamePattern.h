#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// The phone's name patterns: "*" matches any run of characters, "?" exactly one, letters
// match without regard to case, and "*.*" matches every name, with a dot or without.
class NamePattern {
public:
    explicit NamePattern(const QString& pattern);

    bool matchesEverything() const { return m_everything; }
    bool hasWildcards() const { return m_wildcards; }
    bool matches(const QString& name) const;

    // True when the pattern holds ASCII characters only. For such a pattern a name that is
    // ASCII too can be matched on its bytes, without making a string of it: no other
    // character folds to an ASCII one, so the answer is the same as from matches().
    bool isAscii() const { return m_ascii; }
    // The match of an ASCII name given as bytes; only for an ASCII pattern.
    bool matchesAscii(const char* name, qsizetype length) const;

private:
    QString m_folded;          // the pattern, case-folded
    QByteArray m_asciiFolded;  // the same as bytes, when the pattern is ASCII
    bool m_everything = false;
    bool m_wildcards = false;
    bool m_ascii = false;
};

}  // namespace platform
