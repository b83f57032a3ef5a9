#include "transfer/EmailAccountDialog.h"

#include "resources/DialogTemplates.h"

#include <QListWidget>
#include <QVBoxLayout>

EmailAccountDialog::EmailAccountDialog(const QList<EmailAccounts::Account>& accounts, QWidget* parent)
    : PhoneDialog(DialogTemplates::SendEmail, parent), m_accounts(accounts)
{
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    m_list = new QListWidget;
    for (const EmailAccounts::Account& account : m_accounts)
        m_list->addItem(account.label);
    layout->addWidget(m_list);
    setContent(content);
}

bool EmailAccountDialog::initialise()
{
    if (m_list->count() == 1)
        m_list->setCurrentRow(0);
    m_list->setFocus();
    return true;
}

QString EmailAccountDialog::service() const
{
    const int row = m_list->currentRow();
    return row >= 0 && row < m_accounts.size() ? m_accounts.at(row).service : QString();
}
