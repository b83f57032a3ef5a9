// The shortcut file format: the target's length, "#", the target.
#include "fileops/ShortcutFile.h"

#include <gtest/gtest.h>

namespace {

TEST(ShortcutFile, WritesAndReadsTheCountedTarget)
{
    EXPECT_EQ(ShortcutFile::encode(QStringLiteral("\"\\A\\x.txt\"")), QByteArray("10#\"\\A\\x.txt\""));
    QString target;
    ASSERT_TRUE(ShortcutFile::decode("10#\"\\A\\x.txt\"\r\n", target));
    EXPECT_EQ(target, QStringLiteral("\"\\A\\x.txt\""));
    for (const char* bad : {"", "#x", "9#\"\\A\\x.txt\"", "x#abc", "999999#a", "-1#"})
        EXPECT_FALSE(ShortcutFile::decode(QByteArray(bad), target)) << bad;
}

}  // namespace
