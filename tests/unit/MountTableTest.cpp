// Reading /proc/self/mountinfo: which mounts are storage cards of the root.
#include "platform/MountTable.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

TEST(MountTable, CardsAreBlockDeviceMountsRightUnderTheRoot)
{
    const QByteArray mountinfo =
        "22 1 254:1 / / rw,relatime shared:1 - ext4 /dev/vda1 rw\n"
        "30 22 0:25 / /proc rw shared:2 - proc proc rw\n"
        "40 22 8:17 / /media/usb rw - vfat /dev/sdb1 rw\n"
        "41 22 8:33 / /Storage\\040Card rw,nosuid - vfat /dev/sdc1 rw\n"
        "42 22 8:34 / /ro-card ro - vfat /dev/sdc2 ro\n"
        "43 22 0:40 / /tmpfs rw - tmpfs tmpfs rw\n"
        "garbage line\n";
    const QList<platform::MountTable::Mount> mounts = platform::MountTable::parse(mountinfo);
    ASSERT_EQ(mounts.size(), 6);
    EXPECT_EQ(mounts.at(3).mountPoint, QByteArray("/Storage Card"));
    EXPECT_TRUE(mounts.at(4).readOnly);
    EXPECT_EQ(platform::MountTable::cardPaths(mounts, "/"),
              QStringList({QStringLiteral("\\Storage Card"), QStringLiteral("\\ro-card")}));
    EXPECT_EQ(platform::MountTable::cardPaths(mounts, "/media"), QStringList{QStringLiteral("\\usb")});
}

// A whole-phone search does not enter the kernel's own file systems; they are known by the
// device numbers that a walk sees on the folders it opens.
TEST(MountTable, PseudoFileSystemsAreKnownByTheirDevices)
{
    const QByteArray mountinfo =
        "22 1 254:1 / / rw - ext4 /dev/vda1 rw\n"
        "30 22 0:25 / /proc rw - proc proc rw\n"
        "31 22 0:26 / /sys rw - sysfs sysfs rw\n"
        "32 31 0:27 / /sys/fs/cgroup rw - cgroup2 cgroup2 rw\n"
        "33 22 0:5 / /dev rw - devtmpfs udev rw\n"
        "34 22 0:40 / /tmp rw - tmpfs tmpfs rw\n"
        "35 22 0:41 / /mnt/share rw - fuse.sshfs host: rw\n";
    const QList<quint64> devices = platform::MountTable::pseudoFileSystemDevices(platform::MountTable::parse(mountinfo));
    EXPECT_EQ(devices, (QList<quint64>{makedev(0, 25), makedev(0, 26), makedev(0, 27), makedev(0, 5)}));

    // The numbers are those the file system reports for the mount itself.
    struct stat proc;
    ASSERT_EQ(::stat("/proc", &proc), 0);
    EXPECT_TRUE(platform::MountTable::pseudoFileSystemDevices(
                    platform::MountTable::parse(platform::MountTable::readMountinfo()))
                    .contains(static_cast<quint64>(proc.st_dev)));
}

}  // namespace
