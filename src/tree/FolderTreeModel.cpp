#include "tree/FolderTreeModel.h"

#include <QFont>

#include <algorithm>

FolderTreeModel::FolderTreeModel(QObject* parent) : QAbstractItemModel(parent) { m_root.kind = TreeNode::Folder; }

void FolderTreeModel::setIconSource(IconSource source) { m_iconSource = std::move(source); }

void FolderTreeModel::setMarksInBold(bool bold)
{
    if (m_marksInBold == bold)
        return;
    m_marksInBold = bold;
    // Every shown item changes its look; a layout change is the cheapest way to say so.
    emit layoutChanged();
}

TreeNode* FolderTreeModel::node(const QModelIndex& index) const
{
    if (!index.isValid())
        return const_cast<TreeNode*>(&m_root);
    return static_cast<TreeNode*>(index.internalPointer());
}

QModelIndex FolderTreeModel::indexOf(const TreeNode* node) const
{
    if (!node || node == &m_root)
        return {};
    return createIndex(node->row, 0, const_cast<TreeNode*>(node));
}

void FolderTreeModel::renumber(TreeNode* parent, size_t from)
{
    for (size_t i = from; i < parent->children.size(); ++i)
        parent->children[i]->row = static_cast<int>(i);
}

void FolderTreeModel::appendChildren(TreeNode* parent, std::vector<std::unique_ptr<TreeNode>> nodes)
{
    if (nodes.empty())
        return;
    const int first = static_cast<int>(parent->children.size());
    beginInsertRows(indexOf(parent), first, first + static_cast<int>(nodes.size()) - 1);
    parent->children.reserve(parent->children.size() + nodes.size());
    for (auto& child : nodes) {
        child->parent = parent;
        parent->children.push_back(std::move(child));
    }
    renumber(parent, static_cast<size_t>(first));
    endInsertRows();
}

void FolderTreeModel::mergeChildren(TreeNode* parent, std::vector<std::unique_ptr<TreeNode>> nodes,
                                    const std::function<bool(const TreeNode&, const TreeNode&)>& less)
{
    std::vector<quint32> places;
    places.reserve(nodes.size());
    size_t place = 0;
    for (const auto& added : nodes) {
        while (place < parent->children.size() && !less(*added, *parent->children[place]))
            ++place;
        places.push_back(static_cast<quint32>(place));
    }
    insertChildrenAt(parent, std::move(nodes), places);
}

void FolderTreeModel::insertChildrenAt(TreeNode* parent, std::vector<std::unique_ptr<TreeNode>> nodes,
                                       const std::vector<quint32>& places)
{
    if (nodes.empty())
        return;
    const size_t had = parent->children.size();
    // Nodes that all go after the ones there are appended, which the view takes as rows
    // inserted at the end.
    if (places.front() >= had) {
        appendChildren(parent, std::move(nodes));
        return;
    }
    reorderChildren(parent, [&] {
        // Merged in place from the back, so a big folder never holds its list twice.
        TreeNode::Children& children = parent->children;
        children.resize(had + nodes.size());
        size_t old = had;
        size_t to = children.size();
        for (size_t i = nodes.size(); i-- > 0;) {
            const size_t place = std::min<size_t>(places[i], had);
            while (old > place)
                children[--to] = std::move(children[--old]);
            nodes[i]->parent = parent;
            children[--to] = std::move(nodes[i]);
        }
    });
}

void FolderTreeModel::insertChild(TreeNode* parent, int row, std::unique_ptr<TreeNode> child)
{
    row = std::clamp(row, 0, static_cast<int>(parent->children.size()));
    beginInsertRows(indexOf(parent), row, row);
    child->parent = parent;
    parent->children.insert(parent->children.begin() + row, std::move(child));
    renumber(parent, static_cast<size_t>(row));
    endInsertRows();
}

namespace {
void visitSubtree(const TreeNode* node, const std::function<void(const TreeNode*)>& visit)
{
    for (const auto& child : node->children)
        visitSubtree(child.get(), visit);
    visit(node);
}
}  // namespace

void FolderTreeModel::removeChildren(TreeNode* parent, const std::function<void(const TreeNode*)>& beforeRemoval)
{
    if (parent->children.empty())
        return;
    if (beforeRemoval)
        for (const auto& child : parent->children)
            visitSubtree(child.get(), beforeRemoval);
    beginRemoveRows(indexOf(parent), 0, static_cast<int>(parent->children.size()) - 1);
    parent->children.clear();
    endRemoveRows();
}

