#include "filetypes/TypeIcons.h"

#include "filetypes/ModuleIcons.h"
#include "settings/FileTypes.h"

namespace TypeIcons {

QIcon iconFor(const QString& extension, QString& key)
{
    const QString icon = FileTypes::defaultIcon(u'.' + extension);
    if (icon.isEmpty())
        return {};
    QString module;
    QString number;
    FileTypes::splitIcon(icon, module, number);
    for (const ModuleIcons::Icon& candidate : ModuleIcons::load(module)) {
        if (QString::number(candidate.number) == number) {
            key = icon;
            return candidate.icon;
        }
    }
    return {};
}

}  // namespace TypeIcons
