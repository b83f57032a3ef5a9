#include "archive/CreateZipDialog.h"

#include "resources/Commands.h"
#include "resources/DialogTemplates.h"
#include "resources/UnnumberedTexts.h"

#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

CreateZipDialog::CreateZipDialog(const QString& name, int level, QWidget* parent)
    : PhoneDialog(DialogTemplates::CreateZip, parent), m_name(name), m_level(level)
{
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(new QLabel(Txt::text(Txt::ZipFilename)));
    m_edit = new QLineEdit(name);
    layout->addWidget(m_edit);
    layout->addWidget(new QLabel(Txt::text(Txt::ZipCompression)));
    m_levelBox = new QSpinBox;
    m_levelBox->setRange(0, 9);
    m_levelBox->setValue(level);
    layout->addWidget(m_levelBox);
    auto* notes = new QLabel(Txt::text(Txt::ZipNotes));
    notes->setWordWrap(true);
    layout->addWidget(notes);
    layout->addStretch(1);
    setContent(content);
}

bool CreateZipDialog::initialise()
{
    m_edit->selectAll();
    m_edit->setFocus();
    return true;
}

bool CreateZipDialog::onCommand(int commandId)
{
    if (commandId == Cmd::Ok) {
        m_name = m_edit->text();
        m_level = m_levelBox->value();
    }
    return false;
}
