#pragma once

#include <QString>

namespace platform {

// What went wrong in a file-system call. The feature code maps these to its own messages;
// the values follow the Windows error numbers they stand for, so a code can be shown or
// looked up in one step.
enum class FsError : int {
    None = 0,
    FileNotFound = 2,     // the item itself is missing
    PathNotFound = 3,     // a folder on the way is missing
    AccessDenied = 5,     // permission, or a read-only mount
    InvalidName = 123,    // a name the host cannot store ("/", NUL, "." or "..")
    AlreadyExists = 183,  // the target exists and may not be replaced
    DirectoryNotEmpty = 145,
    DiskFull = 112,
    NotSameDevice = 17,  // a move across mounts, which only a copy can do
    NotAFolder = 267,
    IoError = 1117,  // a read or write error of the device
    Cancelled = 1223,
    NotSupported = 50,      // the file system cannot keep what was asked (extended attributes)
    NotRegularFile = 1920,  // a named pipe, a device or a socket where data was to be read: never read
    Other = 31,
};

// A short English text for a code, for diagnostics and the "Debug" boxes.
QString describe(FsError error);

// The code for an errno value of a failed host call. ENOENT is FileNotFound and ENOTDIR
// PathNotFound here; a caller that knows the path tells a missing item (FileNotFound) from a
// missing folder on the way (PathNotFound), and a file where a folder was asked for
// (NotAFolder), by looking at the folder.
FsError fsErrorFromErrno(int errnoValue);

}  // namespace platform
