#include "tree/TreeNavigation.h"

#include "dialogs/WaitCursor.h"
#include "platform/FileSystem.h"
#include "platform/PhonePath.h"
#include "tree/FolderTree.h"

#include <QApplication>
#include <QKeyEvent>

namespace TreeNavigation {

namespace {

TreeNode* childNamed(TreeNode* parent, const QString& name)
{
    for (const auto& child : parent->children)
        if (child->text == name)
            return child.get();
    return nullptr;
}

// The real path of a typed one: each name as typed when an item has exactly that name, else
// the one item whose name differs only in case (so "\\storage\\a.txt" finds "\\Storage\\a.txt",
// but never picks one of two case twins). Empty when nothing fits.
QString resolveTyped(platform::FileSystem& fileSystem, const QString& path)
{
    QString resolved;
    for (const QString& component : path.split(u'\\', Qt::SkipEmptyParts)) {
        const QString exact = platform::PhonePath::join(resolved, component);
        if (fileSystem.exists(exact)) {
            resolved = exact;
            continue;
        }
        QStringList matches;
        (void)fileSystem.listForDisplay(resolved, [&](const platform::FindData& entry) {
            if (entry.name.compare(component, Qt::CaseInsensitive) == 0)
                matches << entry.name;
            return matches.size() < 2;
        });
        if (matches.size() != 1)
            return QString();
        resolved = platform::PhonePath::join(resolved, matches.front());
    }
    return resolved;
}

}  // namespace

bool isExpandedWithChildren(const FolderTree& tree, const TreeNode* node)
{
    if (!node || node == tree.treeModel()->root())
        return true;  // the top level is always open
    return !node->children.empty() && tree.isExpanded(tree.treeModel()->indexOf(node));
}

void parentFolder(FolderTree& tree)
{
    TreeNode* current = tree.currentNode();
    if (!current || current->parent == tree.treeModel()->root())
        return;
    tree.setCurrentNode(current->parent);
}

void page(FolderTree& tree, bool up)
{
    // The tree pages by one screenful, as it does for the keys themselves.
    QKeyEvent key(QEvent::KeyPress, up ? Qt::Key_PageUp : Qt::Key_PageDown, Qt::NoModifier);
    QCoreApplication::sendEvent(&tree, &key);
}

void refresh(FolderTree& tree)
{
    TreeNode* current = tree.currentNode();
    if (!current)
        return;
    TreeNode* root = tree.treeModel()->root();
    TreeNode* folder = current->isFolder() && isExpandedWithChildren(tree, current) ? current : current->parent;
    const QString keep = folder == current ? QString() : current->text.toString();
    tree.setUpdatesEnabled(false);
    if (folder == root) {
        tree.deleteChildren(nullptr);
        tree.populate(QString(), nullptr);
        tree.setCurrentNode(tree.topLevelNode(0));
    } else {
        // A big folder is listed again as an expansion lists it: the window goes on meanwhile.
        tree.deleteChildren(folder);
        tree.listInBackground(folder, tree.fullPathOf(folder));
        if (folder == current) {
            tree.setCurrentNode(folder);
        } else if (TreeNode* again = childNamed(folder, keep)) {
            // The cursor stays on the item it was on, when it is still there.
            tree.setCurrentNode(again);
        } else {
            tree.setCurrentNode(folder);
            tree.selectWhenListed(folder, keep);
        }
    }
    tree.setUpdatesEnabled(true);
    tree.viewport()->update();
}

RevealResult reveal(FolderTree& tree, platform::FileSystem& fileSystem, const QString& path)
{
    if (path.isEmpty() || path == u"\\")
        return RevealResult::Shown;
    const QString full = resolveTyped(fileSystem, path);
    if (full.isEmpty())
        return RevealResult::Missing;
    QString rest = full.mid(1);
    WaitCursor wait;
    TreeNode* parent = tree.treeModel()->root();
    while (!rest.isEmpty()) {
        const qsizetype slash = rest.indexOf(u'\\');
        const QString component = slash < 0 ? rest : rest.left(slash);
        rest = slash < 0 ? QString() : rest.mid(slash + 1);
        if (rest.isEmpty()) {
            if (isExpandedWithChildren(tree, parent))
                if (TreeNode* item = childNamed(parent, component)) {
                    tree.setCurrentNode(item);
                    return RevealResult::Shown;
                }
            // Not listed yet (new since the folder was read, or a folder never opened). An
            // item the tree does not show (hidden, or a folder kept out) is left unselected.
            (void)tree.populateSingle(full, parent == tree.treeModel()->root() ? nullptr : parent);
            return RevealResult::Shown;
        }
        TreeNode* next = childNamed(parent, component);
        if (!next)
            return RevealResult::NotInTree;
        // A folder still being listed is listed again whole: the item may not have come yet.
        if (tree.isListing(next))
            tree.collapse(tree.treeModel()->indexOf(next));
        if (!isExpandedWithChildren(tree, next) || !tree.isExpanded(tree.treeModel()->indexOf(next)))
            tree.expandListedWhole(next);
        parent = next;
    }
    return RevealResult::Shown;
}

}  // namespace TreeNavigation
