#include "fileops/FileCommands.h"

#include "commands/CommandTable.h"
#include "dialogs/JobDialog.h"
#include "dialogs/MessageBox.h"
#include "dialogs/WaitCursor.h"
#include "fileops/Delete.h"
#include "fileops/DeleteSelectionDialog.h"
#include "fileops/FailureText.h"
#include "fileops/NameDialog.h"
#include "fileops/Paste.h"
#include "fileops/Selection.h"
#include "platform/FileSystem.h"
#include "platform/PhonePath.h"
#include "resources/Commands.h"
#include "resources/StringTable.h"
#include "resources/UnnumberedTexts.h"
#include "tree/FolderTree.h"

#include <QPersistentModelIndex>

#include <algorithm>

void FileCommands::toggleSelection(TreeNode* item)
{
    if (!item)
        return;
    const QString path = m_tree.fullPathOf(item);
    if (item->marked) {
        const int index = m_selection.find(path);
        if (index < 0) {
            MessageBox::error(m_owner, Str::text(Str::PartOfSelectedFolder));
            return;
        }
        m_selection.removeAt(index);
        m_tree.setMarkWithDescendants(item, false);
    } else {
        std::vector<TreeNode*> items{item};
        std::vector<SelectionEntry> entries;
        if (!measure(items, entries))
            return;
        addEntry(items.front(), std::move(entries.front()));
    }
    if (m_selection.isEmpty())
        m_selection.setPendingOp(PendingOp::None);
    m_changed();
}

bool FileCommands::measure(std::vector<TreeNode*>& items, std::vector<SelectionEntry>& entries)
{
    // Only folders take long to measure; the job's progress page shows when they do.
    std::vector<QPersistentModelIndex> places;
    std::vector<std::pair<QString, TreeNode::Kind>> inputs;
    bool anyFolder = false;
    for (TreeNode* item : items) {
        places.emplace_back(m_tree.treeModel()->indexOf(item));
        inputs.emplace_back(m_tree.fullPathOf(item), item->kind);
        anyFolder = anyFolder || item->isFolder();
    }
    entries.clear();
    TreeWalk::Failure failure;
    bool stopped = false;
    const auto work = [&](JobContext* context) {
        for (const auto& [path, kind] : inputs) {
            TreeWalk::Failure one;
            entries.push_back(Selection::measure(m_fileSystem, path, kind, context, &one));
            if (one.error == platform::FsError::Cancelled) {
                stopped = true;
                return;
            }
            if (one.error != platform::FsError::None && failure.error == platform::FsError::None)
                failure = one;
        }
    };
    if (anyFolder)
        JobDialog::run(m_owner, Txt::text(Txt::Counting), [&](JobContext& context) { work(&context); });
    else
        work(nullptr);
    if (stopped)
        return false;
    // A part that could not be counted is told, and the item is selected all the same: its
    // totals are what could be counted.
    if (failure.error != platform::FsError::None)
        MessageBox::error(m_owner, FailureText::cannotList(failure.path, failure.error));
    for (size_t i = 0; i < items.size(); ++i)
        items[i] = places[i].isValid() ? m_tree.treeModel()->node(places[i]) : nullptr;
    return true;
}

void FileCommands::addEntry(TreeNode* item, SelectionEntry entry)
{
    if (!item)
        return;  // gone from the tree while it was measured
    // A selected folder takes the place of the entries inside it.
    if (item->isFolder())
        m_selection.removeInside(entry.path);
    m_tree.setMarkWithDescendants(item, true);
    entry.item = item;
    m_selection.append(std::move(entry));
}

void FileCommands::clearSelection()
{
    for (int i = 0; i < m_selection.count(); ++i)
        if (TreeNode* item = m_selection.at(i).item)
            m_tree.setMarkWithDescendants(item, false);
    m_selection.clear();
    m_selection.setPendingOp(PendingOp::None);
    m_changed();
}

