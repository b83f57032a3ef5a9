#include "fileops/Paste.h"

#include "dialogs/MessageBox.h"
#include "dialogs/QuestionBox.h"
#include "fileops/Delete.h"
#include "fileops/Selection.h"
#include "fileops/ShortcutFile.h"
#include "platform/FileSystem.h"
#include "platform/PhonePath.h"
#include "resources/Commands.h"
#include "resources/StringTable.h"
#include "tree/FolderTree.h"
#include "tree/TreeNavigation.h"

#include <QApplication>
#include <QFile>

using platform::FsError;
using platform::PhonePath::equals;
using platform::PhonePath::join;
using platform::PhonePath::splitLast;

Paste::Paste(platform::FileSystem& fileSystem, FolderTree& tree, Selection& selection, int& pendingOp, QWidget* owner)
    : m_fileSystem(fileSystem), m_tree(tree), m_selection(selection), m_pendingOp(pendingOp), m_owner(owner)
{
}

void Paste::pasteTarget(const FolderTree& tree, QString& path, TreeNode*& item)
{
    TreeNode* current = tree.currentNode();
    if (current && current->isFolder()) {
        item = current;
        path = tree.fullPathOf(current);
        return;
    }
    item = current ? current->parent : nullptr;
    if (item == tree.treeModel()->root())
        item = nullptr;
    path = current ? splitLast(tree.fullPathOf(current)).folder : QString();
}

Paste::Resolution Paste::resolveTargetName(int index, const QString& prefix, QString& name)
{
    const SelectionEntry& entry = m_selection.at(index);
    const auto [folder, entryName] = splitLast(entry.path);
    name = entryName;
    if (equals(folder, m_destination)) {
        if (m_pendingOp != 1)
            return SameFolderCut;
        do
            name = prefix + name;
        while (m_fileSystem.exists(join(m_destination, name)));
        return Free;
    }
    const QString target = join(m_destination, name);
    if (!m_fileSystem.exists(target))
        return Free;
    if (m_noToAll)
        return Skip;
    if (m_yesToAll)
        return Overwrite;
    QApplication::restoreOverrideCursor();
    const QString question = entry.kind == 1 ? Str::arg(Str::OverwriteFolderQuestion, target)
                                             : Str::arg(Str::OverwriteFileQuestion, target);
    const int answer = QuestionBox::ask(m_owner, question, m_yesToAll, m_noToAll);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    return answer == Cmd::Yes ? Overwrite : Skip;
}

bool Paste::copyFolderTree(const QString& source, const QString& target)
{
    platform::FindData existing;
    if (m_fileSystem.lookUp(target, existing) != FsError::None
        && m_fileSystem.createFolder(target) != FsError::None)
        return false;
    // The names are read first, so that a copy into the folder itself can never list itself.
    QList<platform::FindData> entries;
    (void)m_fileSystem.enumerate(source + QStringLiteral("\\*.*"), [&](const platform::FindData& entry) {
        entries.append(entry);
        return true;
    });
    for (const platform::FindData& entry : entries) {
        const QString childSource = join(source, entry.name);
        const QString childTarget = join(target, entry.name);
        if (entry.isFolder() && !(entry.attributes & platform::Attr::ReparsePoint)) {
            if (!copyFolderTree(childSource, childTarget))
                return false;
        } else if (m_fileSystem.copyFile(childSource, childTarget, false, m_pendingOp == 2) != FsError::None) {
            MessageBox::error(m_owner, Str::arg(Str::CopyFileFailed, childSource));
            return false;
        }
    }
    return true;
}

