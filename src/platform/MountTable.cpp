#include "platform/MountTable.h"

#include "platform/PhonePath.h"

#include <QFile>
#include <QSocketNotifier>

#include <fcntl.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace platform {
namespace MountTable {

namespace {

// Undoes the kernel's escapes of blanks, tabs, new lines and backslashes ("\040").
QByteArray unescape(const QByteArray& field)
{
    QByteArray out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field.at(i) == '\\' && i + 3 < field.size()) {
            const QByteArray digits = field.mid(i + 1, 3);
            bool ok = false;
            const int value = digits.toInt(&ok, 8);
            if (ok && digits.size() == 3 && value < 256) {
                out.append(static_cast<char>(value));
                i += 3;
                continue;
            }
        }
        out.append(field.at(i));
    }
    return out;
}

}  // namespace

QList<Mount> parse(const QByteArray& mountinfo)
{
    QList<Mount> mounts;
    for (const QByteArray& line : mountinfo.split('\n')) {
        // ID PARENT MAJOR:MINOR ROOT MOUNTPOINT OPTIONS [OPTIONAL...] - TYPE SOURCE SUPEROPTIONS
        const QList<QByteArray> fields = line.split(' ');
        const qsizetype separator = fields.indexOf("-");
        if (fields.size() < 7 || separator < 6 || separator + 1 >= fields.size())
            continue;
        const QList<QByteArray> device = fields.at(2).split(':');
        bool ok = false;
        const int major = device.value(0).toInt(&ok);
        bool minorOk = false;
        const int minor = device.value(1).toInt(&minorOk);
        if (device.size() != 2 || !ok || !minorOk)
            continue;
        Mount mount;
        mount.mountPoint = unescape(fields.at(4));
        mount.major = major;
        mount.minor = minor;
        mount.fileSystemType = fields.at(separator + 1);
        mount.readOnly = fields.at(5).split(',').contains("ro");
        mounts.append(mount);
    }
    return mounts;
}

QStringList cardPaths(const QList<Mount>& mounts, const QByteArray& hostRoot)
{
    QByteArray root = hostRoot;
    if (!root.endsWith('/'))
        root.append('/');
    QStringList cards;
    for (const Mount& mount : mounts) {
        if (mount.major == 0 || !mount.mountPoint.startsWith(root))
            continue;
        const QByteArray name = mount.mountPoint.mid(root.size());
        if (name.isEmpty() || name.contains('/'))
            continue;
        const QString path = u'\\' + PathMapper::nameFromHost(name);
        if (!cards.contains(path))
            cards.append(path);
    }
    return cards;
}

bool isPseudoFileSystem(const QByteArray& fileSystemType)
{
    static const QList<QByteArray> pseudo = {
        "proc",        "sysfs",  "devtmpfs",  "devpts",     "cgroup",  "cgroup2", "securityfs", "debugfs",
        "tracefs",     "pstore", "bpf",       "configfs",   "fusectl", "mqueue",  "hugetlbfs",  "efivarfs",
        "binfmt_misc", "autofs", "selinuxfs", "rpc_pipefs", "nsfs",    "nfsd",
    };
    return pseudo.contains(fileSystemType);
}

QList<quint64> pseudoFileSystemDevices(const QList<Mount>& mounts)
{
    QList<quint64> devices;
    for (const Mount& mount : mounts) {
        const quint64 device = makedev(static_cast<unsigned>(mount.major), static_cast<unsigned>(mount.minor));
        if (isPseudoFileSystem(mount.fileSystemType) && !devices.contains(device))
            devices.append(device);
    }
    return devices;
}

QByteArray readMountinfo()
{
    QFile file(QStringLiteral("/proc/self/mountinfo"));
    // A proc file reports no size: read until the end.
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace MountTable

MountWatcher::MountWatcher(QObject* parent) : QObject(parent)
{
    m_fd = ::open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
        return;
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Exception, this);
    connect(m_notifier, &QSocketNotifier::activated, this, [this] {
        // The condition stays raised until the file is read again from its start.
        char buffer[4096];
        ::lseek(m_fd, 0, SEEK_SET);
        while (::read(m_fd, buffer, sizeof buffer) > 0) {}
        emit changed();
    });
}

MountWatcher::~MountWatcher()
{
    delete m_notifier;
    if (m_fd >= 0)
        ::close(m_fd);
}

}  // namespace platform
