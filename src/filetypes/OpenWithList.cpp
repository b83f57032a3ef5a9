#include "filetypes/OpenWithList.h"

#include "settings/RegKey.h"
#include "settings/SettingsSchema.h"

namespace {
QString keyPath() { return SettingsSchema::OpenWith.fullPath(); }
}  // namespace

namespace OpenWithList {

QStringList load()
{
    QStringList programs;
    RegKey key(SettingsSchema::OpenWith.hive, keyPath());
    platform::RegistryStore* store = RegKey::store();
    platform::RegistryStore::KeyId id = 0;
    if (!store || !store->openKey(SettingsSchema::OpenWith.hive, keyPath(), false, id))
        return programs;
    QString name;
    for (bool more = key.firstValue(name); more; more = key.nextValue(name)) {
        // A number where a path belongs names no program.
        platform::RegValue value;
        if (!store->readValue(id, name, value) || value.type != platform::RegType::String)
            continue;
        const QString program = key.readString(name);
        if (!program.isEmpty())
            programs << program;
    }
    return programs;
}

bool save(const QStringList& programs)
{
    RegKey key(SettingsSchema::OpenWith.hive, keyPath());
    if (!key.isOpen())
        return false;
    QString name;
    while (key.firstValue(name)) {
        if (!key.deleteValue(name))
            return false;
    }
    bool written = true;
    for (int i = 0; i < programs.size(); ++i)
        written = key.writeString(QStringLiteral("App%1").arg(i), programs.at(i)) && written;
    return written;
}

}  // namespace OpenWithList
