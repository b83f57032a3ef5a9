#pragma once

#include "platform/FsError.h"
#include "platform/NamePattern.h"

#include <QString>
#include <QtGlobal>

#include <atomic>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

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
    QString name;  // the bare name, as a phone name (see PhonePath)
    quint32 attributes = 0;
    qint64 size = 0;          // 0 for folders
    qint64 creationTime = 0;  // the birth time; 0 where the file system keeps none
    qint64 lastWriteTime = 0;
    qint64 lastAccessTime = 0;

    bool isFolder() const { return attributes & Attr::Directory; }
    bool isLink() const { return attributes & Attr::ReparsePoint; }
};

// The identity of an item on its file system. Two paths lead to the same item exactly when
// their identities are equal, whatever their spelling and whatever links lie on the way.
struct FileId {
    quint64 device = 0;
    quint64 inode = 0;
    friend bool operator==(const FileId&, const FileId&) = default;
};

// One entry of a folder as a walk sees it: its name and its own kind, links not followed.
struct DirEntry {
    // A walk's kind, finer than an item's: a link is never entered, and anything else that is
    // not a regular file (a pipe, a device, a socket) is never read.
    enum class Kind { File, Folder, Link, Other };
    using enum Kind;
    QString name;
    Kind kind = File;
    qint64 size = 0;  // a file's size, when the listing was asked for sizes
};

// A folder opened once, in which the items of a walk are reached by their names alone: no
// path is looked up again from the top for each of them, and a walk as deep as the file
// system allows never meets a limit on the length of a path. Made by a FileSystem; moves,
// never copies; closes its handle when it goes.
class OpenFolder {
public:
    using Closer = void (*)(int handle);

    OpenFolder() = default;
    OpenFolder(int handle, QString path, Closer closer) : m_handle(handle), m_path(std::move(path)), m_closer(closer) {}
    ~OpenFolder() { reset(); }
    OpenFolder(OpenFolder&& other) noexcept { *this = std::move(other); }
    OpenFolder& operator=(OpenFolder&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_handle = std::exchange(other.m_handle, -1);
            m_path = std::move(other.m_path);
            m_closer = other.m_closer;
            m_facts.store(other.m_facts.load(std::memory_order_relaxed), std::memory_order_relaxed);
        }
        return *this;
    }
    OpenFolder(const OpenFolder&) = delete;
    OpenFolder& operator=(const OpenFolder&) = delete;

    bool isOpen() const { return m_handle >= 0; }
    int handle() const { return m_handle; }
    // The phone path the folder was reached by, for telling the user about its items.
    const QString& path() const { return m_path; }
    void reset()
    {
        if (m_handle >= 0 && m_closer)
            m_closer(m_handle);
        m_handle = -1;
        m_facts.store(0, std::memory_order_relaxed);
    }

    // What the file system that made it found out about the folder once, kept for the calls
    // on its items (0: nothing yet); the threads that work in the folder share it.
    quint32 facts() const { return m_facts.load(std::memory_order_relaxed); }
    void addFacts(quint32 facts) const { m_facts.fetch_or(facts, std::memory_order_relaxed); }

private:
    int m_handle = -1;
    QString m_path;
    Closer m_closer = nullptr;
    mutable std::atomic<quint32> m_facts = 0;
};

// How a long copy is watched and stopped from another thread.
struct CopyControl {
    const std::atomic<bool>* stop = nullptr;   // checked between pieces of a large file
    std::atomic<qint64>* bytesDone = nullptr;  // grows as data is written
    bool flush = false;                        // the data is on the disk before the name appears
    // Asked once the data is complete, just before the file takes its name: false drops the
    // file unnamed (Cancelled). Copies that run side by side are named in the order they began.
    std::function<bool()> mayName;
};

