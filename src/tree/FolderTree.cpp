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

#include <algorithm>

using platform::FindData;

namespace {

bool endsWithShortcutSuffix(const QString& name) { return name.endsWith(QLatin1String(".lnk"), Qt::CaseInsensitive); }

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
    (void)m_fileSystem.listForDisplay(folderPath, [&](const FindData& entry) {
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
    ListingCounts counts;
    counts.path = folderPath;
    const bool showHidden = m_settings.showHidden;
    m_images.beginPopulation();
    const platform::FsError error = m_fileSystem.listForDisplay(folderPath, [&](const FindData& entry) {
        // Counted as the status line counts: folders the "Folders" key keeps out of the tree
        // are still in the folder.
        if (showHidden || !(entry.attributes & platform::Attr::Hidden))
            ++(entry.isFolder() ? counts.folders : counts.files);
        if (auto node = makeNode(entry, folderPath, inheritedMark))
            nodes.push_back(std::move(node));
        return true;
    });
    m_images.endPopulation();
    if (error != platform::FsError::None) {
        m_lastListing.reset();
        parent->childrenFlag = false;
        m_model.nodeChanged(parent);
        return;
    }
    counts.showHidden = showHidden;
    m_lastListing = std::move(counts);
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
    m_lastListing.reset();
    // The item goes where the folder's sort order puts it, before the first sibling that sorts
    // after it, so that it stands where the next listing would show it. Siblings that sort as
    // equal keep the new item after them, as a stable sort would.
    const auto after = std::find_if(
        parent->children.begin(), parent->children.end(),
        [&](const std::unique_ptr<TreeNode>& sibling) { return sortsBefore(*added, *sibling); });
    m_model.insertChild(parent, static_cast<int>(after - parent->children.begin()), std::move(node));
    setCurrentNode(added);
    return added;
}

void FolderTree::sortChildren(TreeNode* parent)
{
    // Case is folded once per name rather than on every comparison, which a big folder
    // would pay some million times. Folded texts compared as they are give the order of a
    // comparison that ignores case.
    struct Key {
        TreeNode::Kind kind;
        QString folded;
        size_t position;
    };
    std::vector<Key> keys;
    keys.reserve(parent->children.size());
    const bool byType = m_settings.sortsByType();
    for (size_t i = 0; i < parent->children.size(); ++i) {
        const TreeNode& child = *parent->children[i];
        keys.push_back({byType ? child.kind : TreeNode::None, child.text.toCaseFolded(), i});
    }
    std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        if (a.kind != b.kind)
            return a.kind == TreeNode::Folder;  // folders before files
        return QStringView(a.folded).compare(QStringView(b.folded)) < 0;
    });
    std::vector<std::unique_ptr<TreeNode>> sorted;
    sorted.reserve(keys.size());
    for (const Key& key : keys)
        sorted.push_back(std::move(parent->children[key.position]));
    parent->children = std::move(sorted);
}

bool FolderTree::sortsBefore(const TreeNode& a, const TreeNode& b) const
{
    if (m_settings.sortsByType() && a.kind != b.kind)
        return a.kind == TreeNode::Folder;  // folders before files
    return a.text.compare(b.text, Qt::CaseInsensitive) < 0;
}

void FolderTree::sortAll()
{
    std::vector<TreeNode*> folders{m_model.root()};
    while (!folders.empty()) {
        TreeNode* folder = folders.back();
        folders.pop_back();
        if (folder->children.size() > 1)
            m_model.sortChildren(folder, [this](const TreeNode& a, const TreeNode& b) { return sortsBefore(a, b); });
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
    m_lastListing.reset();
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
    m_lastListing.reset();
    m_model.removeChildren(node, [this](const TreeNode* removed) { forgetSubtree(removed); });
}

void FolderTree::resetToTopLevel()
{
    deleteChildren(nullptr);
    populate(QString(), nullptr);
}

bool FolderTree::takeListingCounts(const QString& folderPath, bool showHidden, qint64& folders, qint64& files)
{
    const std::optional<ListingCounts> counts = std::exchange(m_lastListing, std::nullopt);
    if (!counts || counts->showHidden != showHidden || counts->path != folderPath)
        return false;
    folders = counts->folders;
    files = counts->files;
    return true;
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

TreeNode* FolderTree::topLevelNode(int row) const { return m_model.node(m_model.index(row, 0)); }

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
    m_lastListing.reset();
    // The card's mount folder was a folder of the root before the card came, and may have
    // been listed: that item becomes the card's, so the card shows once. What it held was the
    // folder's own content, which the card now covers.
    for (const auto& child : root->children) {
        if (child->text != name)
            continue;
        TreeNode* card = child.get();
        const bool currentInside = isWithin(currentNode(), card);
        collapse(m_model.indexOf(card));
        deleteChildren(card);
        card->kind = TreeNode::Folder;
        card->childrenFlag = true;
        card->image = m_images.folderIcons(cardPath).closed;
        m_model.nodeChanged(card);
        if (currentInside)
            setCurrentNode(card);
        return;
    }
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
    // The item of exactly that name; otherwise the one that differs only in case.
    TreeNode* card = nullptr;
    for (const auto& child : root->children) {
        if (child->text == name) {
            card = child.get();
            break;
        }
        if (!card && child->text.compare(name, Qt::CaseInsensitive) == 0)
            card = child.get();
    }
    if (!card)
        return;
    m_lastListing.reset();
    const int row = card->row;
    const bool currentInside = isWithin(currentNode(), card);
    m_model.removeChild(root, row, [this](const TreeNode* removed) { forgetSubtree(removed); });
    // The view leaves nothing current when the current item went with the card: the cursor
    // goes to the card's nearest neighbour, the one that took its place or else the one before.
    if (currentInside && !root->children.empty())
        setCurrentNode(
            root->children[static_cast<size_t>(std::min(row, static_cast<int>(root->children.size()) - 1))].get());
    emit cardItemsRemoved(cardPath);
}

bool FolderTree::isWithin(const TreeNode* node, const TreeNode* ancestor)
{
    for (; node; node = node->parent)
        if (node == ancestor)
            return true;
    return false;
}
