#include "transfer/EmailAccounts.h"

#include "settings/RegKey.h"
#include "settings/SettingsSchema.h"

namespace EmailAccounts {

QList<Account> list()
{
    const SettingsSchema::Key& stores = SettingsSchema::EmailAccounts;
    const QString keyPath = stores.fullPath();
    QList<Account> accounts;
    for (const QString& store : RegKey(stores.hive, keyPath).subKeyNames()) {
        RegKey entry(stores.hive, keyPath + u'\\' + store);
        const QString name = entry.readString(QStringLiteral("DisplayName"), QStringLiteral(""));
        const QString account = entry.readString(QStringLiteral("Account"), QStringLiteral(""));
        if (name.isEmpty())
            continue;
        if (!account.isEmpty() && name.compare(QLatin1String("MMS"), Qt::CaseInsensitive) != 0) {
            accounts.append({QStringLiteral("%1 (%2)").arg(name, account), name});
        } else if (name.compare(QLatin1String("ActiveSync"), Qt::CaseInsensitive) == 0) {
            accounts.append({SettingsSchema::read(SettingsSchema::ActiveSyncName), name});
        }
    }
    return accounts;
}

}  // namespace EmailAccounts
