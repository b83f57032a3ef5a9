#include "fileops/FailureText.h"

#include "resources/StringTable.h"

namespace FailureText {

QString reason(platform::FsError error)
{
    using platform::FsError;
    switch (error) {
    case FsError::AccessDenied: return QStringLiteral("Permission denied, or the item is read-only.");
    case FsError::FileNotFound: return QStringLiteral("The item no longer exists.");
    case FsError::PathNotFound: return QStringLiteral("The folder no longer exists.");
    case FsError::DiskFull: return QStringLiteral("The disk is full.");
    case FsError::AlreadyExists: return QStringLiteral("An item of that name is in the way.");
    case FsError::NotAFolder: return QStringLiteral("It is not a folder.");
    case FsError::InvalidName: return QStringLiteral("The name cannot be used here.");
    case FsError::IoError: return QStringLiteral("The device could not read or write.");
    case FsError::NotRegularFile:
        return QStringLiteral("It is not a regular file but a named pipe, a device or a socket, and is never read.");
    default: break;
    }
    QString text = platform::describe(error);
    if (!text.isEmpty())
        text[0] = text.at(0).toUpper();
    return text + u'.';
}

QString message(int textId, const QString& item, platform::FsError error)
{
    return Str::arg(textId, item) + QStringLiteral("\n\n") + reason(error);
}

QString cannotList(const QString& folder, platform::FsError error)
{
    return QStringLiteral("Unable to list folder '%1'!\n\n").arg(folder) + reason(error);
}

QString cannotCreateFolder(const QString& folder, platform::FsError error)
{
    return QStringLiteral("Unable to create folder '%1'!\n\n").arg(folder) + reason(error);
}

QString ofWalk(const TreeWalk::Failure& failure, int fileTextId)
{
    switch (failure.step) {
    case TreeWalk::Step::List: return cannotList(failure.path, failure.error);
    case TreeWalk::Step::CreateFolder: return cannotCreateFolder(failure.path, failure.error);
    case TreeWalk::Step::DeleteFolder: return message(Str::DeleteFolderFailed, failure.path, failure.error);
    case TreeWalk::Step::DeleteFile: return message(Str::DeleteFileFailed, failure.path, failure.error);
    default: return message(fileTextId, failure.path, failure.error);
    }
}

}  // namespace FailureText
