#include "fileops/Paste.h"

#include "dialogs/JobDialog.h"
#include "dialogs/MessageBox.h"
#include "dialogs/QuestionBox.h"
#include "fileops/FailureText.h"
#include "fileops/Selection.h"
#include "fileops/ShortcutFile.h"
#include "jobs/JobContext.h"
#include "platform/FileSystem.h"
#include "platform/PhonePath.h"
#include "resources/Commands.h"
#include "resources/StringTable.h"
#include "resources/UnnumberedTexts.h"
#include "tree/FolderTree.h"
#include "tree/TreeNavigation.h"

#include <QFile>

#include <algorithm>

using platform::DirEntry;
using platform::FileId;
using platform::FsError;
using platform::ItemKind;
using platform::OpenFolder;
using platform::PhonePath::join;
using platform::PhonePath::splitLast;

Paste::Paste(platform::FileSystem& fileSystem, FolderTree& tree, Selection& selection, QWidget* owner)
    : m_fileSystem(fileSystem), m_tree(tree), m_selection(selection), m_owner(owner)
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

void Paste::pasteSelection()
{
    if (!m_tree.currentNode())
        return;
    pasteTarget(m_tree, m_destination, m_destinationItem);
    if (m_selection.covers(m_destination.isEmpty() ? QStringLiteral("\\") : m_destination)) {
        MessageBox::error(m_owner, Str::text(Str::PasteIntoItself));
        return;
    }
    m_cut = m_selection.pendingOp() == PendingOp::Cut;
    m_work.clear();
    qint64 items = 0, bytes = 0;
    for (int index = 0; index < m_selection.count(); ++index) {
        const SelectionEntry& entry = m_selection.at(index);
        m_work.push_back({index, entry.path, entry.kind});
        items += entry.itemCount();
        bytes += entry.totalBytes;
    }
    m_yesToAll = m_noToAll = m_refusedInside = false;
    m_done.clear();
    m_messages.clear();
    JobDialog::run(m_owner, Txt::text(Txt::Pasting), [this, items, bytes](JobContext& context) {
        context.itemsTotal = items;
        context.bytesTotal = bytes;
        work(context);
    });

    if (m_refusedInside) {
        MessageBox::error(m_owner, Str::text(Str::PasteIntoItself));
        return;
    }
    showNewItems();
    for (const QString& message : std::as_const(m_messages))
        MessageBox::error(m_owner, message);
    if (m_selection.isEmpty())
        m_selection.setPendingOp(PendingOp::None);
}

