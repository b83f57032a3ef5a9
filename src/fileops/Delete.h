#pragma once

#include <QString>

class QWidget;
namespace platform {
class FileSystem;
}

// Deleting for good: there is no recycle bin.
namespace Delete {

// Deletes a folder with everything in it, depth first, files before their folder. On the
// first failure it tells the user which item resisted and returns false; what was deleted
// before stays deleted. Links are removed as links, never followed.
[[nodiscard]] bool deleteFolderTree(platform::FileSystem& fileSystem, QWidget* owner, const QString& path);

// Deletes a folder with everything in it, or one file; false when anything resisted (a
// folder's own message has then been shown; the caller names the item it was asked to delete).
[[nodiscard]] bool deleteItem(platform::FileSystem& fileSystem, QWidget* owner, const QString& path, bool isFolder);

}  // namespace Delete
