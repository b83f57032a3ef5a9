#include "tree/FolderListing.h"

#include "platform/FileSystem.h"
#include "platform/PhonePath.h"

#include <QElapsedTimer>

#include <algorithm>

using platform::FindData;

namespace FolderListingRules {

bool hasShownChildren(platform::FileSystem& fileSystem, const QString& folderPath, bool showHidden)
{
    bool found = false;
    (void)fileSystem.listForDisplay(folderPath, [&](const FindData& entry) {
        if (showHidden || !(entry.attributes & platform::Attr::Hidden))
            found = true;
        return !found;
    });
    return found;
}

void count(const FindData& entry, bool showHidden, ListingTally& tally)
{
    if (showHidden || !(entry.attributes & platform::Attr::Hidden))
        ++(entry.isFolder() ? tally.folders : tally.files);
}

std::unique_ptr<TreeNode> plainNode(platform::FileSystem& fileSystem, const FindData& entry,
                                    const QString& folderPath, const ListingRules& rules)
{
    if ((entry.attributes & platform::Attr::Hidden) && !rules.showHidden)
        return nullptr;
    auto node = std::make_unique<TreeNode>();
    node->text = entry.name;
    if (entry.isFolder()) {
        const QString path = platform::PhonePath::join(folderPath, entry.name);
        if (rules.hiddenFolders.containsValue(path))
            return nullptr;
        node->kind = TreeNode::Folder;
        node->childrenFlag = hasShownChildren(fileSystem, path, rules.showHidden);
    } else {
        node->kind = TreeNode::File;
    }
    node->shortcutOverlay = entry.name.endsWith(QLatin1String(".lnk"), Qt::CaseInsensitive);
    return node;
}

void sort(Nodes& nodes, bool byType)
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
    keys.reserve(nodes.size());
    for (size_t i = 0; i < nodes.size(); ++i)
        keys.push_back({byType ? nodes[i]->kind : TreeNode::None, nodes[i]->text.toCaseFolded(), i});
    std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        if (a.kind != b.kind)
            return a.kind == TreeNode::Folder;  // folders before files
        return QStringView(a.folded).compare(QStringView(b.folded)) < 0;
    });
    Nodes sorted;
    sorted.reserve(keys.size());
    for (const Key& key : keys)
        sorted.push_back(std::move(nodes[key.position]));
    nodes = std::move(sorted);
}

bool sortsBefore(const TreeNode& a, const TreeNode& b, bool byType)
{
    if (byType && a.kind != b.kind)
        return a.kind == TreeNode::Folder;  // folders before files
    return a.text.compare(b.text, Qt::CaseInsensitive) < 0;
}

}  // namespace FolderListingRules

namespace {

// The first batch is small, so the first rows come soon; later ones grow with what was shown.
constexpr size_t FirstBatch = 2048;
constexpr qint64 BatchIntervalMs = 500;

}  // namespace

FolderListing::FolderListing(platform::FileSystem& fileSystem, QObject* owner)
    : m_fileSystem(fileSystem), m_worker(owner)
{
}

FolderListing::~FolderListing() { stop(); }

void FolderListing::stop()
{
    m_worker.stop();
    m_folder = nullptr;
}

bool FolderListing::start(TreeNode* folder, const QString& folderPath, ListingRules rules, QSet<QString> skip,
                          Batch batch, Done done)
{
    stop();
    m_folder = folder;
    const bool started = m_worker.start([this, folderPath, rules = std::move(rules), skip = std::move(skip),
                                         batch = std::move(batch), done = std::move(done)](std::stop_token token) {
        using FolderListingRules::Nodes;
        Nodes nodes;
        ListingTally tally;
        size_t shown = skip.size();
        size_t batchSize = std::max(FirstBatch, shown);
        QElapsedTimer sinceBatch;
        sinceBatch.start();
        const auto hand = [&] {
            FolderListingRules::sort(nodes, rules.byType);
            shown += nodes.size();
            batchSize = std::max(batchSize, shown);
            // std::function wants a callable it can copy; the nodes travel once all the same.
            auto handed = std::make_shared<Nodes>(std::move(nodes));
            nodes.clear();
            m_worker.post([batch, handed] { batch(std::move(*handed)); });
            sinceBatch.restart();
        };
        const platform::FsError error = m_fileSystem.listForDisplay(folderPath, [&](const FindData& entry) {
            if (token.stop_requested())
                return false;
            FolderListingRules::count(entry, rules.showHidden, tally);
            if (skip.contains(entry.name))
                return true;
            if (auto node = FolderListingRules::plainNode(m_fileSystem, entry, folderPath, rules))
                nodes.push_back(std::move(node));
            if (nodes.size() >= batchSize || (!nodes.empty() && sinceBatch.elapsed() >= BatchIntervalMs))
                hand();
            return true;
        });
        if (token.stop_requested())
            return;
        if (!nodes.empty())
            hand();
        const bool complete = error == platform::FsError::None;
        m_worker.post([this, done, tally, complete] {
            m_folder = nullptr;
            done(tally, complete);
        });
    });
    if (!started)
        m_folder = nullptr;
    return started;
}
