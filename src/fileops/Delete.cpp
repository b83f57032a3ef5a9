#include "fileops/Delete.h"

#include "dialogs/MessageBox.h"
#include "platform/FileSystem.h"
#include "platform/PhonePath.h"
#include "resources/StringTable.h"

namespace Delete {

bool deleteFolderTree(platform::FileSystem& fileSystem, QWidget* owner, const QString& path)
{
    // The names are read first: deleting while the folder is being listed could skip some.
    QList<platform::FindData> entries;
    (void)fileSystem.enumerate(path + QStringLiteral("\\*.*"), [&](const platform::FindData& entry) {
        entries.append(entry);
        return true;
    });
    for (const platform::FindData& entry : entries) {
        const QString child = platform::PhonePath::join(path, entry.name);
        if (entry.isFolder() && !(entry.attributes & platform::Attr::ReparsePoint)) {
            if (!deleteFolderTree(fileSystem, owner, child))
                return false;
        } else if (fileSystem.deleteFile(child) != platform::FsError::None) {
            MessageBox::error(owner, Str::arg(Str::DeleteFileFailed, child));
            return false;
        }
    }
    if (fileSystem.removeFolder(path) != platform::FsError::None) {
        MessageBox::error(owner, Str::arg(Str::DeleteFolderFailed, path));
        return false;
    }
    return true;
}

bool deleteItem(platform::FileSystem& fileSystem, QWidget* owner, const QString& path, bool isFolder)
{
    return isFolder ? deleteFolderTree(fileSystem, owner, path) : fileSystem.deleteFile(path) == platform::FsError::None;
}

}  // namespace Delete
