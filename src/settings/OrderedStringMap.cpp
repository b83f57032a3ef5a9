#include "settings/OrderedStringMap.h"

qsizetype OrderedStringMap::indexOfValue(const QString& value) const
{
    for (qsizetype i = 0; i < m_pairs.size(); ++i)
        if (m_pairs.at(i).second.compare(value, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}
