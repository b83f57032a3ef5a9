#include "properties/FolderSize.h"

#include "jobs/JobContext.h"
#include "platform/PhonePath.h"

#include <vector>

using platform::DirEntry;
using platform::FsError;
using platform::OpenFolder;

FolderSize FolderSize::count(platform::FileSystem& fileSystem, const QString& path, JobContext& context)
{
    FolderSize result;
    // One open folder per level and only the names of its sub-folders: a wide folder costs no
    // memory for its files, and a deep one no stack.
    struct Level {
        OpenFolder folder;
        std::vector<QString> subfolders;
        std::size_t next = 0;
    };
    std::vector<Level> levels;
    const auto fail = [&](const QString& folder, FsError reason) {
        result.error = reason;
        result.failedFolder = folder;
        return result;
    };
    const auto enter = [&](OpenFolder folder) {
        Level level{std::move(folder), {}, 0};
        const FsError listed = fileSystem.list(level.folder, true, [&](const DirEntry& entry) {
            if (context.stopRequested())
                return false;
            if (entry.kind == DirEntry::Folder) {
                level.subfolders.push_back(entry.name);
            } else {
                ++result.files;
                result.bytes += entry.size;
                context.bytesDone.fetch_add(entry.size, std::memory_order_relaxed);
            }
            context.itemsDone.fetch_add(1, std::memory_order_relaxed);
            return true;
        });
        if (listed != FsError::None) {
            result.error = listed;
            result.failedFolder = level.folder.path();
            return false;
        }
        levels.push_back(std::move(level));
        return true;
    };

    OpenFolder top;
    if (const FsError error = fileSystem.openFolder(path, top); error != FsError::None)
        return fail(path, error);
    if (!enter(std::move(top)))
        return result;
    while (!levels.empty()) {
        if (context.stopRequested()) {
            result.stopped = true;
            return result;
        }
        Level& level = levels.back();
        if (level.next == level.subfolders.size()) {
            levels.pop_back();
            continue;
        }
        // A copy: entering the folder adds a level, which may move the others.
        const QString name = level.subfolders[level.next++];
        OpenFolder inner;
        // A folder that went since it was listed is no longer part of this one.
        const FsError error = fileSystem.openChild(level.folder, name, inner);
        if (error == FsError::FileNotFound)
            continue;
        if (error != FsError::None)
            return fail(platform::PhonePath::join(level.folder.path(), name), error);
        if (!enter(std::move(inner)))
            return result;
    }
    result.stopped = context.stopRequested();
    return result;
}
