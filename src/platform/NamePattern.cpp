#include "platform/NamePattern.h"

#include <algorithm>

namespace platform {

namespace {

// The number of UTF-16 units of the character at `i`: 2 for a surrogate pair, else 1.
qsizetype characterLength(const QString& text, qsizetype i)
{
    return text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate() ? 2 : 1;
}

}  // namespace

NamePattern::NamePattern(const QString& pattern)
    : m_folded(pattern.toCaseFolded()),
      m_everything(pattern == u"*" || pattern == u"*.*"),
      m_wildcards(pattern.contains(u'*') || pattern.contains(u'?'))
{
    m_ascii = std::all_of(m_folded.cbegin(), m_folded.cend(), [](QChar c) { return c.unicode() < 0x80; });
    if (m_ascii)
        m_asciiFolded = m_folded.toLatin1();
}

bool NamePattern::matches(const QString& name) const
{
    if (m_everything)
        return true;
    const QString folded = name.toCaseFolded();
    // Greedy matching with one back-track point, the last "*": a later "*" can always take
    // over what an earlier one would have matched, so the work stays linear in practice and
    // is never exponential. "?" takes one character, which may be two UTF-16 units.
    qsizetype p = 0, n = 0, starAt = -1, resumeAt = 0;
    while (n < folded.size()) {
        if (p < m_folded.size() && m_folded.at(p) == u'?') {
            ++p;
            n += characterLength(folded, n);
        } else if (p < m_folded.size() && m_folded.at(p) != u'*' && m_folded.at(p) == folded.at(n)) {
            ++p;
            ++n;
        } else if (p < m_folded.size() && m_folded.at(p) == u'*') {
            starAt = p++;
            resumeAt = n;
        } else if (starAt >= 0) {
            // The "*" takes one more character, never half of a surrogate pair.
            resumeAt += characterLength(folded, resumeAt);
            p = starAt + 1;
            n = resumeAt;
        } else {
            return false;
        }
    }
    while (p < m_folded.size() && m_folded.at(p) == u'*')
        ++p;
    return p == m_folded.size();
}

bool NamePattern::matchesAscii(const char* name, qsizetype length) const
{
    if (m_everything)
        return true;
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; };
    const char* pattern = m_asciiFolded.constData();
    const qsizetype patternLength = m_asciiFolded.size();
    // The same greedy walk as matches(), a byte a character.
    qsizetype p = 0, n = 0, starAt = -1, resumeAt = 0;
    while (n < length) {
        if (p < patternLength && pattern[p] == '?') {
            ++p;
            ++n;
        } else if (p < patternLength && pattern[p] != '*' && pattern[p] == lower(name[n])) {
            ++p;
            ++n;
        } else if (p < patternLength && pattern[p] == '*') {
            starAt = p++;
            resumeAt = n;
        } else if (starAt >= 0) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < patternLength && pattern[p] == '*')
        ++p;
    return p == patternLength;
}

}  // namespace platform
