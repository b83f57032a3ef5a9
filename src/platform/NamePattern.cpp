#include "platform/NamePattern.h"

namespace platform {

NamePattern::NamePattern(const QString& pattern)
    : m_folded(pattern.toCaseFolded()),
      m_everything(pattern == u"*" || pattern == u"*.*"),
      m_wildcards(pattern.contains(u'*') || pattern.contains(u'?'))
{
}

bool NamePattern::matches(const QString& name) const
{
    if (m_everything)
        return true;
    const QString folded = name.toCaseFolded();
    // Greedy matching with one back-track point for the last "*": linear in practice and
    // never exponential.
    qsizetype p = 0, n = 0, starAt = -1, resumeAt = 0;
    while (n < folded.size()) {
        if (p < m_folded.size() && (m_folded.at(p) == u'?' || m_folded.at(p) == folded.at(n))) {
            ++p;
            ++n;
        } else if (p < m_folded.size() && m_folded.at(p) == u'*') {
            starAt = p++;
            resumeAt = n;
        } else if (starAt >= 0) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < m_folded.size() && m_folded.at(p) == u'*')
        ++p;
    return p == m_folded.size();
}

}  // namespace platform
