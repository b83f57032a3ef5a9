#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QStringList>

class QSocketNotifier;

namespace platform {

// The mounts of this process, read from /proc/self/mountinfo. Storage cards are the mounts
// that are direct children of the root folder and backed by a block device (a device number
// with a non-zero major), which is how removable media and extra disks appear.
namespace MountTable {

struct Mount {
    QByteArray mountPoint;  // host path, with the kernel's octal escapes undone
    int major = 0;
    int minor = 0;
    QByteArray fileSystemType;
    bool readOnly = false;
};

// Parses mountinfo text; malformed lines are skipped.
QList<Mount> parse(const QByteArray& mountinfo);

// The phone folder paths ("\Storage Card") of the storage cards under `hostRoot`.
QStringList cardPaths(const QList<Mount>& mounts, const QByteArray& hostRoot);

QByteArray readMountinfo();

// True for the kernel's own file systems (proc, sysfs, devtmpfs, cgroup and the like): they
// hold no user files, and some of them never end when walked.
bool isPseudoFileSystem(const QByteArray& fileSystemType);
// The device numbers, as FileId::device gives them, of the mounts of such file systems: what a
// walk over the whole phone does not enter.
QList<quint64> pseudoFileSystemDevices(const QList<Mount>& mounts);

}  // namespace MountTable

// Tells when the mount table changes. The kernel marks /proc/self/mountinfo with an
// exceptional condition on every mount and unmount, which a socket notifier sees.
class MountWatcher : public QObject {
    Q_OBJECT
public:
    explicit MountWatcher(QObject* parent = nullptr);
    ~MountWatcher() override;

signals:
    void changed();

private:
    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
};

}  // namespace platform
