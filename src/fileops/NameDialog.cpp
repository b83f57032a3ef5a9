#include "fileops/NameDialog.h"

#include "dialogs/MessageBox.h"
#include "resources/Commands.h"
#include "resources/DialogTemplates.h"
#include "resources/StringTable.h"

#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

NameDialog::NameDialog(const QString& name, bool isFile, bool isNew, QWidget* parent)
    : PhoneDialog(DialogTemplates::NewItem, parent), m_name(name), m_isFile(isFile)
{
    setWindowTitle(Str::text(isNew ? (isFile ? Str::NewFileTitle : Str::NewFolderTitle)
                                   : (isFile ? Str::RenameFileTitle : Str::RenameFolderTitle)));
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(6, 6, 6, 6);
    auto* prompt = new QLabel(Str::text(isFile ? Str::NewFilePrompt : Str::NewFolderPrompt));
    m_edit = new QLineEdit(name);
    auto* tip = new QLabel(Str::text(Str::NameTip));
    tip->setWordWrap(true);
    layout->addWidget(prompt);
    layout->addWidget(m_edit);
    layout->addWidget(tip);
    layout->addStretch(1);
    setContent(content);
}

bool NameDialog::isValidName(const QString& name)
{
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    if (name.isEmpty())
        return false;
    for (const QChar c : name)
        if (forbidden.contains(c))
            return false;
    return true;
}

void NameDialog::selectName()
{
    // A line edit holds at most 32767 characters, so the length always fits the selection's int.
    const int length = static_cast<int>(m_edit->text().size());
    m_edit->setSelection(0, m_isFile ? std::max(0, length - 4) : length);
    m_edit->setFocus();
}

bool NameDialog::initialise()
{
    selectName();
    return true;
}

bool NameDialog::onCommand(int commandId)
{
    if (commandId != Cmd::Ok)
        return false;
    m_name = m_edit->text();
    if (!isValidName(m_name)) {
        MessageBox::error(this, Str::text(Str::InvalidName));
        selectName();
        return true;  // the dialog stays open
    }
    return false;  // the frame ends it with 1
}
