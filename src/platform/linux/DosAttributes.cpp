#include "platform/linux/DosAttributes.h"

#include "platform/linux/SambaDosAttrib.h"

#include <atomic>
#include <cerrno>

#include <sys/syscall.h>
#include <sys/xattr.h>

namespace platform::host {

namespace {

#ifndef SYS_getxattrat
#define SYS_getxattrat 464
#endif

// getxattrat(2) reads an attribute relative to an open folder, which spares the kernel a walk
// of the whole path for every entry. Kernels before 6.13 lack it (ENOSYS), and a container's
// system-call filter may refuse what it does not know (EPERM, which a plain read of a user
// attribute never gives); then the path is walked.
struct XattrArgs {
    quint64 value;
    quint32 size;
    quint32 flags;
};
std::atomic<bool> g_getxattratMissing = false;

ssize_t getXattrIn(int dirFd, FolderContext& folder, const char* name, char* value, size_t size)
{
    if (!g_getxattratMissing.load(std::memory_order_relaxed)) {
        XattrArgs args{reinterpret_cast<quintptr>(value), static_cast<quint32>(size), 0};
        const long result = syscall(SYS_getxattrat, dirFd, name, 0, DosAttributeName, &args, sizeof args);
        if (result >= 0 || (errno != ENOSYS && errno != EPERM))
            return result;
        g_getxattratMissing.store(true, std::memory_order_relaxed);
    }
    // The folder's path stays in the buffer; only the name part is replaced per entry.
    folder.pathBuffer.truncate(folder.folderLength);
    folder.pathBuffer.append(name);
    return getxattr(folder.pathBuffer.constData(), DosAttributeName, value, size);
}

}  // namespace

quint32 readDosAttributes(int dirFd, const char* name, bool onFolderDevice, FolderContext& folder)
{
    if (!folder.xattrsSupported)
        return 0;
    char value[DosValueBuffer];
    const ssize_t size = getXattrIn(dirFd, folder, name, value, sizeof value);
    if (size < 0) {
        // A file system without extended attributes says so for every entry: ask no more. An
        // entry that lies on another one (a mount point) says nothing about the rest.
        if (errno == ENOTSUP && onFolderDevice)
            folder.xattrsSupported = false;
        return 0;
    }
    return SambaDosAttrib::parse(value, static_cast<qsizetype>(size)).value_or(0);
}

std::optional<QByteArray> readDosValue(const QByteArray& hostPath)
{
    char buffer[DosValueBuffer];
    ssize_t size = getxattr(hostPath.constData(), DosAttributeName, buffer, sizeof buffer);
    if (size >= 0)
        return QByteArray(buffer, static_cast<qsizetype>(size));
    if (errno != ERANGE)
        return std::nullopt;
    size = getxattr(hostPath.constData(), DosAttributeName, nullptr, 0);
    if (size < 0)
        return std::nullopt;
    QByteArray value(static_cast<qsizetype>(size), '\0');
    size = getxattr(hostPath.constData(), DosAttributeName, value.data(), static_cast<size_t>(value.size()));
    if (size < 0)
        return std::nullopt;
    value.truncate(static_cast<qsizetype>(size));
    return value;
}

}  // namespace platform::host
