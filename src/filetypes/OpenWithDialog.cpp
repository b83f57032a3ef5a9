#include "filetypes/OpenWithDialog.h"

#include "dialogs/FolderPicker.h"
#include "dialogs/MessageBox.h"
#include "dialogs/SoftKeyBar.h"
#include "filetypes/FileTypeDialog.h"
#include "filetypes/ModuleIcons.h"
#include "filetypes/OpenWithList.h"
#include "open/DesktopEntry.h"
#include "platform/FileSystem.h"
#include "resources/Commands.h"
#include "resources/DialogTemplates.h"
#include "resources/StringTable.h"
#include "resources/UnnumberedTexts.h"
#include "settings/FileTypes.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int ProgramRole = Qt::UserRole;
}  // namespace

OpenWithDialog::OpenWithDialog(platform::FileSystem& fileSystem, const QString& extension, QWidget* parent)
    : PhoneDialog(DialogTemplates::OpenWith, parent), m_fileSystem(fileSystem), m_extension(extension)
{
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 4);
    m_list = new QTreeWidget;
    m_list->setRootIsDecorated(false);
    m_list->setColumnCount(1);
    m_list->setHeaderLabels({Str::text(Str::OpenWithColumnApplication)});
    m_list->installEventFilter(this);
    layout->addWidget(m_list, 1);
    m_always = new QCheckBox(Txt::text(Txt::AlwaysOpenWith));
    layout->addWidget(m_always);
    setContent(content);
    connect(m_list, &QTreeWidget::currentItemChanged, this, [this] { selectionChanged(); });
}

bool OpenWithDialog::initialise()
{
    // A program that is no longer there is left out, and so dropped when the list is saved.
    for (const QString& program : OpenWithList::load())
        (void)addRow(program);
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    selectionChanged();
    m_list->setFocus();
    return true;
}

bool OpenWithDialog::addRow(const QString& program)
{
    // Lists written on the phone may name programs by their phone paths.
    const QString host = program.startsWith(u'\\') ? QFile::decodeName(m_fileSystem.hostPath(program)) : program;
    const QFileInfo info(host);
    if (host.isEmpty() || !info.isFile())
        return false;
    QString name = info.fileName();
    if (host.endsWith(QLatin1String(".desktop"), Qt::CaseInsensitive)) {
        DesktopEntry entry;
        if (!entry.load(host))
            return false;
        if (!entry.name().isEmpty())
            name = entry.name();
    }
    auto* row = new QTreeWidgetItem(m_list, {name});
    const QList<ModuleIcons::Icon> icons = ModuleIcons::load(host);
    if (!icons.isEmpty())
        row->setIcon(0, icons.first().icon);
    row->setData(0, ProgramRole, program);
    return true;
}

void OpenWithDialog::selectionChanged()
{
    const QTreeWidgetItem* row = m_list->currentItem();
    if (QAction* action = softKeyBar()->action(Cmd::OpenWithRemove))
        action->setEnabled(row != nullptr);
    m_chosen = row ? row->data(0, ProgramRole).toString() : QString();
}

// Key 5 on the list switches "Always open with this app", as its label promises.
bool OpenWithDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_5) {
        m_always->toggle();
        return true;
    }
    return PhoneDialog::eventFilter(watched, event);
}

// Back leaves the page as Cancel does, and like it keeps the changes made to the list.
void OpenWithDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        sendCommand(Cmd::Cancel);
        return;
    }
    PhoneDialog::keyPressEvent(event);
}

void OpenWithDialog::save()
{
    QStringList programs;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        programs << m_list->topLevelItem(i)->data(0, ProgramRole).toString();
    // A list that cannot be written stays as it was; opening the file goes on regardless.
    (void)OpenWithList::save(programs);
}

bool OpenWithDialog::onCommand(int commandId)
{
    switch (commandId) {
    case Cmd::Ok: {
        if (m_chosen.isEmpty()) {
            MessageBox::error(this, Str::text(Str::OpenWithNoApplication));
            return true;
        }
        save();
        if (m_always->isChecked()) {
            FileType type;
            type.extension = m_extension.isEmpty() ? QString() : u'.' + m_extension;
            type.command = FileTypes::commandFor(m_chosen);
            type.icon = m_chosen;
            // A file without an extension has none to fix: the user may type one.
            FileTypeDialog properties(m_fileSystem, type, !m_extension.isEmpty());
            (void)properties.run(this);  // the file is opened however that page ends
        }
        end(Cmd::Ok);
        return true;
    }
    case Cmd::Cancel:
    case Cmd::DialogCancel:
    case Cmd::MenuCancel:

        save();
        end(commandId);
        return true;
    case Cmd::OpenWithAdd: {
        FolderPicker picker(m_fileSystem, Str::text(Str::AddApplication), Str::text(Str::AddApplicationPrompt));
        picker.setFileMode({QStringLiteral(".exe")}, Str::text(Str::PickerFolderNotApplication));
        if (picker.run(this) != Cmd::Ok)
            return true;
        // Kept as a host path, which the list means whatever root is shown.
        if (addRow(QFile::decodeName(m_fileSystem.hostPath(picker.chosenPath()))))
            m_list->setCurrentItem(m_list->topLevelItem(m_list->topLevelItemCount() - 1));
        return true;
    }
    case Cmd::OpenWithRemove: {
        QTreeWidgetItem* row = m_list->currentItem();
        if (row && MessageBox::question(this, Str::text(Str::OpenWithRemoveQuestion)) == Cmd::Yes) {
            // The row below takes the removed one's place, or the one above at the end.
            const int index = m_list->indexOfTopLevelItem(row);
            delete row;
            const int count = m_list->topLevelItemCount();
            if (count > 0)
                m_list->setCurrentItem(m_list->topLevelItem(std::min(index, count - 1)));
            selectionChanged();
        }
        return true;
    }
    case Cmd::OpenWithInformations:
        MessageBox::information(this, Str::text(Str::OpenWithNote), Str::text(Str::Informations));
        return true;
    default: return false;
    }
}
