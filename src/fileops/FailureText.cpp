#include "fileops/FailureText.h"

#include "resources/StringTable.h"
#include "resources/UnnumberedTexts.h"

namespace FailureText {

QString reason(platform::FsError error)
{
    using platform::FsError;
    switch (error) {
    case FsError::AccessDenied: return Txt::text(Txt::ReasonAccessDenied);
    case FsError::FileNotFound: return Txt::text(Txt::ReasonFileNotFound);
    case FsError::PathNotFound: return Txt::text(Txt::ReasonPathNotFound);
    case FsError::DiskFull: return Txt::text(Txt::ReasonDiskFull);
    case FsError::AlreadyExists: return Txt::text(Txt::ReasonAlreadyExists);
    case FsError::NotAFolder: return Txt::text(Txt::ReasonNotAFolder);
    case FsError::InvalidName: return Txt::text(Txt::ReasonInvalidName);
    case FsError::IoError: return Txt::text(Txt::ReasonIoError);
    case FsError::NotRegularFile: return Txt::text(Txt::ReasonNotRegularFile);
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
    return Txt::text(Txt::CannotListFolder).arg(folder) + reason(error);
}

QString cannotCreateFolder(const QString& folder, platform::FsError error)
{
    return Txt::text(Txt::CannotCreateFolder).arg(folder) + reason(error);
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
