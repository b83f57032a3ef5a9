// Reading /proc/self/mountinfo: which mounts are storage cards of the root.
#include "platform/MountTable.h"

#include <QStringList>

#include <gtest/gtest.h>

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

}  // namespace
