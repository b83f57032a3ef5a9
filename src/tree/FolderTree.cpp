#include "tree/FolderTree.h"

#include "platform/FileSystem.h"
#include "platform/PhonePath.h"
#include "settings/TreeOptions.h"
#include "tree/FolderListing.h"
#include "tree/SelectionMarks.h"
#include "tree/TreeImageList.h"

#include <QApplication>
#include <QHash>
#include <QKeyEvent>

#include <algorithm>

using platform::FindData;

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

// The listings' workers are stopped and joined before the nodes they fill go.
FolderTree::~FolderTree() { stopAllListings(); }

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
    return FolderListingRules::hasShownChildren(m_fileSystem, folderPath, m_settings.showHidden);
}

ListingRules FolderTree::listingRules() const
{
    return {m_settings.showHidden, m_settings.sortsByType(), m_settings.hiddenFolders};
}

void FolderTree::dressNode(TreeNode& node, const QString& folderPath, const Dressing& dressing)
{
    // A file's image comes from its name alone; a folder's, and the mark, from its path.
    QString path;
    if (node.isFolder()) {
        path = platform::PhonePath::join(folderPath, node.text);
        node.setImage(m_images.folderIcons(path).closed);
    } else {
        node.setImage(m_images.fileImage(node.text));
    }
    if (dressing.inheritedMark) {
        node.marked = true;
        return;
    }
    if (!m_marks || !dressing.mayAttach)
        return;
    if (path.isEmpty())
        path = platform::PhonePath::join(folderPath, node.text);
    node.marked = m_marks->attachItem(path, &node);
}

FolderTree::Dressing FolderTree::dressingFor(const QString& folderPath) const
{
    if (!m_marks)
        return {};
    const bool inherited = m_marks->marksContentsOf(folderPath);
    return {inherited, !inherited && m_marks->mayHoldEntriesIn(folderPath)};
}

std::unique_ptr<TreeNode> FolderTree::makeNode(const FindData& entry, const QString& folderPath, bool inheritedMark)
{
    std::unique_ptr<TreeNode> node = FolderListingRules::plainNode(m_fileSystem, entry, folderPath, listingRules());
    if (node)
        dressNode(*node, folderPath, {inheritedMark, true});
    return node;
}

// What a listing on the spot gave: the dressed nodes, unsorted, the counts, and with a limit
// the names it saw and whether it stopped short of the folder's end.
struct FolderTree::Listed {
    FolderListingRules::Nodes nodes;
    ListingTally tally;
    QSet<QString> seen;
    bool more = false;
    platform::FsError error = platform::FsError::None;
};

FolderTree::Listed FolderTree::listHere(const QString& folderPath, const ListingRules& rules, qsizetype limit)
{
    const Dressing dressing = dressingFor(folderPath);
    Listed listed;
    m_images.beginPopulation();
    listed.error = m_fileSystem.listForDisplay(folderPath, [&](const FindData& entry) {
        if (limit >= 0) {
            if (listed.seen.size() >= limit) {
                listed.more = true;
                return false;
            }
            listed.seen.insert(entry.name);
        }
        // Counted as the status line counts: folders the "Folders" key keeps out of the tree
        // are still in the folder.
        FolderListingRules::count(entry, rules.showHidden, listed.tally);
        if (auto node = FolderListingRules::plainNode(m_fileSystem, entry, folderPath, rules)) {
            dressNode(*node, folderPath, dressing);
            listed.nodes.push_back(std::move(node));
        }
        return true;
    });
    m_images.endPopulation();
    return listed;
}

void FolderTree::populate(const QString& folderPath, TreeNode* parent)
{
    if (!parent)
        parent = m_model.root();
    stopListing(parent);
    const ListingRules rules = listingRules();
    Listed listed = listHere(folderPath, rules, -1);
    if (listed.error != platform::FsError::None) {
        listingFailed(parent);
        return;
    }
    // Sorting before the nodes reach the model spares the view a layout change per folder.
    FolderListingRules::sort(listed.nodes, rules.byType);
    m_model.appendChildren(parent, std::move(listed.nodes));
    listingDone(parent, folderPath, rules.showHidden, listed.tally);
}

void FolderTree::listingFailed(TreeNode* folder)
{
    m_lastListing.reset();
    folder->childrenFlag = false;
    m_model.nodeChanged(folder);
}

void FolderTree::listingDone(TreeNode* folder, const QString& folderPath, bool showHidden, ListingTally tally)
{
    m_lastListing = ListingCounts{folderPath, showHidden, tally.folders, tally.files};
    folder->childrenFlag = true;
    m_model.nodeChanged(folder);
}

