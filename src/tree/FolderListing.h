#pragma once

#include "jobs/Worker.h"
#include "settings/OrderedStringMap.h"
#include "tree/TreeNode.h"

#include <QSet>
#include <QString>

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

// Lists the rest of one folder on a worker of its own and hands the nodes to the user-interface
// thread in sorted batches, each at least as big as everything handed before (so that merging
// them costs the tree a number of passes that grows with the logarithm of the folder's size),
// or after half a second, so that a slow file system still shows progress.
class FolderListing {
public:
    // A sorted batch of nodes; after the last one, `done` with the counts of the whole folder
    // and whether it could be listed to its end.
    using Batch = std::function<void(FolderListingRules::Nodes nodes)>;
    using Done = std::function<void(ListingTally tally, bool complete)>;

    FolderListing(platform::FileSystem& fileSystem, QObject* owner);
    ~FolderListing();
    FolderListing(const FolderListing&) = delete;
    FolderListing& operator=(const FolderListing&) = delete;

    // Lists `folderPath` for `folder`, leaving out the entries named in `skip` (the tree shows
    // them already) but counting them. False when no thread can be had.
    [[nodiscard]] bool start(TreeNode* folder, const QString& folderPath, ListingRules rules, QSet<QString> skip,
                             Batch batch, Done done);
    // Stops the listing and waits for its thread; nothing more of it arrives.
    void stop();

    // The folder being listed, or null when this listing is free.
    TreeNode* folder() const { return m_folder; }

private:
    platform::FileSystem& m_fileSystem;
    TreeNode* m_folder = nullptr;
    Worker m_worker;
};
