// Which message stores are offered for a new e-mail, and under which name.
#include "TemporaryRegistry.h"

#include "settings/RegKey.h"
#include "transfer/EmailAccounts.h"

#include <gtest/gtest.h>

namespace {

TEST(EmailAccounts, AccountsAreOfferedByNameAndAddressActiveSyncByItsOwnNameAndMmsNever)
{
    TemporaryRegistry registry;
    const struct {
        const char* store;
        const char* name;
        const char* account;
    } stores[] = {
        {"1", "Work", "me@work.example"},
        {"2", "MMS", "+4912345"},
        {"3", "mms", "+4912345"},
        {"4", "ActiveSync", ""},
        {"5", "SMS", ""},
        {"6", "", "nobody@example"},
        {"7", "Home", "me@home.example"},
    };
    for (const auto& store : stores) {
        RegKey key(platform::Hive::CurrentUser, QStringLiteral("Software\\Corvane\\Fennick\\Accounts\\") + QString::fromUtf8(store.store));
        ASSERT_TRUE(key.writeString(QStringLiteral("DisplayName"), QString::fromUtf8(store.name)));
        if (*store.account) {
            ASSERT_TRUE(key.writeString(QStringLiteral("Account"), QString::fromUtf8(store.account)));
        }
    }
    ASSERT_TRUE(RegKey(platform::Hive::LocalMachine, QStringLiteral("Software\\Microsoft\\Inbox\\Svc\\ActiveSync"))
                    .writeString(QStringLiteral("FriendlyName"), QStringLiteral("Desk PC")));
    QStringList offered;
    for (const EmailAccounts::Account& account : EmailAccounts::list())
        offered << account.label + QStringLiteral(" -> ") + account.service;
    EXPECT_EQ(offered.join(u'|').toStdString(),
              "Work (me@work.example) -> Work|Desk PC -> ActiveSync|Home (me@home.example) -> Home");
}

}  // namespace
