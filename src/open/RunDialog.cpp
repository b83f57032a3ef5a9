#include "open/RunDialog.h"

#include "dialogs/MessageBox.h"
#include "resources/Commands.h"
#include "resources/DialogTemplates.h"
#include "resources/StringTable.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

RunDialog::RunDialog(QWidget* parent) : PhoneDialog(DialogTemplates::RunCommand, parent)
{
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(new QLabel(QStringLiteral("Command")));
    m_commandEdit = new QLineEdit;
    layout->addWidget(m_commandEdit);
    layout->addWidget(new QLabel(QStringLiteral("Parameters")));
    m_parametersEdit = new QLineEdit;
    layout->addWidget(m_parametersEdit);
    auto* note = new QLabel(QStringLiteral("Note : The called application, entered in Command edit field, needs to "
                                           "support argument! Otherwise, it will have no effect."));
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