void FileCommands::selectAllInFolder()
{
    TreeNode* current = m_tree.currentNode();
    if (!current || !current->parent || !current->parent->parent)
        return;
    TreeNode* folder = current->parent;
    if (m_selection.find(m_tree.fullPathOf(folder)) >= 0) {
        MessageBox::error(m_owner, Str::text(Str::AlreadySelectedByParent));
        return;
    }
    // Every unmarked item is measured in one job, then selected in tree order.
    std::vector<TreeNode*> items;
    for (const auto& child : folder->children)
        if (!child->marked)
            items.push_back(child.get());
    std::vector<SelectionEntry> entries;
    if (items.empty() || !measure(items, entries))
        return;
    for (size_t i = 0; i < items.size(); ++i)
        addEntry(items[i], std::move(entries[i]));
    m_changed();
}

void FileCommands::deleteCurrent()
{
    TreeNode* current = m_tree.currentNode();
    if (!current)
        return;
    const QString path = m_tree.fullPathOf(current);
    if (MessageBox::question(m_owner, Str::arg(Str::DeleteQuestion, path)) != Cmd::Yes)
        return;
    const QPersistentModelIndex place(m_tree.treeModel()->indexOf(current));
    Delete removal(m_fileSystem, m_owner);
    const bool deleted = removal.deleteItems({path}) == 1;
    for (const QString& message : removal.messages())
        MessageBox::error(m_owner, message);
    if (deleted) {
        if (place.isValid())
            m_tree.removeNode(m_tree.treeModel()->node(place));
        // The entry goes, and so do entries inside a deleted folder, which no longer exist;
        // the armed operation stays as it was.
        if (const int index = m_selection.find(path); index >= 0)
            m_selection.removeAt(index);
        m_selection.removeInside(path);
    }
    m_changed();
}

void FileCommands::deleteSelection()
{
    QStringList paths;
    qint64 items = 0;
    for (int i = 0; i < m_selection.count(); ++i) {
        const SelectionEntry& entry = m_selection.at(i);
        paths << entry.path;
        items += entry.itemCount();
    }
    DeleteSelectionDialog dialog(paths);
    // Only the Delete key deletes: Cancel and Back leave everything as it is.
    if (dialog.run(m_owner) != Cmd::Ok)
        return;
    Delete removal(m_fileSystem, m_owner);
    const int deleted = removal.deleteItems(paths, items);
    // The items went from the last entry backwards: the entries from `firstDeleted` on are
    // gone, and the one that resisted and those before it stay selected with their items. The
    // bound is taken once, since the count shrinks as entries leave.
    const int firstDeleted = std::max(0, m_selection.count() - deleted);
    for (int i = m_selection.count() - 1; i >= firstDeleted; --i) {
        const SelectionEntry entry = m_selection.at(i);
        m_selection.removeAt(i);
        if (entry.item)
            m_tree.removeNode(entry.item);
    }
    for (const QString& message : removal.messages())
        MessageBox::error(m_owner, message);
    if (m_selection.isEmpty())
        m_selection.setPendingOp(PendingOp::None);
    m_changed();
}

void FileCommands::newItem(bool isFile)
{
    if (!m_tree.currentNode())
        return;
    NameDialog dialog(Str::text(isFile ? Str::NewFileName : Str::NewFolderName), isFile, true);
    if (dialog.run(m_owner) != Cmd::Ok)
        return;
    QString folder;
    TreeNode* folderItem = nullptr;
    Paste::pasteTarget(m_tree, folder, folderItem);
    const QString path = platform::PhonePath::join(folder, dialog.name());
    const platform::FsError error = isFile ? m_fileSystem.createNewFile(path) : m_fileSystem.createFolder(path);
    if (error != platform::FsError::None) {
        MessageBox::error(m_owner, Str::text(isFile ? Str::FileCreationFailed : Str::FolderCreationFailed));
        return;
    }
    (void)m_tree.populateSingle(path, folderItem);
    m_changed();
}

