#include "settings/SettingsSchema.h"

#include "settings/RegKey.h"

namespace SettingsSchema {

QString Key::fullPath() const
{
    if (subKey.isEmpty())
        return path.toString();
    return path.toString() + u'\\' + subKey.toString();
}

quint32 read(const Setting<quint32>& setting)
{
    RegKey key(setting.key.hive, setting.key.fullPath());
    return key.readDword(setting.name.toString(), setting.defaultValue);
}

bool read(const Setting<bool>& setting)
{
    RegKey key(setting.key.hive, setting.key.fullPath());
    return key.readDword(setting.name.toString(), setting.defaultValue ? 1 : 0) == 1;
}

QString read(const Setting<QStringView>& setting)
{
    RegKey key(setting.key.hive, setting.key.fullPath());
    // An empty default is still a default that is written back, so it must not be a null text.
    QString defaultValue = setting.defaultValue.toString();
    if (defaultValue.isNull())
        defaultValue = QStringLiteral("");
    return key.readString(setting.name.toString(), defaultValue);
}

bool write(const Setting<quint32>& setting, quint32 value)
{
    return RegKey(setting.key.hive, setting.key.fullPath()).writeDword(setting.name.toString(), value);
}

bool write(const Setting<bool>& setting, bool value)
{
    return RegKey(setting.key.hive, setting.key.fullPath()).writeDword(setting.name.toString(), value ? 1 : 0);
}

bool write(const Setting<QStringView>& setting, const QString& value)
{
    return RegKey(setting.key.hive, setting.key.fullPath()).writeString(setting.name.toString(), value);
}

}  // namespace SettingsSchema
