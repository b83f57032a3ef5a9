#include "settings/Settings.h"

#include "settings/RegKey.h"

using platform::Hive;

namespace {

// Values with empty data are left out (and left in the registry), so an emptied entry never
// shows up as a place without a path.
void loadMap(const QString& subKey, OrderedStringMap& map)
{
    map.clear();
    RegKey key(Hive::CurrentUser, Settings::keyPath() + u'\\' + subKey);
    QString name;
    for (bool more = key.firstValue(name); more; more = key.nextValue(name)) {
        const QString text = key.readString(name, QStringLiteral(""));
        if (!text.isEmpty())
            map.append(name, text);
    }
}

}  // namespace

void Settings::load()
{
    {
        RegKey key(Hive::CurrentUser, keyPath());
        sortMode = static_cast<int>(key.readDword(QStringLiteral("SortMode"), 0));
        marksInBold = key.readDword(QStringLiteral("ShowBold"), 1) == 1;
        statusHidden = key.readDword(QStringLiteral("HideStatus"), 0) == 1;
        showHidden = key.readDword(QStringLiteral("ShowHidden"), 0) == 1;
    }
    loadMap(QStringLiteral("Favorites"), favorites);
    loadMap(QStringLiteral("Folders"), hiddenFolders);
    RegKey key(Hive::CurrentUser, keyPath());
    checkZipAssociation = static_cast<int>(key.readDword(QStringLiteral("CheckZip"), 1));
}

void Settings::save() const
{
    RegKey key(Hive::CurrentUser, keyPath());
    // A store that cannot be written is no reason to bother the user at exit.
    (void)key.writeDword(QStringLiteral("SortMode"), static_cast<quint32>(sortMode));
    (void)key.writeDword(QStringLiteral("ShowBold"), marksInBold ? 1 : 0);
    (void)key.writeDword(QStringLiteral("HideStatus"), statusHidden ? 1 : 0);
    (void)key.writeDword(QStringLiteral("ShowHidden"), showHidden ? 1 : 0);
}
