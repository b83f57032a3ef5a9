#pragma once

#include "platform/FileSystem.h"

#include <QByteArray>

#include <sys/types.h>

// Writing files whole before they are named: temporaries, their placing, and the copy of data.
namespace platform::host {

// Picks a fresh hidden name beside `name` for a temporary that has to have a name: the
// program's id in it lets a later copy tell a temporary of a program that died.
QByteArray temporaryName(const QByteArray& name);

// Removes the temporaries that programs which no longer run left in a folder. Each folder is
// looked at once per run, and only on file systems that cannot make anonymous files.
void removeStaleTemporaries(int dirFd);

// Gives a finished temporary its name: `anonymous` is an O_TMPFILE descriptor, else
// `named` is the temporary's name in the folder. Without `replace`, an existing name stays.
int placeFile(int anonymous, const QByteArray& named, int dirFd, const QByteArray& name, bool replace);

// Whether files made in the open folder get the mode asked for less the umask: true when the
// folder has no default ACL, which would take the umask's place. Asked once per open folder.
bool noDefaultAcl(const OpenFolder& folder);

// Copies the data of `in` into `out` from the start: shared blocks where the file system can
// (instant, no space used), else in the kernel, else through a buffer; in pieces, so that a
// stop request is honoured within a large file.
FsError copyData(int in, int out, dev_t device, const CopyControl& control);

}  // namespace platform::host
