#include "filetypes/FileTypesDialog.h"

#include "dialogs/MessageBox.h"
#include "dialogs/SoftKeyBar.h"
#include "dialogs/WaitCursor.h"
#include "filetypes/FileTypeDialog.h"
#include "resources/Commands.h"
#include "resources/DialogTemplates.h"
#include "resources/StringTable.h"

#include <QAction>
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {
// What a row holds besides its two shown columns.
constexpr int CommandRole = Qt::UserRole;
constexpr int IconRole = Qt::UserRole + 1;
constexpr int AcceptDownloadRole = Qt::UserRole + 2;
constexpr int ClassRole = Qt::UserRole + 3;
}  // namespace

FileTypesDialog::FileTypesDialog(platform::FileSystem& fileSystem, QWidget* parent)
    : PhoneDialog(DialogTemplates::FileTypes, parent), m_fileSystem(fileSystem)
{
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    m_list = new QTreeWidget;
    m_list->setRootIsDecorated(false);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setHeaderLabels({Str::text(Str::FileTypeColumnExtension), Str::text(Str::FileTypeColumnDescription)});
    layout->addWidget(m_list, 1);
    setContent(content);
    connect(m_list, &QTreeWidget::currentItemChanged, this, [this] { updateMenuState(); });
}

bool FileTypesDialog::initialise()
{
    {
        WaitCursor wait;
        for (const FileType& type : FileTypes::list())
            addRow(type);
        m_list->resizeColumnToContents(0);
        m_list->resizeColumnToContents(1);
    }
    if (m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    updateMenuState();
    m_list->setFocus();
    return true;
}

void FileTypesDialog::addRow(const FileType& type)
{
    auto* row = new QTreeWidgetItem(m_list);
    showType(row, type);
    row->setData(0, ClassRole, type.className);
    // The description comes from the registry; an edit passes it through unchanged.
    row->setText(1, type.description);
}

void FileTypesDialog::showType(QTreeWidgetItem* row, const FileType& type)
{
    row->setText(0, type.extension);
    row->setData(0, CommandRole, type.command);
    row->setData(0, IconRole, type.icon);
    row->setData(0, AcceptDownloadRole, type.acceptDownload);
}

FileType FileTypesDialog::typeOf(const QTreeWidgetItem* row) const
{
    FileType type;
    type.extension = row->text(0);
    type.description = row->text(1);
    type.command = row->data(0, CommandRole).toString();
    type.icon = row->data(0, IconRole).toString();
    type.acceptDownload = row->data(0, AcceptDownloadRole).toString();
    type.className = row->data(0, ClassRole).toString();
    return type;
}

void FileTypesDialog::updateMenuState()
{
    const bool selected = m_list->currentItem() != nullptr;
    for (const int command : {int(Cmd::FileTypeEdit), int(Cmd::FileTypeDelete)}) {
        if (QAction* action = softKeyBar()->action(command))
            action->setEnabled(selected);
    }
}

void FileTypesDialog::add()
{
    FileTypeDialog dialog(m_fileSystem, FileType(), false);
    if (dialog.run(this) != Cmd::Ok)
        return;
    FileType type = dialog.type();
    addRow(type);
    m_list->setCurrentItem(m_list->topLevelItem(m_list->topLevelItemCount() - 1));
}

void FileTypesDialog::edit()
{
    QTreeWidgetItem* row = m_list->currentItem();
    if (!row)
        return;
    const FileType before = typeOf(row);
    FileTypeDialog dialog(m_fileSystem, before, true);
    if (dialog.run(this) != Cmd::Ok)
        return;
    const FileType& after = dialog.type();
    if (before.icon.compare(after.icon, Qt::CaseInsensitive) != 0 && m_iconNoteDue) {
        m_iconNoteDue = false;
        MessageBox::information(this, Str::text(Str::FileTypeIconNote), Str::text(Str::FileTypeProperties));
    }
    showType(row, after);
    // The class the properties page wrote to: a row listed without one has it now.
    row->setData(0, ClassRole, after.className);
    row->setText(1, after.description);
}

void FileTypesDialog::remove()
{
    QTreeWidgetItem* row = m_list->currentItem();
    if (!row || MessageBox::question(this, Str::text(Str::FileTypeRemoveQuestion)) != Cmd::Yes)
        return;
    const FileType type = typeOf(row);
    if (!FileTypes::removeExtension(type.extension)) {
        MessageBox::error(this, Str::text(Str::FileTypeDeleteFailed));
        return;
    }
    const int index = m_list->indexOfTopLevelItem(row);
    delete row;
    if (const int count = m_list->topLevelItemCount(); count > 0)
        m_list->setCurrentItem(m_list->topLevelItem(std::min(index, count - 1)));
    // The class goes with the last extension that names it.
    bool shared = false;
    for (int i = 0; i < m_list->topLevelItemCount(); ++i)
        shared = shared || typeOf(m_list->topLevelItem(i)).className.compare(type.className, Qt::CaseInsensitive) == 0;
    if (!type.className.isEmpty() && !shared)
        (void)FileTypes::removeClass(type.className);
    updateMenuState();
}

bool FileTypesDialog::onCommand(int commandId)
{
    switch (commandId) {
    case Cmd::FileTypeAdd: add(); return true;
    case Cmd::FileTypeEdit: edit(); return true;
    case Cmd::FileTypeDelete: remove(); return true;
    default: return false;
    }
}
