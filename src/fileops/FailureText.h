#pragma once

#include "fileops/TreeWalk.h"
#include "platform/FsError.h"

#include <QString>

// The words for a failure: the message names the item, and a second paragraph says why, so
// that a user can tell a full disk from a locked file.
namespace FailureText {

// "The disk is full." for DiskFull, and so on.
QString reason(platform::FsError error);
// The text of string `textId` with the item for its "%s", then the reason.
QString message(int textId, const QString& item, platform::FsError error);
// A folder whose entries could not be read.
QString cannotList(const QString& folder, platform::FsError error);

// A folder that could not be made where a copy needed it.
QString cannotCreateFolder(const QString& folder, platform::FsError error);

// The message for the item inside a folder at which a walk failed, by what the walk was doing:
// a listing, a folder made, a file or folder deleted; any other step with `fileTextId`.
QString ofWalk(const TreeWalk::Failure& failure, int fileTextId);

}  // namespace FailureText