// The worker's part: everything that touches the disk, from the last entry to the first.
void Paste::work(JobContext& context)
{
    if (m_work.empty())
        return;
    const int outerText = failureText(m_work.back().kind);
    OpenFolder destination;
    if (const FsError error = m_fileSystem.openFolder(m_destination, destination); error != FsError::None) {
        m_messages << FailureText::message(outerText, m_work.back().path, error);
        return;
    }
    // Where the destination really is: through a link it may lie inside a selected folder,
    // which no comparison of paths can see.
    std::vector<FileId> inside;
    if (const FsError error = m_fileSystem.identityChain(destination, inside); error != FsError::None) {
        m_messages << FailureText::message(outerText, m_work.back().path, error);
        return;
    }
    for (const Work& entry : m_work) {
        if (entry.kind != ItemKind::Folder)
            continue;
        OpenFolder folder;
        DirEntry item;
        FileId id;
        if (m_fileSystem.openFolder(splitLast(entry.path).folder, folder) == FsError::None
            && m_fileSystem.entryAt(folder, splitLast(entry.path).name, item, &id) == FsError::None
            && item.kind == DirEntry::Folder && std::find(inside.begin(), inside.end(), id) != inside.end()) {
            m_refusedInside = true;
            return;
        }
    }

    for (auto entry = m_work.rbegin(); entry != m_work.rend(); ++entry) {
        if (context.stopRequested())
            return;
        const auto [folder, name] = splitLast(entry->path);
        OpenFolder source;
        DirEntry item;
        std::vector<FileId> sourceChain;
        FsError error = m_fileSystem.openFolder(folder, source);
        if (error == FsError::None)
            error = m_fileSystem.entryAt(source, name, item);
        if (error == FsError::None)
            error = m_fileSystem.identityChain(source, sourceChain);
        if (error != FsError::None) {
            m_messages << FailureText::message(failureText(entry->kind), entry->path, error);
            return;
        }
        // A named pipe, a device or a socket can never be copied, whatever is tried again: it
        // is named with its reason and left selected, and the paste goes on with the others,
        // so that every such entry is named rather than only the first one met.
        if (item.kind == DirEntry::Other) {
            m_messages << FailureText::message(failureText(entry->kind), entry->path, FsError::NotRegularFile);
            continue;
        }
        // The same folder is the same folder on the disk, whatever paths lead to it.
        const bool sameFolder = sourceChain.front() == inside.front();
        QString targetName;
        const Resolution resolution = resolveTargetName(context, *entry, destination, sameFolder, targetName);
        if (resolution == SameFolderCut) {
            m_messages << Str::text(Str::SourceIsDestination);
            return;
        }
        if (resolution == Skip)
            continue;
        if (!transfer(context, *entry, source, item.kind, destination, targetName, resolution == Overwrite))
            return;
        m_done.push_back({entry->index, resolution, join(m_destination, targetName), entry->kind});
    }
}

Paste::Resolution Paste::resolveTargetName(JobContext& context, const Work& entry, const OpenFolder& destination,
                                           bool sameFolder, QString& name)
{
    name = splitLast(entry.path).name;
    DirEntry existing;
    const auto exists = [&](const QString& candidate) {
        return m_fileSystem.entryAt(destination, candidate, existing) != FsError::FileNotFound;
    };
    if (sameFolder) {
        if (m_cut)
            return SameFolderCut;
        do
            name = Str::text(Str::CopyOfPrefix) + name;
        while (exists(name));
        return Free;
    }
    if (!exists(name))
        return Free;
    if (m_noToAll)
        return Skip;
    if (m_yesToAll)
        return Overwrite;
    const QString target = join(m_destination, name);
    const QString question = entry.kind == ItemKind::Folder ? Str::arg(Str::OverwriteFolderQuestion, target)
                                                            : Str::arg(Str::OverwriteFileQuestion, target);
    const int answer = context.ask(
        [this, question] { return QuestionBox::ask(m_owner, question, m_yesToAll, m_noToAll); }, Cmd::No);
    return answer == Cmd::Yes ? Overwrite : Skip;
}

bool Paste::transfer(JobContext& context, const Work& entry, const OpenFolder& source, DirEntry::Kind kind,
                     const OpenFolder& destination, const QString& name, bool replace)
{
    const int entryText = failureText(entry.kind);
    TreeWalk walk(m_fileSystem, &context);
    const QString sourceName = splitLast(entry.path).name;
    if (!walk.copyItem(source, sourceName, kind, destination, name, replace, false)) {
        if (walk.failure().error == FsError::Cancelled) {
            // A stopped move leaves its source whole and takes back its partial copy.
            if (m_cut)
                walk.undoCreated();
            return false;
        }
        // An item inside a folder is named first, then the entry the user asked for.
        const TreeWalk::Failure& failure = walk.failure();
        if (failure.path != entry.path)
            m_messages << FailureText::ofWalk(failure, m_cut ? Str::CutFileFailed : Str::CopyFileFailed);
        m_messages << FailureText::message(entryText, entry.path, failure.error);
        return false;
    }
    if (!m_cut)
        return true;
    // The copy is on the disk before anything of the source goes; once deleting has begun it
    // is finished, so that no source is left half deleted by a stop.
    if (const FsError error = m_fileSystem.syncAt(destination); error != FsError::None) {
        m_messages << FailureText::message(entryText, entry.path, error);
        return false;
    }
    TreeWalk removal(m_fileSystem, nullptr);
    if (!removal.deleteItem(source, sourceName, kind, false)) {
        const TreeWalk::Failure& failure = removal.failure();
        if (failure.path != entry.path)
            m_messages << FailureText::ofWalk(failure, Str::DeleteFileFailed);
        m_messages << FailureText::message(Str::CopiedButNotDeleted, entry.path, failure.error);
        return false;
    }
    return true;
}

