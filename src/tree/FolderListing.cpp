#include "tree/FolderListing.h"

#include "platform/FileSystem.h"
#include "platform/PhonePath.h"

#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <atomic>

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

void sort(Nodes& nodes, bool byType)
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

void HandedOrder::append(TreeNode::Kind kind, const QString& name) { namesOf(kind).push_back(name); }

std::vector<quint32> HandedOrder::merge(const FolderListingRules::Nodes& sorted)
{
    std::vector<NodeName> first;
    std::vector<NodeName> after;
    for (const auto& node : sorted)
        (&namesOf(node->kind) == &m_first ? first : after).push_back(node->text);
    std::vector<quint32> places;
    places.reserve(sorted.size());
    const size_t firstBefore = m_first.size();
    mergeInto(m_first, std::move(first), 0, places);
    mergeInto(m_after, std::move(after), firstBefore, places);
    return places;
}

void HandedOrder::mergeInto(Names& names, std::vector<NodeName> added, size_t before, std::vector<quint32>& places)
{
    if (added.empty())
        return;
    const auto less = [](const NodeName& a, const NodeName& b) { return a.compare(b, Qt::CaseInsensitive) < 0; };
    const size_t firstPlace = places.size();
    size_t old = 0;
    for (const NodeName& name : added) {
        while (old < names.size() && !less(name, names[old]))
            ++old;
        places.push_back(static_cast<quint32>(before + old));
    }
    // Merged in place from the back: each added name goes after the old ones it does not sort
    // before, as the places say.
    const size_t had = names.size();
    names.resize(had + added.size());
    size_t from = had;
    size_t to = names.size();
    for (size_t i = added.size(); i-- > 0;) {
        while (from > places[firstPlace + i] - before)
            names[--to] = std::move(names[--from]);
        names[--to] = std::move(added[i]);
    }
}

namespace {

// The first batch is small, so the first rows come soon; later ones grow with what was shown,
// so that the tree lays a big folder out a number of times that grows with its logarithm.
constexpr size_t FirstBatch = 2048;
// While the folder is small, a slow file system still shows progress every half second.
constexpr qint64 BatchIntervalMs = 500;
constexpr size_t TimedBatchesUpTo = 16384;
// How often a listing looks whether the window has laid out the batch before it.
constexpr std::chrono::milliseconds LaidOutPoll{1};
// From this many items on, laying the folder out takes the window a noticeable time.
constexpr size_t BigBatch = 65536;
constexpr qint64 RestAfterBigBatchMs = 250;

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
            order.append(item.kind, item.name);
        Nodes nodes;
        ListingTally tally;
        size_t batchSize = std::max(FirstBatch, order.size());
        QElapsedTimer sinceBatch;
        sinceBatch.start();
        // One batch at a time is on its way to the window: the next one waits until the window
        // has merged the last and laid it out. Two batches handed together would be merged in
        // one turn of the window, and it would stop for both; a batch left to grow meanwhile
        // would make the last merge of a big folder the biggest.
        auto laidOut = std::make_shared<std::atomic<size_t>>(0);
        size_t posted = 0;
        const auto waitUntilLaidOut = [&] {
            while (laidOut->load(std::memory_order_acquire) < posted)
                if (!Worker::sleepFor(token, LaidOutPoll))
                    return false;
            return true;
        };
        const auto hand = [&] {
            FolderListingRules::sort(nodes, rules.byType);
            const size_t handed = order.size();
            auto places = std::make_shared<std::vector<quint32>>(order.merge(nodes));
            batchSize = std::max(batchSize, order.size());
            // std::function wants a callable it can copy; the nodes travel once all the same.
            auto sorted = std::make_shared<Nodes>(std::move(nodes));
            nodes.clear();
            ++posted;
            m_worker.post([batch, sorted, places, handed, laidOut] {
                batch(std::move(*sorted), std::move(*places), handed);
                // The view lays the rows out on a zero timer of its own, started by the merge:
                // this one runs after it.
                QTimer::singleShot(0, [laidOut] { laidOut->fetch_add(1, std::memory_order_release); });
            });
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
                || (!nodes.empty() && order.size() < TimedBatchesUpTo && sinceBatch.elapsed() >= BatchIntervalMs)) {
                if (!waitUntilLaidOut())
                    return false;
                hand();
            }
            return true;
        });
        if (token.stop_requested())
            return;
        if (!nodes.empty()) {
            // The rest of a big folder also lets the window draw a few frames after the big
            // batch before it: merged straight after, it would keep the window from the next
            // frame for a second layout of every row.
            if (!waitUntilLaidOut())
                return;
            if (order.size() >= BigBatch && sinceBatch.elapsed() < RestAfterBigBatchMs
                && !Worker::sleepFor(token, std::chrono::milliseconds(RestAfterBigBatchMs - sinceBatch.elapsed())))
                return;
            hand();
        }
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
