#pragma once

#include <QList>
#include <QString>

// The message stores a new e-mail can be written from, kept as the subkeys of
// SettingsSchema::EmailAccounts, in the order they were made: each has
// a "DisplayName" and, for an e-mail account, an "Account" (its address). A store with an
// account is offered as "Name (account)"; "ActiveSync" is offered by the name the
// synchronisation gave it (SettingsSchema::ActiveSyncName); MMS never is, nor any other store.
namespace EmailAccounts {

struct Account {
    QString label;    // what the user sees
    QString service;  // the store's display name, which the composer is given
};

QList<Account> list();

}  // namespace EmailAccounts
