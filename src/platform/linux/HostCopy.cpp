#include "platform/linux/HostCopy.h"

#include "platform/linux/LinuxFileSystem.h"

#include <QList>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <mutex>
#include <set>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace platform::host {

QByteArray temporaryName(const QByteArray& name)
{
    static std::atomic<quint32> counter{0};
    return '.' + name.left(160) + LinuxFileSystem::TemporaryMarker + QByteArray::number(::getpid()) + '-'
           + QByteArray::number(++counter) + '-' + QByteArray::number(static_cast<quint32>(::random()), 36);
}

void removeStaleTemporaries(int dirFd)
{
    struct stat folderStatus;
    if (::fstat(dirFd, &folderStatus) != 0)
        return;
    static std::mutex seenMutex;
    static std::set<std::pair<dev_t, ino_t>> seen;
    {
        std::lock_guard lock(seenMutex);
        if (!seen.insert({folderStatus.st_dev, folderStatus.st_ino}).second)
            return;
    }
    const int listFd = ::openat(dirFd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* directory = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
    if (!directory) {
        if (listFd >= 0)
            ::close(listFd);
        return;
    }
    const QByteArray marker(LinuxFileSystem::TemporaryMarker);
    while (const struct dirent* item = ::readdir(directory)) {
        const QByteArray name(item->d_name);
        const qsizetype at = name.lastIndexOf(marker);
        if (!name.startsWith('.') || at < 0)
            continue;
        const QList<QByteArray> parts = name.mid(at + marker.size()).split('-');
        bool isNumber = false;
        const pid_t owner = parts.size() == 3 ? parts.at(0).toInt(&isNumber) : 0;
        if (isNumber && owner > 0 && owner != ::getpid() && ::kill(owner, 0) != 0 && errno == ESRCH)
            (void)::unlinkat(dirFd, item->d_name, 0);
    }
    ::closedir(directory);
}

int placeFile(int anonymous, const QByteArray& named, int dirFd, const QByteArray& name, bool replace)
{
    if (anonymous >= 0) {
        // Linking the descriptor itself spares the kernel a walk through /proc. Kernels before
        // 6.10 allow that only to those who may read any file (ENOENT for others), and then
        // the descriptor is linked through /proc from there on.
        static std::atomic<bool> linkDescriptor{true};
        const auto linkAs = [&](const QByteArray& as) {
            if (linkDescriptor.load(std::memory_order_relaxed)) {
                if (::linkat(anonymous, "", dirFd, as.constData(), AT_EMPTY_PATH) == 0)
                    return 0;
                if (errno != ENOENT)
                    return errno;
            }
            const QByteArray procPath = "/proc/self/fd/" + QByteArray::number(anonymous);
            if (::linkat(AT_FDCWD, procPath.constData(), dirFd, as.constData(), AT_SYMLINK_FOLLOW) != 0)
                return errno;
            linkDescriptor.store(false, std::memory_order_relaxed);
            return 0;
        };
        const int error = linkAs(name);
        if (error != EEXIST || !replace)
            return error;
        // Replacing: the whole file takes a hidden name first, then the target's in one step.
        const QByteArray hidden = temporaryName(name);
        if (const int hiddenError = linkAs(hidden))
            return hiddenError;
        if (::renameat(dirFd, hidden.constData(), dirFd, name.constData()) != 0) {
            const int renameError = errno;
            ::unlinkat(dirFd, hidden.constData(), 0);
            return renameError;
        }
        return 0;
    }
    if (replace)
        return ::renameat(dirFd, named.constData(), dirFd, name.constData()) == 0 ? 0 : errno;
    if (::renameat2(dirFd, named.constData(), dirFd, name.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without RENAME_NOREPLACE: a hard link fails just the same on an existing
    // name, and the temporary name goes afterwards.
    if (::linkat(dirFd, named.constData(), dirFd, name.constData(), 0) != 0)
        return errno;
    ::unlinkat(dirFd, named.constData(), 0);
    return 0;
}

bool noDefaultAcl(const OpenFolder& folder)
{
    constexpr quint32 AclKnown = 0x1, AclAbsent = 0x2;
    quint32 facts = folder.facts();
    if (!(facts & AclKnown)) {
        const bool absent = ::fgetxattr(folder.handle(), "system.posix_acl_default", nullptr, 0) < 0
                            && (errno == ENODATA || errno == ENOTSUP || errno == EOPNOTSUPP);
        facts = AclKnown | (absent ? AclAbsent : 0);
        folder.addFacts(facts);
    }
    return facts & AclAbsent;
}

FsError copyData(int in, int out, dev_t device, const CopyControl& control)
{
    // A file system that refused once (ext4, tmpfs) is not asked again for every file.
    static std::atomic<dev_t> noReflinkDevice{static_cast<dev_t>(-1)};
    if (noReflinkDevice.load() != device) {
        if (::ioctl(out, FICLONE, in) == 0) {
            struct stat status;
            if (control.bytesDone && ::fstat(in, &status) == 0)
                *control.bytesDone += status.st_size;
            return FsError::None;
        }
        if (errno == EOPNOTSUPP || errno == EINVAL || errno == EXDEV || errno == ENOTTY)
            noReflinkDevice = device;
    }
    constexpr size_t Piece = 8 << 20;
    const auto stopped = [&] { return control.stop && control.stop->load(std::memory_order_relaxed); };
    const auto advance = [&](ssize_t bytes) {
        if (control.bytesDone)
            control.bytesDone->fetch_add(bytes, std::memory_order_relaxed);
    };
    qint64 copied = 0;
    for (;;) {
        if (stopped())
            return FsError::Cancelled;
        const ssize_t done = ::copy_file_range(in, nullptr, out, nullptr, Piece, 0);
        if (done > 0) {
            copied += done;
            advance(done);
            continue;
        }
        if (done == 0)
            return FsError::None;
        if (errno == EINTR)
            continue;
        if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP && errno != EBADF)
            return fsErrorFromErrno(errno);
        break;
    }
    // Start again from the beginning, whatever the failed call did.
    if (::lseek(in, 0, SEEK_SET) < 0 || ::ftruncate(out, 0) != 0 || ::lseek(out, 0, SEEK_SET) < 0)
        return fsErrorFromErrno(errno);
    if (control.bytesDone)
        *control.bytesDone -= copied;
    std::vector<char> buffer(1 << 20);
    for (;;) {
        if (stopped())
            return FsError::Cancelled;
        const ssize_t got = ::read(in, buffer.data(), buffer.size());
        if (got == 0)
            return FsError::None;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return fsErrorFromErrno(errno);
        }
        for (ssize_t put = 0; put < got;) {
            const ssize_t written = ::write(out, buffer.data() + put, static_cast<size_t>(got - put));
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                return fsErrorFromErrno(errno);
            }
            put += written;
        }
        advance(got);
    }
}

}  // namespace platform::host
