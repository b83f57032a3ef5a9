#include "search/SearchCriteria.h"

QString SearchCriteria::patternFor(const QString& typed)
{
    if (typed.contains(u'*') || typed.contains(u'?'))
        return typed;
    return u'*' + typed + u'*';
}

QString SearchCriteria::patternShownAgain(const QString& pattern)
{
    if (pattern.size() > 2 && pattern.startsWith(u'*') && pattern.endsWith(u'*'))
        return pattern.mid(1, pattern.size() - 2);
    return pattern;
}

void SearchCriteria::resetForNewSearch()
{
    pattern.clear();
    searchSystem = false;
    searchHidden = false;
    includeSubfolders = true;
}
