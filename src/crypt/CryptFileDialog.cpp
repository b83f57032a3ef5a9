#include "crypt/CryptFileDialog.h"

#include "dialogs/MessageBox.h"
#include "resources/Commands.h"
#include "resources/DialogTemplates.h"
#include "resources/StringTable.h"
#include "resources/UnnumberedTexts.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

CryptFileDialog::CryptFileDialog(QWidget* parent) : PhoneDialog(DialogTemplates::Crypt, parent)
{
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(6, 6, 6, 6);
    m_passwordEdit = new QLineEdit;
    m_passwordEdit->setEchoMode(QLineEdit::Password);
    m_confirmationEdit = new QLineEdit;
    m_confirmationEdit->setEchoMode(QLineEdit::Password);
    m_deleteBox = new QCheckBox(Txt::text(Txt::CryptDeleteOriginal));
    auto* note = new QLabel(Txt::text(Txt::CryptNote));
    note->setWordWrap(true);
    layout->addWidget(new QLabel(Txt::text(Txt::Password)));
    layout->addWidget(m_passwordEdit);
    layout->addWidget(new QLabel(Txt::text(Txt::Confirmation)));
    layout->addWidget(m_confirmationEdit);
    layout->addWidget(m_deleteBox);
    layout->addWidget(note);
    layout->addStretch(1);
    setContent(content);
}

bool CryptFileDialog::initialise()
{
    m_passwordEdit->setFocus();
    return true;
}

void CryptFileDialog::selectPassword()
{
    m_passwordEdit->selectAll();
    m_passwordEdit->setFocus();
}

bool CryptFileDialog::onCommand(int commandId)
{
    if (commandId != Cmd::Ok)
        return false;
    const QString password = m_passwordEdit->text();
    if (password.isEmpty() || password != m_confirmationEdit->text()) {
        MessageBox::error(this, Str::text(password.isEmpty() ? Str::PasswordMissing : Str::PasswordsDiffer));
        selectPassword();
        return true;  // the dialog stays open
    }
    m_password = password;
    m_deleteOriginal = m_deleteBox->isChecked();
    return false;  // the frame ends it with 1
}
