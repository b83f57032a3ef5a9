#include "filetypes/OpenWithList.h"

#include "settings/RegKey.h"

namespace {
const QString KeyPath = QStringLiteral("Software\\Corvane\\Fennick\\OpenWith");
}  // namespace

namespace OpenWithList {

QStringList load()
{
    QStringList programs;
    RegKey key(platform::Hive::CurrentUser, KeyPath);
    QString name;
    for (bool more = key.firstValue(name); more; more = key.nextValue(name)) {
        const QString program = key.readString(name);
        if (!program.isEmpty())
            programs << program;
    }
    return programs;
}

bool save(const QStringList& programs)
{
    RegKey key(platform::Hive::CurrentUser, KeyPath);
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
