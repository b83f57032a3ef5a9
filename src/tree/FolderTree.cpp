#include "tree/FolderTree.h"

#include "dialogs/WaitCursor.h"
#include "platform/FileSystem.h"
#include "platform/PhonePath.h"
#include "settings/TreeOptions.h"
#include "tree/SelectionMarks.h"
#include "tree/TreeImageList.h"

#include <QApplication>
#include <QHash>
#include <QKeyEvent>

using platform::FindData;

namespace {

bool endsWithShortcutSuffix(const QString& name)
{
    return name.endsWith(QLatin1String(".lnk"), Qt::CaseInsensitive);
}

}  // namespace

FolderTree::FolderTree(platform::FileSystem& fileSystem, const TreeOptions& settings, TreeImageList& images,
                       QWidget* parent)
    : QTreeView(parent), m_fileSystem(fileSystem), m_settings(settings), m_images(images)
{
    m_model.setIconSource([this](int image, bool overlay) { return m_images.icon(image, overlay); });
    setModel(&m_model);
    setHeaderHidden(true);
    setUniformRowHeights(true);
    setRootIsDecorated(true);
    setItemsExpandable(true);
    setExpandsOnDoubleClick(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(false);
    setAllColumnsShowFocus(true);
    connect(this, &QTreeView::expanded, this, &FolderTree::onExpanded);
    connect(this, &QTreeView::collapsed, this, &FolderTree::onCollapsed);
}

QString FolderTree::fullPathOf(const TreeNode* node) const
{
    if (!node || node == m_model.root() || !node->parent)
        return QStringLiteral("\\");
    QStringList names;
    for (const TreeNode* item = node; item && item->parent; item = item->parent)
        names.prepend(item->text);
    return u'\\' + names.join(u'\\');
}

bool FolderTree::hasShownChildren(const QString& folderPath)
{
    bool found = false;
    const bool showHidden = m_settings.showHidden;
    (void)m_fileSystem.enumerate(folderPath + QStringLiteral("\\*.*"), [&](const FindData& entry) {
        if (showHidden || !(entry.attributes & platform::Attr::Hidden))
            found = true;
        return !found;
    });
    return found;
}

std::unique_ptr<TreeNode> FolderTree::makeNode(const FindData& entry, const QString& folderPath, bool inheritedMark)
{
    if ((entry.attributes & platform::Attr::Hidden) && !m_settings.showHidden)
        return nullptr;
    auto node = std::make_unique<TreeNode>();
    node->text = entry.name;
    const QString path = platform::PhonePath::join(folderPath, entry.name);
    if (entry.isFolder()) {
        if (m_settings.hiddenFolders.containsValue(path))
            return nullptr;
        node->kind = TreeNode::Folder;
        node->image = m_images.folderIcons(path).closed;
        node->childrenFlag = hasShownChildren(path);
    } else {
        node->kind = TreeNode::File;
        node->image = m_images.fileImage(entry.name);
    }
    node->shortcutOverlay = endsWithShortcutSuffix(entry.name);
    if (inheritedMark)
        node->marked = true;
    else if (m_marks && m_marks->attachItem(path, node.get()))
        node->marked = true;
    return node;
}

void FolderTree::populate(const QString& folderPath, TreeNode* parent)
{
    if (!parent)
        parent = m_model.root();
    const bool inheritedMark = m_marks && m_marks->marksContentsOf(folderPath);
    std::vector<std::unique_ptr<TreeNode>> nodes;
    m_images.beginPopulation();
    const platform::FsError error =
        m_fileSystem.enumerate(folderPath + QStringLiteral("\\*.*"), [&](const FindData& entry) {
            if (auto node = makeNode(entry, folderPath, inheritedMark))
                nodes.push_back(std::move(node));
            return true;
        });
    m_images.endPopulation();
    if (error != platform::FsError::None) {
        parent->childrenFlag = false;
        m_model.nodeChanged(parent);
        return;
    }
    parent->childrenFlag = true;
    // Sorting before the nodes reach the model spares the view a layout change per folder.
    TreeNode scratch;
    scratch.children = std::move(nodes);
    sortChildren(&scratch);
    m_model.appendChildren(parent, std::move(scratch.children));
    m_model.nodeChanged(parent);
}

TreeNode* FolderTree::populateSingle(const QString& path, TreeNode* parent)
{
    if (!parent)
        parent = m_model.root();
    FindData entry;
    if (m_fileSystem.lookUp(path, entry) != platform::FsError::None) {
        parent->childrenFlag = false;
        m_model.nodeChanged(parent);
        return nullptr;
    }
    parent->childrenFlag = true;
    m_model.nodeChanged(parent);
    const QString folderPath = platform::PhonePath::splitLast(path).folder;
    const QModelIndex parentIndex = m_model.indexOf(parent);
    if (parentIndex.isValid() && !isExpanded(parentIndex)) {
        // Showing an item in a closed folder opens the folder, which rereads it: the new item
        // is then among its children, in its sorted place.
        expand(parentIndex);
        for (const auto& child : parent->children)
            if (child->text == entry.name) {
                setCurrentNode(child.get());
                return child.get();
            }
        return nullptr;
    }
    const bool inheritedMark = m_marks && m_marks->marksContentsOf(folderPath);
    m_images.beginPopulation();
    std::unique_ptr<TreeNode> node = makeNode(entry, folderPath, inheritedMark);
    m_images.endPopulation();
    if (!node)
        return nullptr;
    TreeNode* added = node.get();
    // Not sorted: the item stays at the end until its folder is next listed or sorted.
    m_model.insertChild(parent, static_cast<int>(parent->children.size()), std::move(node));
    setCurrentNode(added);
    return added;
}

void FolderTree::sortChildren(TreeNode* parent)
{
    auto byName = [](const std::unique_ptr<TreeNode>& a, const std::unique_ptr<TreeNode>& b) {
        return a->text.compare(b->text, Qt::CaseInsensitive) < 0;
    };
    std::stable_sort(parent->children.begin(), parent->children.end(), byName);
    if (m_settings.sortsByType())
        std::stable_sort(parent->children.begin(), parent->children.end(),
                         [](const std::unique_ptr<TreeNode>& a, const std::unique_ptr<TreeNode>& b) {
                             return a->kind < b->kind;
                         });
}

void FolderTree::sortAll()
{
    std::vector<TreeNode*> folders{m_model.root()};
    while (!folders.empty()) {
        TreeNode* folder = folders.back();
        folders.pop_back();
        if (folder->children.size() > 1) {
            const bool byType = m_settings.sortsByType();
            m_model.sortChildren(folder, [byType](const TreeNode& a, const TreeNode& b) {
                if (byType && a.kind != b.kind)
                    return a.kind < b.kind;
                return a.text.compare(b.text, Qt::CaseInsensitive) < 0;
            });
        }
        // Closed folders keep their order: opening them rereads and sorts them anyway.
        for (const auto& child : folder->children)
            if (!child->children.empty() && isExpanded(m_model.indexOf(child.get())))
                folders.push_back(child.get());
    }
}

void FolderTree::renameNode(TreeNode* node, const QString& name)
{
    node->text = name;
    node->shortcutOverlay = name.endsWith(QLatin1String(".lnk"), Qt::CaseInsensitive);
    if (node->isFolder()) {
        const TreeImageList::FolderIcons icons = m_images.folderIcons(fullPathOf(node));
        node->image = isExpanded(m_model.indexOf(node)) ? icons.open : icons.closed;
    } else {
        m_images.beginPopulation();
        node->image = m_images.fileImage(name);
        m_images.endPopulation();
    }
    m_model.nodeChanged(node);
}

void FolderTree::removeNode(TreeNode* node)
{
    TreeNode* parent = node->parent;
    if (!parent)
        return;
    m_model.removeChild(parent, node->row, [this](const TreeNode* removed) { forgetSubtree(removed); });
    if (parent != m_model.root() && parent->children.empty()) {
        parent->childrenFlag = false;
        m_model.nodeChanged(parent);
    }
}

void FolderTree::setMarkWithDescendants(TreeNode* node, bool marked)
{
    std::vector<TreeNode*> pending{node};
    while (!pending.empty()) {
        TreeNode* item = pending.back();
        pending.pop_back();
        if (item->marked != marked) {
            item->marked = marked;
            m_model.nodeChanged(item);
        }
        for (const auto& child : item->children)
            pending.push_back(child.get());
    }
}

void FolderTree::forgetSubtree(const TreeNode* node)
{
    if (m_marks)
        m_marks->itemsRemoved(node);
}

void FolderTree::deleteChildren(TreeNode* node)
{
    if (!node)
        node = m_model.root();
    m_model.removeChildren(node, [this](const TreeNode* removed) { forgetSubtree(removed); });
}

void FolderTree::resetToTopLevel()
{
    deleteChildren(nullptr);
    populate(QString(), nullptr);
}

TreeNode* FolderTree::currentNode() const
{
    const QModelIndex index = currentIndex();
    return index.isValid() ? m_model.node(index) : nullptr;
}

void FolderTree::setCurrentNode(TreeNode* node)
{
    const QModelIndex index = m_model.indexOf(node);
    if (!index.isValid())
        return;
    setCurrentIndex(index);
    scrollTo(index);
}

TreeNode* FolderTree::topLevelNode(int row) const
{
    return m_model.node(m_model.index(row, 0));
}

void FolderTree::onExpanded(const QModelIndex& index)
{
    if (m_repopulating)
        return;
    TreeNode* node = m_model.node(index);
    if (!node->isFolder())
        return;
    WaitCursor wait;
    // Every expansion rereads the folder, so it shows what is on disk now.
    const QString path = fullPathOf(node);
    const TreeImageList::FolderIcons icons = m_images.folderIcons(path);
    m_repopulating = true;
    deleteChildren(node);
    populate(path, node);
    node->image = icons.open;
    m_model.nodeChanged(node);
    // Removing every child collapses the item in the view; open it again on the new ones.
    if (!isExpanded(index))
        expand(index);
    m_repopulating = false;
}

void FolderTree::onCollapsed(const QModelIndex& index)
{
    TreeNode* node = m_model.node(index);
    if (!node->isFolder())
        return;
    node->image = m_images.folderIcons(fullPathOf(node)).closed;
    m_model.nodeChanged(node);
}

void FolderTree::keyPressEvent(QKeyEvent* event)
{
    // The action key opens and closes folders, as on the phone.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        const QModelIndex index = currentIndex();
        if (index.isValid() && m_model.hasChildren(index)) {
            setExpanded(index, !isExpanded(index));
            event->accept();
            return;
        }
    }
    QTreeView::keyPressEvent(event);
}