int Paste::failureText(ItemKind kind) const
{
    if (m_cut)
        return kind == ItemKind::Folder ? Str::CutFolderFailed : Str::CutFileFailed;
    return kind == ItemKind::Folder ? Str::CopyFolderFailed : Str::CopyFileFailed;
}

// The tree catches up with what the worker did, in the order it did it.
void Paste::showNewItems()
{
    for (const Done& done : m_done) {
        if (m_cut) {
            if (TreeNode* item = m_selection.at(done.index).item)
                m_tree.removeNode(item);
            m_selection.removeAt(done.index);
        }
        if (m_destinationItem) {
            m_destinationItem->childrenFlag = true;
            m_tree.treeModel()->nodeChanged(m_destinationItem);
        }
        if (!TreeNavigation::isExpandedWithChildren(m_tree, m_destinationItem))
            continue;
        if (done.resolution == Free) {
            (void)m_tree.populateSingle(done.target, m_destinationItem);
        } else if (done.kind == ItemKind::Folder) {
            // A merged folder that is open shows what arrived in it.
            const QString name = splitLast(done.target).name;
            TreeNode* parent = m_destinationItem ? m_destinationItem : m_tree.treeModel()->root();
            for (const auto& child : parent->children)
                if (child->text == name) {
                    addMissingChildren(child.get());
                    break;
                }
        }
    }
}

void Paste::addMissingChildren(TreeNode* folderItem)
{
    if (!TreeNavigation::isExpandedWithChildren(m_tree, folderItem))
        return;
    const QString folderPath = m_tree.fullPathOf(folderItem);
    QStringList names;
    (void)m_fileSystem.listForDisplay(folderPath, [&](const platform::FindData& entry) {
        names << entry.name;
        return true;
    });
    std::vector<TreeNode*> shown;
    for (const auto& child : folderItem->children)
        shown.push_back(child.get());
    for (TreeNode* child : shown) {
        names.removeAll(child->text);
        if (child->isFolder())
            addMissingChildren(child);
    }
    for (const QString& name : std::as_const(names))
        (void)m_tree.populateSingle(join(folderPath, name), folderItem);
}

void Paste::pasteShortcuts()
{
    if (!m_tree.currentNode())
        return;
    pasteTarget(m_tree, m_destination, m_destinationItem);
    for (int index = m_selection.count() - 1; index >= 0; --index) {
        // A shortcut never replaces anything, so no overwrite question is asked: in the
        // entry's own folder the name takes the "Shortcut to " prefix, elsewhere the entry's
        // name, and a name already taken gets a number below.
        const auto [folder, entryName] = splitLast(m_selection.at(index).path);
        QString name = entryName;
        if (platform::PhonePath::same(folder, m_destination)) {
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
            MessageBox::error(m_owner, Str::arg(Str::ShortcutFailed, m_selection.at(index).path));
            return;
        }
        if (m_destinationItem)
            m_destinationItem->childrenFlag = true;
        if (TreeNavigation::isExpandedWithChildren(m_tree, m_destinationItem))
            (void)m_tree.populateSingle(free, m_destinationItem);
    }
}

bool Paste::writeShortcut(const QString& path, const QString& target)
{
    QFile file(QFile::decodeName(m_fileSystem.hostPath(path)));
    const QByteArray bytes = ShortcutFile::encode(target);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
