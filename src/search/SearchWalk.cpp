#include "search/SearchWalk.h"

#include "jobs/AsideTask.h"

#include "platform/FileSystem.h"
#include "platform/MountTable.h"
#include "platform/NamePattern.h"

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

using platform::FsError;
using platform::Attr::Hidden;
using platform::Attr::System;

namespace {

// How many folders the helper may read ahead of the walk.
constexpr size_t ReadAhead = 16;

// One sub-folder of a folder being walked, read by the walk itself when it gets there, or
// earlier by the helper thread, which then keeps what it found until the walk gets there.
struct Scan {
    enum class State { Waiting, Running, Done };
    QString name;
    QString path;                        // its phone path, as the "Folder" column shows it
    const platform::OpenFolder* parent;  // stays open until every sub-folder of it is done
    State state = State::Waiting;
    bool readAhead = false;       // read by the helper: `hits` hold its finds
    bool entered = false;         // opened and read (not gone, not a kernel file system)
    platform::OpenFolder folder;  // kept open only when it has sub-folders to go into
    std::vector<SearchHit> hits;
    std::vector<QString> subfolders;
};

// One level of the walk: a folder that has sub-folders, and where the walk is among them.
// Levels live in a deque, whose elements never move, so a scan may point at its parent.
struct Level {
    platform::OpenFolder folder;
    std::vector<std::shared_ptr<Scan>> children;
    size_t next = 0;     // the next child the walk takes
    size_t offered = 0;  // children before this one were offered to the helper (or taken)
};

// One run of the walk, and what its parts share: the walk on the caller's thread, the helper
// that reads ahead, and the offers and levels between them.
class WalkRun {
public:
    using Keep = std::function<void(SearchHit&&)>;

    WalkRun(platform::FileSystem& fileSystem, const SearchRequest& request, const std::atomic<bool>& stop,
            QList<quint64> unentered, qint64& folders)
        : m_fileSystem(fileSystem),
          m_request(request),
          m_pattern(request.pattern),
          m_stop(stop),
          m_unentered(std::move(unentered)),
          m_folders(folders)
    {
    }

    void walk(platform::OpenFolder&& root, const Keep& found)
    {
        // Without a thread for the helper the walk reads every folder itself, which is only
        // slower: the helper then runs only when the walk is over, and finds nothing to do.
        AsideTask<void> helper([this] { help(); });
        readRoot(std::move(root), found);
        while (!m_levels.empty() && !stopped()) {
            Level& top = m_levels.back();
            if (top.next == top.children.size()) {
                m_levels.pop_back();
                continue;
            }
            const std::shared_ptr<Scan> item = top.children[top.next++];
            const bool readHere = claim(*item);
            offerMore(top);
            if (readHere)
                scan(*item, found);  // the finds go straight out, as they are made
            if (item->entered)
                handOver(*item, found);  // `top` may not be used after
        }
        // The helper may be reading a folder of a level: it ends before the levels close.
        endHelper();
        helper.get();
    }

private:
    bool stopped() const { return m_stop.load(std::memory_order_relaxed); }

    // Reads one folder: each find that the options keep goes to `keep`, each sub-folder to
    // `subfolders`.
    void read(const platform::OpenFolder& folder, const QString& path, const Keep& keep,
              std::vector<QString>& subfolders)
    {
        const auto matched = [&](const platform::FindData& entry) {
            if ((entry.attributes & Hidden) && !m_request.searchHidden)
                return true;
            if ((entry.attributes & System) && !m_request.searchSystem)
                return true;
            keep(SearchHit{entry.name, path, entry.isFolder()});
            return true;
        };
        const auto subfolder = [&](const QString& name) {
            if (m_request.includeSubfolders)
                subfolders.push_back(name);
        };
        // A folder that fails part-way keeps what it gave: the items found are real.
        (void)m_fileSystem.searchFolder(folder, m_pattern, m_stop, matched, subfolder);
    }

    // Opens and reads a sub-folder; its finds go to `keep`.
    void scan(Scan& item, const Keep& keep)
    {
        if (m_fileSystem.openChild(*item.parent, item.name, item.folder) != FsError::None)
            return;  // gone, or not ours to read: nothing to list
        if (!m_unentered.isEmpty()) {
            platform::FileId id;
            if (m_fileSystem.identityOf(item.folder, id) != FsError::None || m_unentered.contains(id.device)) {
                item.folder.reset();
                return;
            }
        }
        item.entered = true;
        read(item.folder, item.path, keep, item.subfolders);
        if (item.subfolders.empty())
            item.folder.reset();
    }