// On the phone the current item is the highlighted one. The view makes a row current without
// selecting it in places of its own (when it first takes the focus, when the current row is
// removed), which would leave the current row looking like any other.
void FolderTree::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QTreeView::currentChanged(current, previous);
    if (current.isValid() && !selectionModel()->isSelected(current))
        selectionModel()->select(current, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void FolderTree::cardInserted(const QString& cardPath)
{
    const QString name = cardPath.mid(1);
    TreeNode* root = m_model.root();
    int row = 0;
    while (row < static_cast<int>(root->children.size())
           && root->children[static_cast<size_t>(row)]->text.compare(name, Qt::CaseInsensitive) <= 0)
        ++row;
    auto node = std::make_unique<TreeNode>();
    node->text = name;
    node->kind = TreeNode::Folder;
    node->childrenFlag = true;
    node->image = m_images.folderIcons(cardPath).closed;
    m_model.insertChild(root, row, std::move(node));
}

void FolderTree::cardRemoved(const QString& cardPath)
{
    const QString name = cardPath.mid(1);
    TreeNode* root = m_model.root();
    for (size_t row = 0; row < root->children.size(); ++row) {
        if (root->children[row]->text.compare(name, Qt::CaseInsensitive) == 0) {
            m_model.removeChild(root, static_cast<int>(row), [this](const TreeNode* removed) { forgetSubtree(removed); });
            emit cardItemsRemoved(cardPath);
            return;
        }
    }
}
