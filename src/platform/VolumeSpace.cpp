#include "platform/VolumeSpace.h"

#include <sys/statvfs.h>

namespace platform {

bool volumeSpace(const QByteArray& hostPath, qint64& total, qint64& available)
{
    struct statvfs info;
    if (hostPath.isEmpty() || ::statvfs(hostPath.constData(), &info) != 0)
        return false;
    total = static_cast<qint64>(info.f_blocks) * static_cast<qint64>(info.f_frsize);
    available = static_cast<qint64>(info.f_bavail) * static_cast<qint64>(info.f_frsize);
    return true;
}

}  // namespace platform
