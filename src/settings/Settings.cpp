#include "settings/Settings.h"

#include "settings/RegKey.h"
#include "settings/SettingsSchema.h"

namespace Schema = SettingsSchema;

namespace {

// Values with empty data are left out (and left in the registry), so an emptied entry never
// shows up as a place without a path.
void loadMap(const Schema::Key& list, OrderedStringMap& map)
{
    map.clear();
    RegKey key(list.hive, list.fullPath());
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
    // The program's own values through one open of its key.
    RegKey key(Schema::Program.hive, Schema::Program.fullPath());
    storedSortMode = Schema::read(key, Schema::SortMode);
    marksInBold = Schema::read(key, Schema::MarksInBold);
    statusHidden = Schema::read(key, Schema::StatusHidden);
    showHidden = Schema::read(key, Schema::ShowHidden);
    loadMap(Schema::Favorites, favorites);
    loadMap(Schema::HiddenFolders, hiddenFolders);
    checkZipAssociation = Schema::read(key, Schema::CheckZipAssociation);
}

void Settings::save() const
{
    // A store that cannot be written is no reason to bother the user at exit.
    RegKey key(Schema::Program.hive, Schema::Program.fullPath());
    (void)Schema::write(key, Schema::SortMode, storedSortMode);
    (void)Schema::write(key, Schema::MarksInBold, marksInBold);
    (void)Schema::write(key, Schema::StatusHidden, statusHidden);
    (void)Schema::write(key, Schema::ShowHidden, showHidden);
}