void FolderTreeModel::removeChild(TreeNode* parent, int row, const std::function<void(const TreeNode*)>& beforeRemoval)
{
    if (row < 0 || row >= static_cast<int>(parent->children.size()))
        return;
    if (beforeRemoval)
        visitSubtree(parent->children[static_cast<size_t>(row)].get(), beforeRemoval);
    beginRemoveRows(indexOf(parent), row, row);
    parent->children.erase(parent->children.begin() + row);
    renumber(parent, static_cast<size_t>(row));
    endRemoveRows();
}

void FolderTreeModel::sortChildren(TreeNode* parent, const std::function<bool(const TreeNode&, const TreeNode&)>& less)
{
    if (parent->children.size() < 2)
        return;
    reorderChildren(parent, [&] {
        std::stable_sort(
            parent->children.begin(), parent->children.end(),
            [&](const std::unique_ptr<TreeNode>& a, const std::unique_ptr<TreeNode>& b) { return less(*a, *b); });
    });
}

void FolderTreeModel::reorderChildren(TreeNode* parent, const std::function<void()>& reorder)
{
    emit layoutAboutToBeChanged({QPersistentModelIndex(indexOf(parent))}, QAbstractItemModel::VerticalSortHint);
    const QModelIndexList before = persistentIndexList();
    std::vector<TreeNode*> nodesBefore;
    nodesBefore.reserve(static_cast<size_t>(before.size()));
    for (const QModelIndex& index : before)
        nodesBefore.push_back(node(index));
    reorder();
    renumber(parent);
    QModelIndexList after;
    after.reserve(before.size());
    for (TreeNode* moved : nodesBefore)
        after.append(indexOf(moved));
    changePersistentIndexList(before, after);
    emit layoutChanged({QPersistentModelIndex(indexOf(parent))}, QAbstractItemModel::VerticalSortHint);
}

void FolderTreeModel::nodeChanged(TreeNode* changed)
{
    const QModelIndex index = indexOf(changed);
    if (index.isValid())
        emit dataChanged(index, index);
}

QModelIndex FolderTreeModel::index(int row, int column, const QModelIndex& parentIndex) const
{
    const TreeNode* parentNode = node(parentIndex);
    if (column != 0 || row < 0 || row >= static_cast<int>(parentNode->children.size()))
        return {};
    return createIndex(row, 0, parentNode->children[static_cast<size_t>(row)].get());
}

QModelIndex FolderTreeModel::parent(const QModelIndex& child) const
{
    if (!child.isValid())
        return {};
    return indexOf(node(child)->parent);
}

int FolderTreeModel::rowCount(const QModelIndex& parentIndex) const
{
    if (parentIndex.column() > 0)
        return 0;
    return static_cast<int>(node(parentIndex)->children.size());
}

int FolderTreeModel::columnCount(const QModelIndex&) const { return 1; }

bool FolderTreeModel::hasChildren(const QModelIndex& parentIndex) const
{
    const TreeNode* parentNode = node(parentIndex);
    // Before a folder is listed, its children flag promises content and gives it an expand
    // button; once listed, what it holds decides.
    return !parentNode->children.empty() || (parentNode->isFolder() && parentNode->childrenFlag);
}

QVariant FolderTreeModel::data(const QModelIndex& index, int role) const
{
    const TreeNode* item = node(index);
    if (item == &m_root)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return item->text.toString();
    case Qt::DecorationRole:
        return m_iconSource ? QVariant(m_iconSource(item->image, item->shortcutOverlay)) : QVariant();
    case Qt::FontRole:
        if (m_marksInBold && item->marked) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        return {};
    case Qt::CheckStateRole:
        if (!m_marksInBold)
            return item->marked ? Qt::Checked : Qt::Unchecked;
        return {};
    default: return {};
    }
}

Qt::ItemFlags FolderTreeModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Marks are set by the selection commands, never by clicking the box. Saying that a file
    // never has children spares the view a look-up per row when it lays a big folder out.
    const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    return node(index)->isFolder() ? flags : flags | Qt::ItemNeverHasChildren;
}