// A file being written that takes its name only when it is complete: until commit() it has
// none, and one that is dropped (or whose program dies) leaves nothing behind.
class NewFile {
public:
    virtual ~NewFile() = default;
    [[nodiscard]] virtual FsError write(const char* data, qint64 size) = 0;
    // Moves where the next write goes, as lseek does (SEEK_SET, SEEK_CUR, SEEK_END): the new
    // position, or -1.
    virtual qint64 seek(qint64 offset, int whence) = 0;
    // Puts the data written so far on the disk, and makes the commit that follows put the new
    // name there too: a caller that deletes something once the file is complete (the original
    // of an encryption) then never deletes it before its replacement is safe from a crash.
    [[nodiscard]] virtual FsError flush() = 0;
    // Gives the file its name; AlreadyExists when the name was taken meanwhile. With
    // `replace`, the item of that name is replaced in one step: it stays whole until the new
    // file is complete. As with copyFileAt, a folder and a read-only file are not replaced
    // (AccessDenied) and a link is replaced itself.
    [[nodiscard]] virtual FsError commit(bool replace = false) = 0;
};

// A regular file open for reading, opened without following a link.
class ReadFile {
public:
    virtual ~ReadFile() = default;
    // Up to `size` bytes; 0 at the end; -1 on a read error.
    virtual qint64 read(char* data, qint64 size) = 0;
    virtual qint64 size() const = 0;
    // Milliseconds since 1970: the birth time where the file system keeps one, else the last
    // write time.
    virtual qint64 birthTime() const = 0;
};

