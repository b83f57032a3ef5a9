#include "platform/FileSystem.h"

#include "platform/PhonePath.h"

namespace platform {

FsError FileSystem::listForDisplay(const QString& folderPath, const Visitor& visit)
{
    return enumerate(PhonePath::join(folderPath, QStringLiteral("*.*")), visit);
}

FsError FileSystem::searchFolder(const OpenFolder& folder, const NamePattern& pattern, const std::atomic<bool>& stop,
                                 const Visitor& matched, const SubfolderVisitor& subfolder)
{
    bool goOn = true;
    const FsError error = list(folder, false, [&](const DirEntry& entry) {
        if (stop.load(std::memory_order_relaxed))
            return false;
        if (pattern.matches(entry.name)) {
            FindData found;
            if (lookUp(PhonePath::join(folder.path(), entry.name), found) == FsError::None) {
                found.size = found.lastWriteTime = found.lastAccessTime = found.creationTime = 0;
                goOn = matched(found);
                if (!goOn)
                    return false;
            }
        }
        if (entry.kind == DirEntry::Folder)
            subfolder(entry.name);
        return true;
    });
    return error;
}

FsError FileSystem::identityOf(const OpenFolder& folder, FileId& out)
{
    std::vector<FileId> chain;
    if (const FsError error = identityChain(folder, chain); error != FsError::None)
        return error;
    if (chain.empty())
        return FsError::PathNotFound;
    out = chain.front();
    return FsError::None;
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
