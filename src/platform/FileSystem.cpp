#include "platform/FileSystem.h"

#include "platform/PhonePath.h"

namespace platform {

FsError FileSystem::listForDisplay(const QString& folderPath, const Visitor& visit)
{
    return enumerate(PhonePath::join(folderPath, QStringLiteral("*.*")), visit);
}

bool FileSystem::exists(const QString& path)
{
    FindData found;
    return lookUp(path, found) == FsError::None;
}

FsError FileSystem::copyFile(const QString& source, const QString& target, bool failIfExists, bool flush)
{
    const PhonePath::Split from = PhonePath::splitLast(source);
    const PhonePath::Split to = PhonePath::splitLast(target);
    if (from.name.isEmpty() || to.name.isEmpty())
        return FsError::InvalidName;
    OpenFolder sourceFolder, targetFolder;
    if (const FsError error = openFolder(from.folder, sourceFolder); error != FsError::None)
        return error == FsError::FileNotFound ? FsError::PathNotFound : error;
    if (const FsError error = openFolder(to.folder, targetFolder); error != FsError::None)
        return error == FsError::FileNotFound ? FsError::PathNotFound : error;
    // An existing target stops the copy before anything is read.
    DirEntry existing;
    if (failIfExists && entryAt(targetFolder, to.name, existing) == FsError::None)
        return FsError::AlreadyExists;
    CopyControl control;
    control.flush = flush;
    return copyFileAt(sourceFolder, from.name, targetFolder, to.name, !failIfExists, control);
}

}  // namespace platform
