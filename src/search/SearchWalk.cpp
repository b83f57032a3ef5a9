#include "search/SearchWalk.h"

#include "platform/FileSystem.h"
#include "platform/MountTable.h"
#include "platform/NamePattern.h"
#include "platform/PhonePath.h"

#include <vector>

using platform::Attr::Hidden;
using platform::Attr::System;
using platform::FsError;

SearchWalk::SearchWalk(platform::FileSystem& fileSystem, SearchRequest request)
    : m_fileSystem(fileSystem), m_request(std::move(request)), m_unentered(pseudoFileSystemDevices())
{
}

QList<quint64> SearchWalk::pseudoFileSystemDevices()
{
    using namespace platform::MountTable;
    return platform::MountTable::pseudoFileSystemDevices(parse(readMountinfo()));
}

void SearchWalk::run(const std::atomic<bool>& stop, const Found& found)
{
    const platform::NamePattern pattern(m_request.pattern);
    // One level of the walk: an open folder, its phone path as the "Folder" column shows it,
    // and the sub-folders still to go into. Each level keeps its folder open, so a child is
    // reached by its name alone however deep the walk goes.
    struct Level {
        platform::OpenFolder folder;
        QString path;
        std::vector<QString> subfolders;
        size_t next = 0;
    };
    std::vector<Level> levels;

    const auto searchOne = [&](platform::OpenFolder&& folder, const QString& path) {
        ++m_folders;
        Level level{std::move(folder), path, {}, 0};
        const auto keep = [&](const platform::FindData& entry) {
            if ((entry.attributes & Hidden) && !m_request.searchHidden)
                return true;
            if ((entry.attributes & System) && !m_request.searchSystem)
                return true;
            found(SearchHit{entry.name, path, entry.isFolder()});
            return true;
        };
        const auto remember = [&](const QString& name) {
            if (m_request.includeSubfolders)
                level.subfolders.push_back(name);
        };
        // A folder that fails part-way keeps what it gave: the items found are real.
        (void)m_fileSystem.searchFolder(level.folder, pattern, stop, keep, remember);
        if (level.subfolders.empty())
            return;  // nothing below: the folder can be closed now
        levels.push_back(std::move(level));
    };

    platform::OpenFolder root;
    if (m_fileSystem.openFolder(m_request.root, root) != FsError::None)
        return;
    QList<quint64> unentered = m_unentered;
    if (!unentered.isEmpty()) {
        platform::FileId id;
        if (m_fileSystem.identityOf(root, id) == FsError::None)
            unentered.removeAll(id.device);
    }
    // The root is "" in the "Folder" column, however it was named.
    const QString rootPath = m_request.root == u"\\" ? QString() : m_request.root;
    searchOne(std::move(root), rootPath);

    while (!levels.empty() && !stop.load(std::memory_order_relaxed)) {
        Level& top = levels.back();
        if (top.next == top.subfolders.size()) {
            levels.pop_back();
            continue;
        }
        const QString name = std::move(top.subfolders[top.next++]);
        platform::OpenFolder child;
        if (m_fileSystem.openChild(top.folder, name, child) != FsError::None)
            continue;  // gone, or not ours to read: nothing to list
        if (!unentered.isEmpty()) {
            platform::FileId id;
            if (m_fileSystem.identityOf(child, id) != FsError::None || unentered.contains(id.device))
                continue;
        }
        const QString childPath = top.path + u'\\' + name;
        searchOne(std::move(child), childPath);  // may add a level: `top` is not used after
    }
}
