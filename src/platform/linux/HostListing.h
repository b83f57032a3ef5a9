#pragma once

#include "platform/PhonePath.h"
#include "platform/linux/HostFiles.h"

#include <QString>

#include <cerrno>

#include <dirent.h>

// Reading host folders: what a listing tells of each entry, as a search, a list on the screen
// or a look at one item needs it.
namespace platform::host {

// Fills everything but the name of `out` for the entry `name` of the open folder. False when
// the entry vanished meanwhile (errno tells).
bool describeEntry(int dirFd, const char* name, unsigned char type, FolderContext& folder, FindData& out);

// Puts the phone name of a host name into `out`, reusing its buffer when nobody else holds
// it: a listing of a big folder then makes no string per entry.
inline void assignName(QString& out, const char* name, size_t length)
{
    for (size_t i = 0; i < length; ++i) {
        const char byte = name[i];
        if (static_cast<unsigned char>(byte) >= 0x80 || byte == '\\') {
            out = PathMapper::nameFromHost(QByteArray::fromRawData(name, static_cast<qsizetype>(length)));
            return;
        }
    }
    // A name the caller kept (a search result, a long name in the tree) gets a buffer of exactly
    // its size: resizing a shared string would leave room to grow in every name it keeps.
    if (!out.isDetached())
        out = QString(static_cast<qsizetype>(length), Qt::Uninitialized);
    else
        out.resize(static_cast<qsizetype>(length));
    QChar* characters = out.data();
    for (size_t i = 0; i < length; ++i)
        characters[i] = QChar(static_cast<char16_t>(name[i]));
}

// The Directory, Hidden, System and ReparsePoint bits of an entry, as a list on the screen
// shows it: a link to a folder is a folder, one that points nowhere a system item. The
// listing's own type spares a look at each item; only a file system that does not give it, and
// a link, whose target decides how it shows, are looked at. `enterable` tells a folder that
// is no link, which a walk may go into. False when the entry has gone since it was listed.
bool displayAttributes(int dirFd, const char* name, unsigned char type, FolderContext& context, quint32& out,
                       bool& enterable);

// True when a host name is plain ASCII that stands for itself as a phone name (no "\", which
// a phone name cannot hold).
inline bool isPlainAscii(const char* name, size_t length)
{
    for (size_t i = 0; i < length; ++i)
        if (static_cast<unsigned char>(name[i]) >= 0x80 || name[i] == '\\')
            return false;
    return true;
}

bool openHostFolder(const QByteArray& hostFolder, Fd& fd, FolderContext& context);

// Opens a host folder for listing, with what is the same for all its entries.
FsError openListing(const QByteArray& hostFolder, DIR*& directory, FolderContext& context);

// Hands every entry of a listing but "." and ".." to `visit(entry, error)`, which returns
// whether to go on and may set `error` to end the listing with a failure of its own. Closes
// the listing; returns why it failed part-way, or None.
template <typename Visit>
FsError readEntries(DIR* directory, Visit visit)
{
    FsError result = FsError::None;
    for (;;) {
        errno = 0;
        const struct dirent* item = ::readdir(directory);
        if (!item) {
            if (errno != 0)
                result = fsErrorFromErrno(errno);
            break;
        }
        const char* name = item->d_name;
        if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))
            continue;
        if (!visit(*item, result))
            break;
    }
    ::closedir(directory);
    return result;
}

}  // namespace platform::host
