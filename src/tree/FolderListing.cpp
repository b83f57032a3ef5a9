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

std::unique_ptr<TreeNode> plainNode(platform::FileSystem& fileSystem, const FindData& entry, const QString& folderPath,
                                    const ListingRules& rules)
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

void sort(Nodes& nodes, bool byType, FoldedNames* folded)
{
    // Case is folded once per name rather than on every comparison, which a big folder
    // would pay some million times. Folded texts compared as they are give the order of a
    // comparison that ignores case. They are kept back to back in one buffer, which a big
    // batch would otherwise pay an allocation per name for.
    struct Key {
        TreeNode::Kind kind;
        quint32 offset;
        quint32 length;
        quint32 position;
    };
    std::vector<Key> keys;
    keys.reserve(nodes.size());
    std::u16string chars;
    for (size_t i = 0; i < nodes.size(); ++i) {
        const QString key = nodes[i]->text.toCaseFolded();
        keys.push_back({byType ? nodes[i]->kind : TreeNode::None, static_cast<quint32>(chars.size()),
                        static_cast<quint32>(key.size()), static_cast<quint32>(i)});
        chars.append(reinterpret_cast<const char16_t*>(key.utf16()), static_cast<size_t>(key.size()));
    }
    const std::u16string_view all(chars);
    std::stable_sort(keys.begin(), keys.end(), [all](const Key& a, const Key& b) {
        if (a.kind != b.kind)
            return a.kind == TreeNode::Folder;  // folders before files
        return all.substr(a.offset, a.length) < all.substr(b.offset, b.length);
    });
    Nodes sorted;
    sorted.reserve(keys.size());
    if (folded) {
        folded->spans.clear();
        folded->spans.reserve(keys.size());
    }
    for (const Key& key : keys) {
        sorted.push_back(std::move(nodes[key.position]));
        if (folded)
            folded->spans.push_back({key.offset, key.length});
    }
    nodes = std::move(sorted);
    if (folded)
        folded->chars = std::move(chars);
}

bool sortsBefore(const TreeNode& a, const TreeNode& b, bool byType)
{
    if (byType && a.kind != b.kind)
        return a.kind == TreeNode::Folder;  // folders before files
    return a.text.compare(b.text, Qt::CaseInsensitive) < 0;
}

}  // namespace FolderListingRules

HandedOrder::Key HandedOrder::store(TreeNode::Kind kind, std::u16string_view folded)
{
    const Key key{static_cast<quint32>(m_chars.size()), static_cast<quint32>(folded.size()), rank(kind)};
    m_chars.insert(m_chars.end(), folded.begin(), folded.end());
    return key;
}

void HandedOrder::append(TreeNode::Kind kind, const QString& folded)
{
    m_keys.push_back(store(kind, std::u16string_view(reinterpret_cast<const char16_t*>(folded.utf16()),
                                                     static_cast<size_t>(folded.size()))));
}

std::vector<quint32> HandedOrder::merge(const std::vector<TreeNode::Kind>& kinds,
                                        const FolderListingRules::FoldedNames& folded)
{
    std::vector<Key> added;
    added.reserve(folded.spans.size());
    for (size_t i = 0; i < folded.spans.size(); ++i)
        added.push_back(
            store(kinds[i], std::u16string_view(folded.chars).substr(folded.spans[i].first, folded.spans[i].second)));
    const auto less = [this](const Key& a, const Key& b) {
        if (a.rank != b.rank)
            return a.rank < b.rank;
        return text(a) < text(b);
    };
    std::vector<quint32> places;
    places.reserve(added.size());
    std::vector<Key> merged;
    merged.reserve(m_keys.size() + added.size());
    size_t old = 0;
    for (const Key& key : added) {
        while (old < m_keys.size() && !less(key, m_keys[old]))
            merged.push_back(m_keys[old++]);
        places.push_back(static_cast<quint32>(old));
        merged.push_back(key);
    }
    merged.insert(merged.end(), m_keys.begin() + static_cast<std::ptrdiff_t>(old), m_keys.end());
    m_keys = std::move(merged);
    return places;
}

namespace {

// The first batch is small, so the first rows come soon; later ones grow with what was shown,
// so that the tree lays a big folder out a number of times that grows with its logarithm.
constexpr size_t FirstBatch = 2048;
// While the folder is small, a slow file system still shows progress every half second.
constexpr qint64 BatchIntervalMs = 500;
constexpr size_t TimedBatchesUpTo = 16384;

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
                          std::vector<Shown> shown, Batch batch, Done done)
{
    stop();
    m_folder = folder;
    const bool started = m_worker.start([this, folderPath, rules = std::move(rules), skip = std::move(skip),
                                         shown = std::move(shown), batch = std::move(batch),
                                         done = std::move(done)](std::stop_token token) {
        using FolderListingRules::Nodes;
        HandedOrder order(rules.byType);
        for (const Shown& item : shown)
            order.append(item.kind, item.name.toCaseFolded());
        Nodes nodes;
        ListingTally tally;
        size_t batchSize = std::max(FirstBatch, order.size());
        QElapsedTimer sinceBatch;
        sinceBatch.start();
        FolderListingRules::FoldedNames folded;
        std::vector<TreeNode::Kind> kinds;
        const auto hand = [&] {
            FolderListingRules::sort(nodes, rules.byType, &folded);
            kinds.clear();
            for (const auto& node : nodes)
                kinds.push_back(node->kind);
            const size_t handed = order.size();
            auto places = std::make_shared<std::vector<quint32>>(order.merge(kinds, folded));
            folded = {};
            batchSize = std::max(batchSize, order.size());
            // std::function wants a callable it can copy; the nodes travel once all the same.
            auto sorted = std::make_shared<Nodes>(std::move(nodes));
            nodes.clear();
            m_worker.post([batch, sorted, places, handed] { batch(std::move(*sorted), std::move(*places), handed); });
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
            if (nodes.size() >= batchSize
                || (!nodes.empty() && order.size() < TimedBatchesUpTo && sinceBatch.elapsed() >= BatchIntervalMs))
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
