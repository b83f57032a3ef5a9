#include "transfer/EmailAccounts.h"

#include "settings/RegKey.h"
#include "settings/Settings.h"

namespace EmailAccounts {

QList<Account> list()
{
    const QString keyPath = Settings::keyPath() + QStringLiteral("\\Accounts");
    QList<Account> accounts;
    for (const QString& store : RegKey(platform::Hive::CurrentUser, keyPath).subKeyNames()) {
        RegKey entry(platform::Hive::CurrentUser, keyPath + u'\\' + store);
        const QString name = entry.readString(QStringLiteral("DisplayName"), QStringLiteral(""));
        const QString account = entry.readString(QStringLiteral("Account"), QStringLiteral(""));
        if (name.isEmpty())
            continue;
        if (!account.isEmpty() && name.compare(QLatin1String("MMS"), Qt::CaseInsensitive) != 0) {
            accounts.append({QStringLiteral("%1 (%2)").arg(name, account), name});
        } else if (name.compare(QLatin1String("ActiveSync"), Qt::CaseInsensitive) == 0) {
            RegKey sync(platform::Hive::LocalMachine, QStringLiteral("Software\\Microsoft\\Inbox\\Svc\\ActiveSync"));
            accounts.append({sync.readString(QStringLiteral("FriendlyName"), QStringLiteral("")), name});
        }
    }
    return accounts;
}

}  // namespace EmailAccounts
