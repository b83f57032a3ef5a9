#include "archive/ZipAssociation.h"

#include "settings/RegKey.h"
#include "settings/SettingsSchema.h"

#include <QFileInfo>

namespace ZipAssociation {

namespace {

const QString Extension = QStringLiteral(".zip");
const QString ClassName = QStringLiteral("isce_zipfile");
const QString Description = QStringLiteral("ZIP file");
const QString DefaultValue = QStringLiteral("");

QString quoted(const QString& module)
{
    for (const QChar c : module)
        if (c.isSpace() || c == u'"' || c == u'\'' || c == u'\\')
            return u'"' + QString(module).replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""))
                   + u'"';
    return module;
}

bool holds(const QString& key, const QString& expected)
{
    RegKey entry(platform::Hive::ClassesRoot, key);
    const QString value = entry.readString(DefaultValue);
    return !value.isEmpty() && value.compare(expected, Qt::CaseInsensitive) == 0;
}

}  // namespace

QString modulePath() { return QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget(); }

bool check(const QString& module)
{
    const QString program = quoted(module);
    const QString icon = program + QStringLiteral(",-123");
    const QString command = program + QStringLiteral(" %1");
    if (holds(Extension, ClassName) && holds(ClassName, Description)
        && holds(ClassName + QStringLiteral("\\DefaultIcon"), icon)
        && holds(ClassName + QStringLiteral("\\Shell\\Open\\Command"), command))
        return false;
    // Failed writes are not told: the next check finds them and writes again.
    (void)SettingsSchema::write(SettingsSchema::CheckZipAssociation, true);
    (void)RegKey(platform::Hive::ClassesRoot, Extension).writeString(DefaultValue, ClassName);
    RegKey type(platform::Hive::ClassesRoot, ClassName);
    (void)type.writeString(DefaultValue, Description);
    (void)type.writeDword(QStringLiteral("EditFlags"), 0x10000);
    (void)RegKey(platform::Hive::ClassesRoot, ClassName + QStringLiteral("\\DefaultIcon"))
        .writeString(DefaultValue, icon);
    (void)RegKey(platform::Hive::ClassesRoot, ClassName + QStringLiteral("\\Shell\\Open\\Command"))
        .writeString(DefaultValue, command);
    return true;
}

}  // namespace ZipAssociation