void FileCommands::renameItem()
{
    TreeNode* current = m_tree.currentNode();
    if (!current)
        return;
    const QString oldPath = m_tree.fullPathOf(current);
    const QString folder = platform::PhonePath::splitLast(oldPath).folder;
    NameDialog dialog(current->text, current->kind == TreeNode::File, false);
    if (dialog.run(m_owner) != Cmd::Ok)
        return;
    const QString newPath = platform::PhonePath::join(folder, dialog.name());
    if (m_fileSystem.move(oldPath, newPath) != platform::FsError::None) {
        MessageBox::error(m_owner, Str::text(Str::RenameFailed));
        return;
    }
    m_tree.renameNode(current, dialog.name());
    // The entry follows the new name, and so do entries inside a renamed folder, which would
    // otherwise point at paths that no longer exist.
    for (int i = 0; i < m_selection.count(); ++i) {
        SelectionEntry& entry = m_selection.at(i);
        if (platform::PhonePath::same(entry.path, oldPath))
            entry.path = newPath;
        else if (platform::PhonePath::within(entry.path, oldPath))
            entry.path = newPath + entry.path.mid(oldPath.size());
    }
    m_changed();
}

void FileCommands::cutSelection()
{
    m_selection.setPendingOp(PendingOp::Cut);
    m_armed();
}

void FileCommands::copySelection()
{
    m_selection.setPendingOp(PendingOp::Copy);
    m_armed();
}

void FileCommands::pasteSelection()
{
    if (m_selection.pendingOp() == PendingOp::None)
        return;
    Paste paste(m_fileSystem, m_tree, m_selection, m_owner);
    paste.pasteSelection();
    m_changed();
}

void FileCommands::pasteShortcuts()
{
    if (m_selection.pendingOp() != PendingOp::Copy)
        return;
    Paste paste(m_fileSystem, m_tree, m_selection, m_owner);
    paste.pasteShortcuts();
    m_changed();
}

bool FileCommands::currentParentIsFree() const
{
    const TreeNode* current = m_tree.currentNode();
    return current && current->parent && current->parent->parent
           && m_selection.find(m_tree.fullPathOf(current->parent)) < 0;
}

void FileCommands::registerCommands(CommandTable& table)
{
    const auto hasCurrent = [this] { return m_tree.currentNode() != nullptr; };
    const auto hasSelection = [this] { return !m_selection.isEmpty(); };
    table.add(Cmd::NewFile, [this] { newItem(true); });
    table.add(Cmd::NewFolder, [this] { newItem(false); });
    table.add(Cmd::Rename, [this] { renameItem(); });
    table.add(
        Cmd::DeleteCurrent, [this] { deleteCurrent(); }, hasCurrent);
    table.add(
        Cmd::DeleteSelection, [this] { deleteSelection(); }, hasSelection);
    table
        .add(
            Cmd::SelectItem, [this] { toggleSelection(m_tree.currentNode()); }, hasCurrent)
        .label = [this] {
        const TreeNode* current = m_tree.currentNode();
        return Str::text(current && current->marked ? Str::DeselectItem : Str::SelectItem);
    };
    table.add(
        Cmd::ClearSelection, [this] { clearSelection(); }, hasSelection);
    table.add(
        Cmd::SelectAllInFolder, [this] { selectAllInFolder(); }, [this] { return currentParentIsFree(); });
    table.add(
        Cmd::CutSelection, [this] { cutSelection(); }, hasSelection);
    table.add(
        Cmd::CopySelection, [this] { copySelection(); }, hasSelection);
    table.add(
        Cmd::PasteSelection, [this] { pasteSelection(); },
        [this] { return m_selection.pendingOp() != PendingOp::None; });
    table.add(
        Cmd::PasteShortcut, [this] { pasteShortcuts(); },
        [this] { return m_selection.pendingOp() == PendingOp::Copy; });
}
