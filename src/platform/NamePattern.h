#pragma once

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

private:
    QString m_folded;  // the pattern, case-folded
    bool m_everything = false;
    bool m_wildcards = false;
};

}  // namespace platform