    // The helper's loop: reads the folders offered to it until the walk is over.
    void help()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_changed.wait(lock, [&] { return m_quit || !m_offers.empty(); });
            if (m_quit)
                return;
            // The latest offer lies furthest ahead of the walk, so the two rarely meet.
            const std::shared_ptr<Scan> item = std::move(m_offers.back());
            m_offers.pop_back();
            if (item->state != Scan::State::Waiting)
                continue;  // the walk took it itself
            item->state = Scan::State::Running;
            item->readAhead = true;
            lock.unlock();
            scan(*item, [&item](SearchHit&& hit) { item->hits.push_back(std::move(hit)); });
            lock.lock();
            item->state = Scan::State::Done;
            m_changed.notify_all();
        }
    }

    void endHelper()
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        m_changed.notify_all();
    }

    // The walk takes `item`: true when it reads it itself; otherwise the helper has it, and
    // this waits until the helper is done with it.
    bool claim(Scan& item)
    {
        std::unique_lock lock(m_mutex);
        if (item.state == Scan::State::Waiting) {
            item.state = Scan::State::Running;
            return true;
        }
        m_changed.wait(lock, [&] { return item.state == Scan::State::Done; });
        return false;
    }

    // Makes a level of a folder that has sub-folders, and offers those after the first.
    void push(platform::OpenFolder&& folder, const QString& path, std::vector<QString>& names)
    {
        Level& level = m_levels.emplace_back();
        level.folder = std::move(folder);
        level.children.reserve(names.size());
        for (QString& name : names) {
            auto item = std::make_shared<Scan>();
            item->path = path + u'\\' + name;
            item->name = std::move(name);
            item->parent = &level.folder;
            level.children.push_back(std::move(item));
        }
        level.offered = 1;
        offerMore(level);
    }

    void offerMore(Level& level)
    {
        std::lock_guard lock(m_mutex);
        bool more = false;
        for (; level.offered < level.children.size() && level.offered <= level.next + ReadAhead; ++level.offered) {
            m_offers.push_back(level.children[level.offered]);
            more = true;
        }
        if (more)
            m_changed.notify_all();
    }

    void readRoot(platform::OpenFolder&& root, const Keep& found)
    {
        // The root is "" in the "Folder" column, however it was named.
        const QString rootPath = m_request.root == u"\\" ? QString() : m_request.root;
        std::vector<QString> subfolders;
        ++m_folders;
        read(root, rootPath, found, subfolders);
        if (!subfolders.empty())
            push(std::move(root), rootPath, subfolders);
    }

    // Hands over the finds of a folder the walk has got to, and goes into its sub-folders.
    void handOver(Scan& item, const Keep& found)
    {
        ++m_folders;
        for (SearchHit& hit : item.hits) {
            if (stopped())
                break;
            found(std::move(hit));
        }
        item.hits.clear();
        if (!item.subfolders.empty()) {
            const QString path = item.path;
            push(std::move(item.folder), path, item.subfolders);
        }
    }

    platform::FileSystem& m_fileSystem;
    const SearchRequest& m_request;
    const platform::NamePattern m_pattern;
    const std::atomic<bool>& m_stop;
    const QList<quint64> m_unentered;
    qint64& m_folders;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::shared_ptr<Scan>> m_offers;  // for the helper, the latest last
    bool m_quit = false;
    // Levels live in a deque, whose elements never move, so a scan may point at its parent.
    std::deque<Level> m_levels;
};

}  // namespace

SearchWalk::SearchWalk(platform::FileSystem& fileSystem, SearchRequest request)
    : m_fileSystem(fileSystem), m_request(std::move(request)), m_unentered(pseudoFileSystemDevices())
{
}

QList<quint64> SearchWalk::pseudoFileSystemDevices()
{
    using namespace platform::MountTable;
    return platform::MountTable::pseudoFileSystemDevices(parse(readMountinfo()));
}

// The walk goes depth first in the order the file system lists, and hands each find over as it
// is made. Reading a folder is mostly waiting for the file system, so a helper thread reads
// the folders that come next while the walk is busy with the one at hand; the order of the
// finds stays the same, since the walk hands over a folder's finds only when it gets there.
void SearchWalk::run(const std::atomic<bool>& stop, const Found& found)
{
    platform::OpenFolder root;
    if (m_fileSystem.openFolder(m_request.root, root) != FsError::None)
        return;
    // A place that itself lies on a kernel file system is searched: the user asked for it.
    QList<quint64> unentered = m_unentered;
    if (!unentered.isEmpty()) {
        platform::FileId id;
        if (m_fileSystem.identityOf(root, id) == FsError::None)
            unentered.removeAll(id.device);
    }
    WalkRun(m_fileSystem, m_request, stop, std::move(unentered), m_folders).walk(std::move(root), found);
}
