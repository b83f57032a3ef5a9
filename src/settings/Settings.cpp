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
    storedSortMode = Schema::read(Schema::SortMode);
    marksInBold = Schema::read(Schema::MarksInBold);
    statusHidden = Schema::read(Schema::StatusHidden);
    showHidden = Schema::read(Schema::ShowHidden);
    loadMap(Schema::Favorites, favorites);
    loadMap(Schema::HiddenFolders, hiddenFolders);
    checkZipAssociation = Schema::read(Schema::CheckZipAssociation);
}

void Settings::save() const
{
    // A store that cannot be written is no reason to bother the user at exit.
    (void)Schema::write(Schema::SortMode, storedSortMode);
    (void)Schema::write(Schema::MarksInBold, marksInBold);
    (void)Schema::write(Schema::StatusHidden, statusHidden);
    (void)Schema::write(Schema::ShowHidden, showHidden);
}
