#include "favorites/Favorites.h"

#include "settings/OrderedStringMap.h"
#include "settings/RegKey.h"
#include "settings/SettingsSchema.h"

#include <map>

namespace {

const QString Prefix = QStringLiteral("Favorite");

// The number in a favorite's value name; -1 for a name that is not one ("Favorite007",
// "Other").
qint64 numberOf(const QString& name)
{
    if (!name.startsWith(Prefix) || name.size() == Prefix.size() || name.size() > Prefix.size() + 9)
        return -1;
    const QStringView digits = QStringView(name).mid(Prefix.size());
    if (digits.size() > 1 && digits.front() == u'0')
        return -1;
    for (const QChar c : digits)
        if (c < u'0' || c > u'9')
            return -1;
    return digits.toLongLong();
}

}  // namespace

QStringList Favorites::paths() const
{
    std::map<qint64, QString> byNumber;
    for (const auto& [name, path] : m_stored.pairs())
        if (const qint64 number = numberOf(name); number >= 0)
            byNumber.emplace(number, path);
    QStringList list;
    for (const auto& entry : byNumber)
        list << entry.second;
    return list;
}

void Favorites::add(const QString& path)
{
    QStringList list = paths();
    list << path;
    store(list);
}

void Favorites::remove(int index)
{
    QStringList list = paths();
    if (index < 0 || index >= list.size())
        return;
    list.removeAt(index);
    store(list);
}

void Favorites::swap(int first, int second)
{
    QStringList list = paths();
    if (first < 0 || second < 0 || first >= list.size() || second >= list.size())
        return;
    list.swapItemsAt(first, second);
    store(list);
}

void Favorites::store(const QStringList& paths)
{
    RegKey key(SettingsSchema::Favorites.hive, SettingsSchema::Favorites.fullPath());
    OrderedStringMap kept;
    // Registry errors are not told: the list in memory stays right for this run.
    for (const auto& [name, path] : m_stored.pairs()) {
        if (numberOf(name) >= 0)
            (void)key.deleteValue(name);
        else
            kept.append(name, path);
    }
    for (qsizetype i = 0; i < paths.size(); ++i) {
        const QString name = Prefix + QString::number(i);
        (void)key.writeString(name, paths.at(i));
        kept.append(name, paths.at(i));
    }
    m_stored = kept;
}