void FolderTree::listInBackground(TreeNode* folder, const QString& folderPath)
{
    stopListing(folder);
    const Dressing dressing = dressingFor(folderPath);
    const ListingRules rules = listingRules();
    // The first screenful is listed here and now, so a small folder is complete before the
    // key returns and a big one shows its first rows at once; the rest follows from a worker.
    Listed listed = listHere(folderPath, rules, ListedAtOnce);
    if (listed.error != platform::FsError::None && !listed.more) {
        listingFailed(folder);
        return;
    }
    FolderListingRules::sort(listed.nodes, rules.byType);
    m_model.appendChildren(folder, std::move(listed.nodes));
    if (!listed.more) {
        listingDone(folder, folderPath, rules.showHidden, listed.tally);
        return;
    }
    folder->childrenFlag = true;
    m_model.nodeChanged(folder);
    m_lastListing.reset();

    std::vector<FolderListing::Shown> shown;
    shown.reserve(folder->children.size());
    for (const auto& child : folder->children)
        shown.push_back({child->kind, child->text});
    FolderListing* listing = freeListing();
    const bool byType = rules.byType;
    const bool showHidden = rules.showHidden;
    const bool started = listing->start(
        folder, folderPath, rules, std::move(listed.seen), std::move(shown),
        [this, folder, folderPath, dressing, byType](FolderListingRules::Nodes batch, std::vector<quint32> places,
                                                     size_t handed) {
            // The worker knows where each node goes among those it handed; when the folder
            // has gained or lost an item since (a paste, a delete), the names decide, and an
            // item the tree has added meanwhile is not shown twice.
            const bool placed = folder->children.size() == handed;
            if (!placed) {
                QSet<QString> present;
                for (const auto& child : folder->children)
                    present.insert(child->text);
                std::erase_if(batch,
                              [&](const std::unique_ptr<TreeNode>& node) { return present.contains(node->text); });
            }
            m_images.beginPopulation();
            for (const auto& node : batch)
                dressNode(*node, folderPath, dressing);
            m_images.endPopulation();
            TreeNode* awaited = nullptr;
            if (m_awaited && m_awaited->folder == folder && currentNode() == folder)
                for (const auto& node : batch)
                    if (node->text == m_awaited->name)
                        awaited = node.get();
            if (placed)
                m_model.insertChildrenAt(folder, std::move(batch), places);
            else
                m_model.mergeChildren(folder, std::move(batch), [byType](const TreeNode& a, const TreeNode& b) {
                    return FolderListingRules::sortsBefore(a, b, byType);
                });
            if (awaited) {
                m_awaited.reset();
                setCurrentNode(awaited);
            }
        },
        [this, folder, folderPath, showHidden](ListingTally whole, bool complete) {
            if (m_awaited && m_awaited->folder == folder)
                m_awaited.reset();
            if (complete)
                listingDone(folder, folderPath, showHidden, whole);
            emit listingFinished(folder);
        });
    if (!started) {
        // No thread to list the rest on: the folder is listed whole here, as before there were
        // workers, rather than left half shown.
        m_model.removeChildren(folder, [this](const TreeNode* removed) { forgetSubtree(removed); });
        populate(folderPath, folder);
    }
}

FolderListing* FolderTree::freeListing()
{
    for (const auto& listing : m_listings)
        if (!listing->folder())
            return listing.get();
    m_listings.push_back(std::make_unique<FolderListing>(m_fileSystem, this));
    return m_listings.back().get();
}

void FolderTree::selectWhenListed(TreeNode* folder, const QString& name)
{
    if (isListing(folder))
        m_awaited = Awaited{folder, name};
}

void FolderTree::stopListing(const TreeNode* folder)
{
    if (m_awaited && m_awaited->folder == folder)
        m_awaited.reset();
    for (const auto& listing : m_listings)
        if (listing->folder() == folder)
            listing->stop();
}

bool FolderTree::isListing(const TreeNode* folder) const
{
    return std::any_of(m_listings.begin(), m_listings.end(),
                       [folder](const auto& listing) { return listing->folder() == folder; });
}

void FolderTree::stopAllListings()
{
    for (const auto& listing : m_listings)
        listing->stop();
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
        expandListedWhole(parent);
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

bool FolderTree::sortsBefore(const TreeNode& a, const TreeNode& b) const
{
    return FolderListingRules::sortsBefore(a, b, m_settings.sortsByType());
}

void FolderTree::sortAll()
{
    // A folder still being listed is listed again in the new order: its worker places what
    // comes by the order it started with.
    std::vector<TreeNode*> listed;
    for (const auto& listing : m_listings)
        if (listing->folder())
            listed.push_back(listing->folder());
    for (TreeNode* folder : listed) {
        const QModelIndex index = m_model.indexOf(folder);
        const bool open = isExpanded(index);
        deleteChildren(folder);
        listInBackground(folder, fullPathOf(folder));
        if (open && !isExpanded(index)) {
            m_repopulating = true;
            expand(index);
            m_repopulating = false;
        }
    }
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
        node->setImage(isExpanded(m_model.indexOf(node)) ? icons.open : icons.closed);
    } else {
        m_images.beginPopulation();
        node->setImage(m_images.fileImage(name));
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
    stopListing(node);
    if (m_marks)
        m_marks->itemsRemoved(node);
}

void FolderTree::deleteChildren(TreeNode* node)
{
    if (!node)
        node = m_model.root();
    stopListing(node);
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
    // Every expansion rereads the folder, so it shows what is on disk now.
    const QString path = fullPathOf(node);
    const TreeImageList::FolderIcons icons = m_images.folderIcons(path);
    m_repopulating = true;
    deleteChildren(node);
    if (m_listWhole > 0)
        populate(path, node);
    else
        listInBackground(node, path);
    node->setImage(icons.open);
    m_model.nodeChanged(node);
    // Removing every child collapses the item in the view; open it again on the new ones.
    if (!isExpanded(index))
        expand(index);
    m_repopulating = false;
}

void FolderTree::expandListedWhole(TreeNode* folder)
{
    ++m_listWhole;
    expand(m_model.indexOf(folder));
    --m_listWhole;
}

void FolderTree::onCollapsed(const QModelIndex& index)
{
    TreeNode* node = m_model.node(index);
    if (!node->isFolder())
        return;
    // What was listed so far stays; opening the folder again rereads it anyway.
    if (!m_repopulating && isListing(node)) {
        stopListing(node);
        emit listingFinished(node);
    }
    node->setImage(m_images.folderIcons(fullPathOf(node)).closed);
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
        card->setImage(m_images.folderIcons(cardPath).closed);
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
    node->setImage(m_images.folderIcons(cardPath).closed);
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
