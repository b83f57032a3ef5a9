#pragma once

#include "platform/FsError.h"

#include <QByteArray>
#include <QtGlobal>

class QFile;

namespace platform {

// Opening a file that a user pointed at by its host path (an archive, a shortcut, a desktop
// entry, an icon module, a file to send). A named pipe would hold the open until a writer
// came, and a device could be read without end, so the file is opened without waiting,
// looked at through the open handle, and handed out only when it is a regular file; anything
// else gives NotRegularFile and is never read. Reads through the handle block again, as a
// regular file's reads end by themselves.
enum class Links { Follow, NotFollowed };

// A read-only handle (close-on-exec) of a regular file, or -1 with the reason. With
// Links::NotFollowed a link at the path itself gives AccessDenied, as the item is the link.
// A folder gives AccessDenied. `size` (optional) gets the file's size.
[[nodiscard]] FsError openRegularFile(const QByteArray& hostPath, Links links, int& descriptor, qint64* size = nullptr);

// The same, handed out as a QFile open for reading that owns the handle (and closes it).
[[nodiscard]] FsError openRegularFile(const QByteArray& hostPath, Links links, QFile& out);

// The whole content of a regular file of at most `limit` bytes (AccessDenied for a larger
// one, which is not read at all).
[[nodiscard]] FsError readRegularFile(const QByteArray& hostPath, Links links, qint64 limit, QByteArray& out);

}  // namespace platform
