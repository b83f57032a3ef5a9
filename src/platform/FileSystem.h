#pragma once

#include "platform/FsError.h"

#include <QString>
#include <QtGlobal>

#include <functional>

namespace platform {

// Item attributes with the phone's bit values, so that the feature code tests the same bits
// the phone did.
namespace Attr {
inline constexpr quint32 ReadOnly = 0x1;
inline constexpr quint32 Hidden = 0x2;
inline constexpr quint32 System = 0x4;
inline constexpr quint32 Directory = 0x10;
inline constexpr quint32 Archive = 0x20;
inline constexpr quint32 InRom = 0x40;
// Only ever alone: an item with none of the other bits.
inline constexpr quint32 Normal = 0x80;
inline constexpr quint32 Temporary = 0x100;
// A symbolic link. Walks over whole trees (search, copy, delete, size) do not descend into
// an item with this bit, so a link can never make them loop or leave the tree.
inline constexpr quint32 ReparsePoint = 0x400;
inline constexpr quint32 Compressed = 0x800;
// The bits a caller may change with setAttributes; the others describe the item's nature.
inline constexpr quint32 Settable = ReadOnly | Hidden | System | Archive;
}  // namespace Attr

// Times are milliseconds since 1970-01-01 UTC; 0 means unknown.
struct FindData {
    QString name;                 // the bare name, as a phone name (see PhonePath)
    quint32 attributes = 0;
    qint64 size = 0;              // 0 for folders
    qint64 creationTime = 0;      // birth time where the file system keeps one, else last write
    qint64 lastWriteTime = 0;
    qint64 lastAccessTime = 0;

    bool isFolder() const { return attributes & Attr::Directory; }
};

// The file-system service the feature code stands on. Every path is a phone path ("\" as the
// separator, "\" alone is the root); the implementation maps it to the host. Names are found
// without regard to case, as on the phone. Implementations: LinuxFileSystem (the real one)
// and, in tests, a fault-injecting wrapper. An implementation keeps no state between calls, so
// one object may serve several threads at once (a worker walking a folder while the
// user-interface thread lists another).
class FileSystem {
public:
    virtual ~FileSystem() = default;

    // Called once for each entry of an enumeration; return false to stop early.
    using Visitor = std::function<bool(const FindData&)>;

    // Enumerates one folder with a pattern in its last component, as "\A\*.*" or "\A\b?.txt":
    // "*" matches any run of characters, "?" exactly one, letters match without regard to
    // case, and "*.*" matches every name. "." and ".." are never reported. A pattern without
    // wildcards finds that one item. Returns None when the folder could be listed (even with
    // no match), else why it could not (PathNotFound, NotAFolder, AccessDenied, ...).
    [[nodiscard]] virtual FsError enumerate(const QString& pattern, const Visitor& visit) = 0;

    // Looks one item up; fills `out` (with the item's own name) when it exists. The root "\"
    // (or "") is no entry of any folder: a search for it finds nothing, as on the phone
    // (FileNotFound), so the properties of "no item" report that the item cannot be read.
    [[nodiscard]] virtual FsError lookUp(const QString& path, FindData& out) = 0;

    // The path-exists test: true when a search for that exact path finds an entry (so false
    // for the root).
    bool exists(const QString& path);

    // Sets the settable attribute bits (Attr::Settable) of an item to exactly those given; the
    // others are ignored. Read-only takes away every write permission (setting) or gives the
    // owner write permission back (clearing). Hidden, system and archive need a file system
    // that keeps extended attributes: NotSupported when one of them is asked for and cannot be
    // kept; clearing bits that are not set never fails.
    [[nodiscard]] virtual FsError setAttributes(const QString& path, quint32 attributes) = 0;

    // Copies a file. With failIfExists an existing target is left alone and AlreadyExists
    // returned; without it, a read-only target is not replaced (AccessDenied), as on the phone.
    // The data goes to a hidden temporary file beside the target that is renamed over it only
    // when complete (and, with flush, on disk), so a failed copy never leaves a target that
    // looks complete, and no temporary file stays behind. Attributes and the last write time
    // go with the data. A file copied onto itself is left as it is. A source that is no
    // regular file (a folder, a device) gives AccessDenied.
    [[nodiscard]] virtual FsError copyFile(const QString& source, const QString& target,
                                           bool failIfExists, bool flush = false) = 0;

    // Deletes a file. As on the phone, a read-only file stays (AccessDenied until the
    // attribute is cleared), and a folder is no file (AccessDenied). A symbolic link is
    // deleted itself, never what it points at.
    [[nodiscard]] virtual FsError deleteFile(const QString& path) = 0;
    [[nodiscard]] virtual FsError createFolder(const QString& path) = 0;
    // Removes an empty folder (DirectoryNotEmpty otherwise). A link shown as a folder is
    // removed itself; its target is not touched.
    [[nodiscard]] virtual FsError removeFolder(const QString& path) = 0;

    // Renames or moves a file or folder within one mount; the target must not exist.
    // Returns NotSameDevice when the two lie on different mounts.
    [[nodiscard]] virtual FsError move(const QString& source, const QString& target) = 0;

    // Creates a new empty file; fails with AlreadyExists when the name is taken.
    [[nodiscard]] virtual FsError createNewFile(const QString& path) = 0;

    // The host path of a phone path, for handing to other programs ("open with", xdg-open).
    // Empty when the phone path cannot be mapped (a ".." component, a "/" in a name).
    virtual QByteArray hostPath(const QString& path) const = 0;
};

}  // namespace platform
