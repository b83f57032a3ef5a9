#pragma once

#include "dialogs/PhoneDialog.h"
#include "transfer/EmailAccounts.h"

class QListWidget;

// "Send file by email...": the accounts to write the e-mail from, to choose one.
class EmailAccountDialog : public PhoneDialog {
    Q_OBJECT
public:
    explicit EmailAccountDialog(const QList<EmailAccounts::Account>& accounts, QWidget* parent = nullptr);

    // The chosen account's service name; empty when none is selected.
    QString service() const;

protected:
    bool initialise() override;

private:
    QList<EmailAccounts::Account> m_accounts;
    QListWidget* m_list;
};
