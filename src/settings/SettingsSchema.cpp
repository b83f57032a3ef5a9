#include "settings/SettingsSchema.h"

#include "settings/RegKey.h"

namespace SettingsSchema {

QString Key::fullPath() const
{
    if (subKey.isEmpty())
        return path.toString();
    return path.toString() + u'\\' + subKey.toString();
}

namespace {
RegKey open(const Key& key) { return RegKey(key.hive, key.fullPath()); }
}  // namespace

quint32 read(RegKey& key, const Setting<quint32>& setting)
{
    return key.readDword(setting.name.toString(), setting.defaultValue);
}

bool read(RegKey& key, const Setting<bool>& setting)
{
    return key.readDword(setting.name.toString(), setting.defaultValue ? 1 : 0) == 1;
}

QString read(RegKey& key, const Setting<QStringView>& setting)
{
    // An empty default is still a default that is written back, so it must not be a null text.
    QString defaultValue = setting.defaultValue.toString();
    if (defaultValue.isNull())
        defaultValue = QStringLiteral("");
    return key.readString(setting.name.toString(), defaultValue);
}

bool write(RegKey& key, const Setting<quint32>& setting, quint32 value)
{
    return key.writeDword(setting.name.toString(), value);
}

bool write(RegKey& key, const Setting<bool>& setting, bool value)
{
    return key.writeDword(setting.name.toString(), value ? 1 : 0);
}

bool write(RegKey& key, const Setting<QStringView>& setting, const QString& value)
{
    return key.writeString(setting.name.toString(), value);
}

quint32 read(const Setting<quint32>& setting)
{
    RegKey key = open(setting.key);
    return read(key, setting);
}

bool read(const Setting<bool>& setting)
{
    RegKey key = open(setting.key);
    return read(key, setting);
}

QString read(const Setting<QStringView>& setting)
{
    RegKey key = open(setting.key);
    return read(key, setting);
}

bool write(const Setting<quint32>& setting, quint32 value)
{
    RegKey key = open(setting.key);
    return write(key, setting, value);
}

bool write(const Setting<bool>& setting, bool value)
{
    RegKey key = open(setting.key);
    return write(key, setting, value);
}

bool write(const Setting<QStringView>& setting, const QString& value)
{
    RegKey key = open(setting.key);
    return write(key, setting, value);
}

}  // namespace SettingsSchema
