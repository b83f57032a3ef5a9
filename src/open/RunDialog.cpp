#include "open/RunDialog.h"

#include "dialogs/MessageBox.h"
#include "resources/Commands.h"
#include "resources/DialogTemplates.h"
#include "resources/StringTable.h"
#include "resources/UnnumberedTexts.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

RunDialog::RunDialog(QWidget* parent) : PhoneDialog(DialogTemplates::RunCommand, parent)
{
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(new QLabel(Txt::text(Txt::RunCommand)));
    m_commandEdit = new QLineEdit;
    layout->addWidget(m_commandEdit);
    layout->addWidget(new QLabel(Txt::text(Txt::RunParameters)));
    m_parametersEdit = new QLineEdit;
    layout->addWidget(m_parametersEdit);
    auto* note = new QLabel(Txt::text(Txt::RunNote));
    note->setWordWrap(true);
    layout->addWidget(note);
    layout->addStretch(1);
    setContent(content);
}

bool RunDialog::initialise()
{
    m_commandEdit->setFocus();
    return true;
}

bool RunDialog::onCommand(int commandId)
{
    if (commandId != Cmd::Ok)
        return false;
    if (m_commandEdit->text().isEmpty()) {
        MessageBox::error(this, Str::text(Str::RunCommandMissing));
        return true;
    }
    m_command = m_commandEdit->text();
    m_parameters = m_parametersEdit->text();
    return false;
}
