#pragma once

#include "jobs/Worker.h"
#include "settings/OrderedStringMap.h"
#include "tree/TreeNode.h"

#include <QSet>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <stop_token>
#include <vector>

namespace platform {
class FileSystem;
struct FindData;
}  // namespace platform

// What decides which entries of a folder become items of the tree, and in which order: a copy,
// so that a listing on a worker never reads settings the user may be changing.
struct ListingRules {
    bool showHidden = false;
    bool byType = false;
    OrderedStringMap hiddenFolders;  // folders left out of the tree, by full path
};

// The counts of a listed folder as the status line gives them: folders the tree leaves out
// are still counted.
struct ListingTally {
    qint64 folders = 0;
    qint64 files = 0;
};

namespace FolderListingRules {

using Nodes = std::vector<std::unique_ptr<TreeNode>>;

// True when the folder holds an entry that would be shown.
bool hasShownChildren(platform::FileSystem& fileSystem, const QString& folderPath, bool showHidden);

// Counts an entry as the status line counts it.
void count(const platform::FindData& entry, bool showHidden, ListingTally& tally);

// The node of one enumerated entry, with what needs no window (its name, kind, the expand
// button of a folder and the shortcut overlay), or null when the tree leaves it out. Images and
// marks are the tree's to add.
std::unique_ptr<TreeNode> plainNode(platform::FileSystem& fileSystem, const platform::FindData& entry,
                                    const QString& folderPath, const ListingRules& rules);

// Sorts siblings: by name without regard to case, folders first when sorting by type, and
// entries that compare equal in the order they came.
void sort(Nodes& nodes, bool byType);
// The same order, for one pair.
bool sortsBefore(const TreeNode& a, const TreeNode& b, bool byType);

}  // namespace FolderListingRules

// The names of every node a listing has handed to the tree, in the tree's order: what lets the
// worker tell the tree where each new node goes, so that the tree merges a batch into a big
// folder without comparing a name. The names are shared with the nodes, not copied, and lie in
// blocks rather than one array, so the order never needs twice its size to grow.
class HandedOrder {
public:
    explicit HandedOrder(bool byType) : m_byType(byType) {}

    // Adds a name that sorts after every name of its kind there.
    void append(TreeNode::Kind kind, const QString& name);
    // Adds the names of a sorted batch; returns for each how many names that were there before
    // sort before it (those that compare equal stay first).
    std::vector<quint32> merge(const FolderListingRules::Nodes& sorted);
    size_t size() const { return m_first.size() + m_after.size(); }

private:
    using Names = std::deque<NodeName>;
    // Sorting by type puts every folder before every file: their names are kept apart, so that
    // a name needs no rank beside it.
    Names& namesOf(TreeNode::Kind kind) { return m_byType && kind != TreeNode::Folder ? m_after : m_first; }
    // Merges `added`, sorted, into `names`; `before` names sort before all of them.
    static void mergeInto(Names& names, std::vector<NodeName> added, size_t before, std::vector<quint32>& places);

    bool m_byType;
    Names m_first;
    Names m_after;
};

// Lists the rest of one folder on a worker of its own and hands the nodes to the user-interface
// thread in sorted batches, each at least as big as everything handed before (so that merging
// them costs the tree a number of passes that grows with the logarithm of the folder's size),
// or after half a second, so that a slow file system still shows progress. A batch waits until
// the window has laid out the one before it.
class FolderListing {
public:
    // A sorted batch of nodes, with the place of each among the nodes handed before, which were
    // `handed` (the ones shown at first and the earlier batches); after the last one, `done`
    // with the counts of the whole folder and whether it could be listed to its end.
    using Batch = std::function<void(FolderListingRules::Nodes nodes, std::vector<quint32> places, size_t handed)>;
    using Done = std::function<void(ListingTally tally, bool complete)>;

    FolderListing(platform::FileSystem& fileSystem, QObject* owner);
    ~FolderListing();
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;

    // The children the tree shows already, in its order.
    struct Shown {
        TreeNode::Kind kind;
        QString name;
    };
    // Lists `folderPath` for `folder`, leaving out the entries named in `skip` (the tree has
    // seen them already; those it shows are `shown`) but counting them. False when no thread can
    // be had.
    [[nodiscard]] bool start(TreeNode* folder, const QString& folderPath, ListingRules rules, QSet<QString> skip,
                             std::vector<Shown> shown, Batch batch, Done done);
    // Stops the listing and waits for its thread; nothing more of it arrives.
    void stop();

    // The folder being listed, or null when this listing is free.
    TreeNode* folder() const { return m_folder; }

private:
    platform::FileSystem& m_fileSystem;
    TreeNode* m_folder = nullptr;
    Worker m_worker;
};
