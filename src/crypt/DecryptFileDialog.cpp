#include "crypt/DecryptFileDialog.h"

#include "resources/Commands.h"
#include "resources/DialogTemplates.h"
#include "resources/UnnumberedTexts.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

DecryptFileDialog::DecryptFileDialog(QWidget* parent) : PhoneDialog(DialogTemplates::Decrypt, parent)
{
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(6, 6, 6, 6);
    m_passwordEdit = new QLineEdit;
    m_passwordEdit->setEchoMode(QLineEdit::Password);
    m_deleteBox = new QCheckBox(Txt::text(Txt::DecryptDeleteCrypted));
    layout->addWidget(new QLabel(Txt::text(Txt::Password)));
    layout->addWidget(m_passwordEdit);
    layout->addWidget(m_deleteBox);
    layout->addStretch(1);
    setContent(content);
}

bool DecryptFileDialog::initialise()
{
    m_passwordEdit->setFocus();
    return true;
}

bool DecryptFileDialog::onCommand(int commandId)
{
    if (commandId == Cmd::Ok) {
        m_password = m_passwordEdit->text();
        m_deleteEncrypted = m_deleteBox->isChecked();
    }
    return false;
}
