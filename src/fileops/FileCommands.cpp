#include "fileops/FileCommands.h"

#include "dialogs/MessageBox.h"
#include "dialogs/WaitCursor.h"
#include "fileops/Delete.h"
#include "fileops/DeleteSelectionDialog.h"
#include "fileops/NameDialog.h"
#include "fileops/Paste.h"
#include "fileops/Selection.h"
#include "platform/FileSystem.h"
#include "platform/PhonePath.h"
#include "resources/Commands.h"
#include "resources/StringTable.h"
#include "tree/FolderTree.h"

#include <QApplication>

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
        // A selected folder takes the place of the entries inside it.
        if (item->isFolder())
            m_selection.removeInside(path);
        m_tree.setMarkWithDescendants(item, true);
        SelectionEntry entry = [&] {
            WaitCursor wait;
            return Selection::measure(m_fileSystem, path, item->kind);
        }();
        entry.item = item;
        m_selection.append(std::move(entry));
    }
    if (m_selection.isEmpty())
        m_pendingOp = 0;
    m_changed();
}

void FileCommands::clearSelection()
{
    for (int i = 0; i < m_selection.count(); ++i)
        if (TreeNode* item = m_selection.at(i).item)
            m_tree.setMarkWithDescendants(item, false);
    m_selection.clear();
    m_pendingOp = 0;
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
    std::vector<TreeNode*> children;
    for (const auto& child : folder->children)
        children.push_back(child.get());
    for (TreeNode* child : children)
        if (!child->marked)
            toggleSelection(child);
}

void FileCommands::deleteCurrent()
{
    TreeNode* current = m_tree.currentNode();
    if (!current)
        return;
    const QString path = m_tree.fullPathOf(current);
    if (MessageBox::question(m_owner, Str::arg(Str::DeleteQuestion, path)) != Cmd::Yes)
        return;
    if (!Delete::deleteItem(m_fileSystem, m_owner, path, current->isFolder())) {
        MessageBox::error(m_owner, Str::arg(Str::DeleteFileFailed, path));
    } else {
        m_tree.removeNode(current);
        // The entry goes; the armed operation stays as it was.
        if (const int index = m_selection.find(path); index >= 0)
            m_selection.removeAt(index);
    }
    m_changed();
}

void FileCommands::deleteSelection()
{
    QStringList paths;
    for (int i = 0; i < m_selection.count(); ++i)
        paths << m_selection.at(i).path;
    DeleteSelectionDialog dialog(paths);
    if (dialog.run(m_owner) == Cmd::DialogCancel)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    for (int i = m_selection.count() - 1; i >= 0; --i) {
        const SelectionEntry entry = m_selection.at(i);
        if (!Delete::deleteItem(m_fileSystem, m_owner, entry.path, entry.kind == TreeNode::Folder)) {
            QApplication::restoreOverrideCursor();
            MessageBox::error(m_owner, Str::arg(Str::DeleteFileFailed, entry.path));
            QApplication::setOverrideCursor(Qt::WaitCursor);
            break;
        }
        m_selection.removeAt(i);
        if (entry.item)
            m_tree.removeNode(entry.item);
    }
    QApplication::restoreOverrideCursor();
    if (m_selection.isEmpty())
        m_pendingOp = 0;
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
        if (platform::PhonePath::equals(entry.path, oldPath))
            entry.path = newPath;
        else if (platform::PhonePath::liesInside(entry.path, oldPath))
            entry.path = newPath + entry.path.mid(oldPath.size());
    }
    m_changed();
}

void FileCommands::pasteSelection()
{
    if (m_pendingOp == 0)
        return;
    Paste paste(m_fileSystem, m_tree, m_selection, m_pendingOp, m_owner);
    paste.pasteSelection();
    m_changed();
}

void FileCommands::pasteShortcuts()
{
    if (m_pendingOp != 1)
        return;
    Paste paste(m_fileSystem, m_tree, m_selection, m_pendingOp, m_owner);
    paste.pasteShortcuts();
    m_changed();
}