bool Paste::transfer(int index, const QString& target)
{
    const SelectionEntry entry = m_selection.at(index);
    const bool cut = m_pendingOp == 2;
    if (entry.kind == 1) {
        if (!copyFolderTree(entry.path, target)) {
            MessageBox::error(m_owner, Str::arg(cut ? Str::CutFolderFailed : Str::CopyFolderFailed, entry.path));
            return false;
        }
        if (cut && !Delete::deleteFolderTree(m_fileSystem, m_owner, entry.path)) {
            MessageBox::error(m_owner, Str::arg(Str::CopiedButNotDeleted, entry.path));
            return false;
        }
        return true;
    }
    // A move flushes the copy to the disk before the source goes.
    if (m_fileSystem.copyFile(entry.path, target, false, cut) != FsError::None) {
        MessageBox::error(m_owner, Str::arg(cut ? Str::CutFileFailed : Str::CopyFileFailed, entry.path));
        return false;
    }
    if (cut && m_fileSystem.deleteFile(entry.path) != FsError::None) {
        MessageBox::error(m_owner, Str::arg(Str::CopiedButNotDeleted, entry.path));
        return false;
    }
    return true;
}

void Paste::pasteSelection()
{
    if (!m_tree.currentNode())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    pasteTarget(m_tree, m_destination, m_destinationItem);
    if (m_selection.covers(m_destination.isEmpty() ? QStringLiteral("\\") : m_destination)) {
        QApplication::restoreOverrideCursor();
        MessageBox::error(m_owner, Str::text(Str::PasteIntoItself));
        return;
    }
    m_yesToAll = m_noToAll = false;
    for (int index = m_selection.count() - 1; index >= 0; --index) {
        QString name;
        const Resolution resolution = resolveTargetName(index, Str::text(Str::CopyOfPrefix), name);
        if (resolution == SameFolderCut) {
            QApplication::restoreOverrideCursor();
            MessageBox::error(m_owner, Str::text(Str::SourceIsDestination));
            QApplication::setOverrideCursor(Qt::WaitCursor);
            break;
        }
        if (resolution == Skip)
            continue;
        const QString target = join(m_destination, name);
        if (!transfer(index, target))
            break;
        if (m_pendingOp == 2) {
            if (TreeNode* item = m_selection.at(index).item)
                m_tree.removeNode(item);
            m_selection.removeAt(index);
        }
        if (m_destinationItem)
            m_destinationItem->childrenFlag = true;
        if (resolution == Free && TreeNavigation::isExpandedWithChildren(m_tree, m_destinationItem))
            (void)m_tree.populateSingle(target, m_destinationItem);
    }
    QApplication::restoreOverrideCursor();
    if (m_selection.isEmpty())
        m_pendingOp = 0;
}

void Paste::pasteShortcuts()
{
    if (!m_tree.currentNode())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    pasteTarget(m_tree, m_destination, m_destinationItem);
    for (int index = m_selection.count() - 1; index >= 0; --index) {
        // A shortcut never replaces anything, so no overwrite question is asked: in the
        // entry's own folder the name takes the "Shortcut to " prefix, elsewhere the entry's
        // name, and a name already taken gets a number below.
        const auto [folder, entryName] = splitLast(m_selection.at(index).path);
        QString name = entryName;
        if (equals(folder, m_destination)) {
            do
                name = Str::text(Str::ShortcutToPrefix) + name;
            while (m_fileSystem.exists(join(m_destination, name)));
        }
        const QString path = join(m_destination, name + QStringLiteral(".lnk"));
        const QString target = u'"' + m_selection.at(index).path + u'"';
        QString free = path;
        for (int n = 2; m_fileSystem.exists(free); ++n)
            free = join(m_destination, name + QStringLiteral(" (%1).lnk").arg(n));
        if (m_fileSystem.createNewFile(free) != FsError::None || !writeShortcut(free, target)) {
            QApplication::restoreOverrideCursor();
            MessageBox::error(m_owner, Str::arg(Str::ShortcutFailed, m_selection.at(index).path));
            return;
        }
        if (m_destinationItem)
            m_destinationItem->childrenFlag = true;
        if (TreeNavigation::isExpandedWithChildren(m_tree, m_destinationItem))
            (void)m_tree.populateSingle(free, m_destinationItem);
    }
    QApplication::restoreOverrideCursor();
}

bool Paste::writeShortcut(const QString& path, const QString& target)
{
    QFile file(QFile::decodeName(m_fileSystem.hostPath(path)));
    const QByteArray bytes = ShortcutFile::encode(target);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
