#pragma once

#include "tree/FolderTreeModel.h"
#include "tree/TreeNode.h"

#include <QTreeView>

#include <memory>
#include <optional>
#include <vector>

struct TreeOptions;
struct ListingRules;
struct ListingTally;
class FolderListing;
class SelectionMarks;
class TreeImageList;
namespace platform {
class FileSystem;
struct FindData;
}  // namespace platform

// The one view of Fennick: the whole file system as a tree whose folders are listed each
// time they are expanded. Items hold only what TreeNode holds; full paths are rebuilt from
// the names of the ancestors.
class FolderTree : public QTreeView {
    Q_OBJECT
public:
    FolderTree(platform::FileSystem& fileSystem, const TreeOptions& settings, TreeImageList& images,
               QWidget* parent = nullptr);
    ~FolderTree() override;

    void setSelectionMarks(SelectionMarks* marks) { m_marks = marks; }
    FolderTreeModel* treeModel() { return &m_model; }
    const FolderTreeModel* treeModel() const { return &m_model; }

    // Lists a folder ("" for the root) under `parent` (null for the top level), whole and at
    // once, replacing nothing: callers delete the old children first.
    void populate(const QString& folderPath, TreeNode* parent);
    // Lists a folder under `folder` as an expansion does: the first screenful at once, and in
    // a big folder the rest from a worker, merged in sorted batches (listingFinished follows).
    // Callers delete the old children first.
    void listInBackground(TreeNode* folder, const QString& folderPath);
    // Opens a folder whose listing the caller needs whole at once (to find an item in it).
    void expandListedWhole(TreeNode* folder);
    // Makes the item `name` current when the listing of `folder` brings it, unless the cursor
    // has left the folder by then.
    void selectWhenListed(TreeNode* folder, const QString& name);
    // True while the rest of `folder` is being listed on a worker.
    bool isListing(const TreeNode* folder) const;
    // Stops every listing and joins its worker; what they listed so far stays.
    void stopAllListings();
    // How many entries an expansion lists before its key returns.
    static constexpr qsizetype ListedAtOnce = 256;
    // Adds the one existing item at `path` under `parent` in the place the sort order gives
    // it, selects it and scrolls to it; returns the new item, or null when it is missing or not
    // shown.
    TreeNode* populateSingle(const QString& path, TreeNode* parent);

    // The counts of the folder listed last, for the status line, which would otherwise list
    // the same folder again: true when `folderPath` was the last folder listed (with the same
    // show-hidden setting) and nothing in the tree has changed since. Every call forgets them.
    bool takeListingCounts(const QString& folderPath, bool showHidden, qint64& folders, qint64& files);

    // True when the folder holds an entry that would be shown.
    bool hasShownChildren(const QString& folderPath);

    QString fullPathOf(const TreeNode* node) const;  // "\" for none
    static QString textOf(const TreeNode* node) { return node ? node->text.toString() : QString(); }
    static TreeNode::Kind kindOf(const TreeNode* node) { return node ? node->kind : TreeNode::None; }
    void deleteChildren(TreeNode* node);  // null: the whole top level

    TreeNode* currentNode() const;  // null when no item is current
    void setCurrentNode(TreeNode* node);
    TreeNode* topLevelNode(int row) const;

    // Gives an item a new name in place (the folder is not sorted again) and the icon of it.
    void renameNode(TreeNode* node, const QString& name);

    // Removes an item with everything beneath it; a folder left with no child item loses its
    // expand button.
    void removeNode(TreeNode* node);

    // Sets or clears the mark of an item and of every item the tree holds beneath it.
    void setMarkWithDescendants(TreeNode* node, bool marked);

    // Re-sorts the top level and every open folder with the current sort mode.
    void sortAll();
    // Rereads the top level, as when the whole view is reset.
    void resetToTopLevel();

    // A storage card appeared or went away (its phone folder path, "\Storage Card").
    void cardInserted(const QString& cardPath);
    void cardRemoved(const QString& cardPath);

signals:
    // The listing of a big folder ended: complete (its counts are then taken as those of a
    // folder listed last), failed or stopped (the folder was closed).
    void listingFinished(TreeNode* folder);
    // An item and everything beneath it left the tree with a removed card.
    void cardItemsRemoved(const QString& cardPath);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    void onExpanded(const QModelIndex& index);
    void onCollapsed(const QModelIndex& index);
    // Builds the node of one enumerated entry, or null when it is not to be shown.
    std::unique_ptr<TreeNode> makeNode(const platform::FindData& entry, const QString& folderPath, bool inheritedMark);
    // What the selection gives the items of one folder: the mark of them all, or a look-up of
    // each (which an empty selection spares).
    struct Dressing {
        bool inheritedMark = false;
        bool mayAttach = false;
    };
    Dressing dressingFor(const QString& folderPath) const;
    // Gives a plain node what the window knows: its image and its mark.
    void dressNode(TreeNode& node, const QString& folderPath, const Dressing& dressing);
    ListingRules listingRules() const;
    struct Listed;
    // Lists a folder here and now, up to `limit` entries (-1: all of them).
    Listed listHere(const QString& folderPath, const ListingRules& rules, qsizetype limit);
    void listingFailed(TreeNode* folder);
    void listingDone(TreeNode* folder, const QString& folderPath, bool showHidden, ListingTally tally);
    FolderListing* freeListing();
    void stopListing(const TreeNode* folder);
    // The order of siblings under the current sort mode: by name without regard to case, and
    // folders before files when sorting by type.
    bool sortsBefore(const TreeNode& a, const TreeNode& b) const;
    void forgetSubtree(const TreeNode* node);
    // True when `node` is `ancestor` or lies beneath it.
    static bool isWithin(const TreeNode* node, const TreeNode* ancestor);

    platform::FileSystem& m_fileSystem;
    const TreeOptions& m_settings;
    TreeImageList& m_images;
    SelectionMarks* m_marks = nullptr;
    FolderTreeModel m_model;
    bool m_repopulating = false;
    struct ListingCounts {
        QString path;
        bool showHidden = false;
        qint64 folders = 0;
        qint64 files = 0;
    };
    std::optional<ListingCounts> m_lastListing;
    struct Awaited {
        TreeNode* folder = nullptr;
        QString name;
    };
    std::optional<Awaited> m_awaited;
    int m_listWhole = 0;  // expansions that must list their folder whole at once
    // One per folder listed at the same time; a free one is used again.
    std::vector<std::unique_ptr<FolderListing>> m_listings;
};