// The file-system service the feature code stands on. Every path is a phone path ("\" as the
// separator, "\" alone is the root); the implementation maps it to the host. Names are exactly
// what the host holds: "A.txt" and "a.txt" are two items, and where a file system folds case
// itself, its own answer (an existing name) is what callers get. A symbolic link is one item:
// it is deleted, copied and moved as itself, and the handle-based calls below never pass
// through one. Implementations: LinuxFileSystem (the real one)
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
    // case, and "*.*" matches every name; the folder itself is found by its exact path. A
    // link is reported with what it points at and Attr::ReparsePoint; one that points nowhere
    // is an empty item with Attr::System, since it is no regular file. "." and ".." are never reported. A pattern without
    // wildcards finds that one item. Returns None when the folder could be listed (even with
    // no match), else why it could not (PathNotFound, NotAFolder, AccessDenied, ...).
    [[nodiscard]] virtual FsError enumerate(const QString& pattern, const Visitor& visit) = 0;

    // Lists every entry of a folder ("" or "\" for the root) with only what a list on the
    // screen needs: the name and the Directory, Hidden, System and ReparsePoint bits, with the
    // same meaning as from enumerate (a link to a folder is a folder; one that points nowhere
    // is a system item). Sizes, times and the other bits are left 0: they cost a look at every
    // item, and only the status line, which looks the current item up, shows them. The
    // default lists with enumerate.
    [[nodiscard]] virtual FsError listForDisplay(const QString& folderPath, const Visitor& visit);

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

    // Changes only the settable bits named in `mask` to their values in `attributes`, and
    // leaves everything else of the item as it is: the other stored bits, the other permission
    // bits, and a bit that already has the value asked for (no call is made for it). Read-only
    // set takes away every write permission, cleared gives the owner write permission back.
    // NotSupported, before anything has changed, when a DOS bit would change on a file system
    // that keeps no extended attributes.
    [[nodiscard]] virtual FsError changeAttributes(const QString& path, quint32 mask, quint32 attributes) = 0;

    // Copies a file (see copyFileAt); the source and the target's folder are found by their
    // paths.
    [[nodiscard]] FsError copyFile(const QString& source, const QString& target, bool failIfExists, bool flush = false);

    // Deletes a file. As on the phone, a read-only file stays (AccessDenied until the
    // attribute is cleared), and a folder is no file (AccessDenied). A symbolic link is
    // deleted itself, never what it points at, whatever it points at.
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

    // --- Walks: everything below works in folders opened once. Names are single names. ---

    // Opens the folder at a phone path ("" or "\" for the root). Links on the way, and a
    // link at the path itself, are followed: a link to a folder is a place like any other.
    [[nodiscard]] virtual FsError openFolder(const QString& path, OpenFolder& out) = 0;
    // Opens a folder inside an open one, never through a link (NotAFolder for a link or a
    // file; AccessDenied for a folder that cannot be listed).
    [[nodiscard]] virtual FsError openChild(const OpenFolder& parent, const QString& name, OpenFolder& out) = 0;
    // Lists every entry of an open folder (not "." and ".."), each with its own kind; with
    // `withSizes`, files carry their sizes. A listing that fails part-way returns why.
    using EntryVisitor = std::function<bool(const DirEntry&)>;
    [[nodiscard]] virtual FsError list(const OpenFolder& folder, bool withSizes, const EntryVisitor& visit) = 0;
    // Reads an open folder for a name search, in one pass over its listing. `matched` gets
    // every entry whose name `pattern` matches, with its name and the Directory, Hidden,
    // System and ReparsePoint bits as listForDisplay gives them (sizes and times stay 0);
    // `subfolder` gets the name of every entry that is a folder a walk may go into (never a
    // link), after `matched` has had it. Entries that do not match are not looked at beyond
    // their listing, so a folder of a million entries costs little more than reading it. Looks
    // at `stop` between entries and ends early, with None, once it is set or `matched` returns
    // false. The default lists with list() and looks each match up.
    using SubfolderVisitor = std::function<void(const QString& name)>;
    [[nodiscard]] virtual FsError searchFolder(const OpenFolder& folder, const NamePattern& pattern,
                                               const std::atomic<bool>& stop, const Visitor& matched,
                                               const SubfolderVisitor& subfolder);
    // The identity of an open folder itself. The default asks identityChain.
    [[nodiscard]] virtual FsError identityOf(const OpenFolder& folder, FileId& out);
    // One entry by its exact name, link not followed; `id` (optional) gets its identity.
    [[nodiscard]] virtual FsError entryAt(const OpenFolder& folder, const QString& name, DirEntry& out,
                                          FileId* id = nullptr) = 0;
    // The identities of an open folder and of every folder above it on the host, up to the
    // host's own root: what "inside" means to the file system.
    [[nodiscard]] virtual FsError identityChain(const OpenFolder& folder, std::vector<FileId>& out) = 0;

    [[nodiscard]] virtual FsError createFolderAt(const OpenFolder& parent, const QString& name) = 0;
    // Copies the regular file `name` of `from` to `targetName` in `to`. Without `replace` an
    // existing target stays and AlreadyExists is returned; with it, a read-only file and a
    // folder are not replaced (AccessDenied, as on the phone), and a link is replaced itself.
    // The data is written to an anonymous file that gets its name only when complete (and,
    // with flush, on the disk): a failed, stopped or killed copy never leaves a target that
    // looks whole, nor a temporary file. Attributes, mode and times go with the data. A link
    // or a folder as the source gives AccessDenied, a named pipe, device or socket
    // NotRegularFile (it is never read, and its open never waits); a stopped copy gives
    // Cancelled.
    [[nodiscard]] virtual FsError copyFileAt(const OpenFolder& from, const QString& name, const OpenFolder& to,
                                             const QString& targetName, bool replace, const CopyControl& control) = 0;
    // Makes a link at `targetName` in `to` with the same target text as the link `name` of
    // `from`; `replace` as for copyFileAt.
    [[nodiscard]] virtual FsError copyLinkAt(const OpenFolder& from, const QString& name, const OpenFolder& to,
                                             const QString& targetName, bool replace) = 0;
    // Deletes a file or a link (as deleteFile).
    [[nodiscard]] virtual FsError deleteAt(const OpenFolder& folder, const QString& name) = 0;
    // Removes an empty folder (never a link: NotAFolder).
    [[nodiscard]] virtual FsError removeFolderAt(const OpenFolder& folder, const QString& name) = 0;
    // Puts everything written on the folder's file system on the disk.
    [[nodiscard]] virtual FsError syncAt(const OpenFolder& folder) = 0;
    // Starts a new file `name` in `folder` (mode 0666 less the umask), written whole before it
    // is named; an existing name is never replaced.
    [[nodiscard]] virtual FsError createFileAt(const OpenFolder& folder, const QString& name,
                                               std::unique_ptr<NewFile>& out) = 0;
    // Opens the regular file `name` of `folder` for reading (AccessDenied for a link or a
    // folder, NotRegularFile for a named pipe, a device or a socket; never blocks on a pipe).
    [[nodiscard]] virtual FsError openFileAt(const OpenFolder& folder, const QString& name,
                                             std::unique_ptr<ReadFile>& out) = 0;
    // The target text of the link `name` of `folder`.
    [[nodiscard]] virtual FsError linkTextAt(const OpenFolder& folder, const QString& name, QByteArray& out) = 0;
};

}  // namespace platform
