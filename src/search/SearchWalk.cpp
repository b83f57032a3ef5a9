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

using platform::Attr::Hidden;
using platform::Attr::System;
using platform::FsError;

namespace {

// How many folders the helper may read ahead of the walk.
constexpr size_t ReadAhead = 16;

// One sub-folder of a folder being walked, read by the walk itself when it gets there, or
// earlier by the helper thread, which then keeps what it found until the walk gets there.
struct Scan {
    enum class State { Waiting, Running, Done };
    QString name;
    QString path;                         // its phone path, as the "Folder" column shows it
    const platform::OpenFolder* parent;   // stays open until every sub-folder of it is done
    State state = State::Waiting;
    bool readAhead = false;               // read by the helper: `hits` hold its finds
    bool entered = false;                 // opened and read (not gone, not a kernel file system)
    platform::OpenFolder folder;          // kept open only when it has sub-folders to go into
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
    const platform::NamePattern pattern(m_request.pattern);
    platform::OpenFolder root;
    if (m_fileSystem.openFolder(m_request.root, root) != FsError::None)
        return;
    QList<quint64> unentered = m_unentered;
    if (!unentered.isEmpty()) {
        platform::FileId id;
        if (m_fileSystem.identityOf(root, id) == FsError::None)
            unentered.removeAll(id.device);
    }

    // Reads one folder: each find that the options keep goes to `keep`, each sub-folder to
    // `subfolders`.
    const auto read = [&](const platform::OpenFolder& folder, const QString& path,
                          const std::function<void(SearchHit&&)>& keep, std::vector<QString>& subfolders) {
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
        (void)m_fileSystem.searchFolder(folder, pattern, stop, matched, subfolder);
    };
    // Opens and reads a sub-folder; its finds go to `keep`.
    const auto scan = [&](Scan& item, const std::function<void(SearchHit&&)>& keep) {
        if (m_fileSystem.openChild(*item.parent, item.name, item.folder) != FsError::None)
            return;  // gone, or not ours to read: nothing to list
        if (!unentered.isEmpty()) {
            platform::FileId id;
            if (m_fileSystem.identityOf(item.folder, id) != FsError::None || unentered.contains(id.device)) {
                item.folder.reset();
                return;
            }
        }
        item.entered = true;
        read(item.folder, item.path, keep, item.subfolders);
        if (item.subfolders.empty())
            item.folder.reset();
    };

    std::mutex mutex;
    std::condition_variable changed;
    std::deque<std::shared_ptr<Scan>> offers;  // for the helper, the latest last
    bool quit = false;
    const auto help = [&] {
        std::unique_lock lock(mutex);
        for (;;) {
            changed.wait(lock, [&] { return quit || !offers.empty(); });
            if (quit)
                return;
            // The latest offer lies furthest ahead of the walk, so the two rarely meet.
            const std::shared_ptr<Scan> item = std::move(offers.back());
            offers.pop_back();
            if (item->state != Scan::State::Waiting)
                continue;  // the walk took it itself
            item->state = Scan::State::Running;
            item->readAhead = true;
            lock.unlock();
            scan(*item, [&item](SearchHit&& hit) { item->hits.push_back(std::move(hit)); });
            lock.lock();
            item->state = Scan::State::Done;
            changed.notify_all();
        }
    };
    // Without a thread for the helper the walk reads every folder itself, which is only
    // slower: the helper then runs only when the walk is over, and finds nothing to do.
    AsideTask<void> helper(help);

    std::deque<Level> levels;
    // Makes a level of a folder that has sub-folders, and offers those after the first.
    const auto push = [&](platform::OpenFolder&& folder, const QString& path, std::vector<QString>& names) {
        Level& level = levels.emplace_back();
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
    };
    const auto offerMore = [&](Level& level) {
        std::lock_guard lock(mutex);
        bool more = false;
        for (; level.offered < level.children.size() && level.offered <= level.next + ReadAhead; ++level.offered) {
            offers.push_back(level.children[level.offered]);
            more = true;
        }
        if (more)
            changed.notify_all();
    };

    // The root is "" in the "Folder" column, however it was named.
    const QString rootPath = m_request.root == u"\\" ? QString() : m_request.root;
    {
        std::vector<QString> subfolders;
        ++m_folders;
        read(root, rootPath, found, subfolders);
        if (!subfolders.empty()) {
            push(std::move(root), rootPath, subfolders);
            offerMore(levels.back());
        }
    }

    while (!levels.empty() && !stop.load(std::memory_order_relaxed)) {
        Level& top = levels.back();
        if (top.next == top.children.size()) {
            levels.pop_back();
            continue;
        }
        const std::shared_ptr<Scan> item = top.children[top.next++];
        bool readHere = false;
        {
            std::unique_lock lock(mutex);
            if (item->state == Scan::State::Waiting) {
                item->state = Scan::State::Running;
                readHere = true;
            } else {
                changed.wait(lock, [&] { return item->state == Scan::State::Done; });
            }
        }
        offerMore(top);
        if (readHere)
            scan(*item, found);  // the finds go straight out, as they are made
        if (!item->entered)
            continue;
        ++m_folders;
        for (SearchHit& hit : item->hits) {
            if (stop.load(std::memory_order_relaxed))
                break;
            found(std::move(hit));
        }
        item->hits.clear();
        if (!item->subfolders.empty()) {
            const QString path = item->path;
            push(std::move(item->folder), path, item->subfolders);  // `top` may not be used after
            offerMore(levels.back());
        }
    }

    // The helper may be reading a folder of a level: it ends before the levels close.
    {
        std::lock_guard lock(mutex);
        quit = true;
        changed.notify_all();
    }
    helper.get();
}
