// The walks over whole trees, on the real disk: deeper than any path may be long, and as an
// ordinary user who meets a folder that cannot be listed.
#include "OrdinaryUser.h"

#include "fileops/TreeWalk.h"
#include "platform/linux/LinuxFileSystem.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using platform::DirEntry;
using platform::FsError;
using platform::OpenFolder;

class TreeWalkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        m_host = QFile::encodeName(m_root.path());
    }
    QByteArray host(const char* relative) const { return m_host + '/' + relative; }
    platform::LinuxFileSystem fileSystem() const { return platform::LinuxFileSystem(platform::PathMapper(m_host)); }

    // How many levels of folders named `name` lie below `relative`, each found by its name in
    // the one above (as no path of such a depth could be given whole).
    int depthBelow(const char* relative, const char* name) const
    {
        int fd = ::open(host(relative).constData(), O_RDONLY | O_DIRECTORY);
        int depth = 0;
        while (fd >= 0) {
            const int inner = ::openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
            ::close(fd);
            fd = inner;
            depth += fd >= 0;
        }
        return depth;
    }

    QTemporaryDir m_root;
    QByteArray m_host;
};

TEST_F(TreeWalkTest, TreesDeeperThanAPathMayBeLongAreCopiedAndDeleted)
{
    constexpr int Depth = 800;
    ASSERT_EQ(::mkdir(host("Src").constData(), 0755), 0);
    ASSERT_EQ(::mkdir(host("Dst").constData(), 0755), 0);
    int fd = ::open(host("Src").constData(), O_RDONLY | O_DIRECTORY);
    for (int level = 0; level < Depth; ++level) {
        ASSERT_EQ(::mkdirat(fd, "level-0123", 0755), 0);
        const int inner = ::openat(fd, "level-0123", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = inner;
    }
    const int bottom = ::openat(fd, "bottom.txt", O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::write(bottom, "deep", 4), 4);
    ::close(bottom);
    ::close(fd);

    platform::LinuxFileSystem fs = fileSystem();
    OpenFolder source, target;
    ASSERT_EQ(fs.openFolder(QStringLiteral("\\Src"), source), FsError::None);
    ASSERT_EQ(fs.openFolder(QStringLiteral("\\Dst"), target), FsError::None);
    TreeWalk walk(fs, nullptr);
    ASSERT_TRUE(walk.copyItem(source, QStringLiteral("level-0123"), DirEntry::Folder, target, QStringLiteral("level-0123"),
                              false, false))
        << walk.failure().path.size() << " " << platform::describe(walk.failure().error).toStdString();
    EXPECT_EQ(depthBelow("Dst", "level-0123"), Depth);
    TreeWalk::Totals totals;
    OpenFolder copy;
    ASSERT_EQ(fs.openChild(target, QStringLiteral("level-0123"), copy), FsError::None);
    ASSERT_TRUE(walk.measure(copy, totals));
    EXPECT_EQ(totals.folders, Depth - 1);
    EXPECT_EQ(totals.files, 1);
    EXPECT_EQ(totals.bytes, 4);
    copy.reset();

    ASSERT_TRUE(walk.deleteItem(target, QStringLiteral("level-0123"), DirEntry::Folder, true));
    ASSERT_TRUE(walk.deleteItem(source, QStringLiteral("level-0123"), DirEntry::Folder, true));
    EXPECT_EQ(depthBelow("Dst", "level-0123"), 0);
    EXPECT_EQ(depthBelow("Src", "level-0123"), 0);
}

// Permission bits only bind an ordinary user. A folder that cannot be listed stops every walk
// with its name and the reason; it never passes for an empty folder.
TEST_F(TreeWalkTest, AFolderThatCannotBeListedStopsTheWalk)
{
    for (const char* folder : {"Src", "Src/Tree", "Src/Tree/Closed", "Dst"})
        ASSERT_EQ(::mkdir(host(folder).constData(), 0755), 0);
    for (const char* file : {"Src/Tree/a.txt", "Src/Tree/Closed/secret.txt"})
        ::close(::open(host(file).constData(), O_WRONLY | O_CREAT, 0644));
    for (const char* item : {"", "Src", "Src/Tree", "Src/Tree/a.txt", "Dst"})
        ASSERT_EQ(::chown(item[0] ? host(item).constData() : m_host.constData(), OrdinaryUser::Id, OrdinaryUser::Id), 0);
    ASSERT_EQ(::chmod(host("Src/Tree/Closed").constData(), 0711), 0);  // root's; others may pass, not read

    enum Result { Done = 0, CopyPassed = 10, CopyWrongFailure, MeasurePassed, DeletePassed, DeleteWrongFailure };
    const int result = OrdinaryUser::run([this] {
        platform::LinuxFileSystem fs = fileSystem();
        OpenFolder source, target, tree;
        if (fs.openFolder(QStringLiteral("\\Src"), source) != FsError::None
            || fs.openFolder(QStringLiteral("\\Dst"), target) != FsError::None
            || fs.openChild(source, QStringLiteral("Tree"), tree) != FsError::None)
            return 1;
        TreeWalk walk(fs, nullptr);
        if (walk.copyItem(source, QStringLiteral("Tree"), DirEntry::Folder, target, QStringLiteral("Tree"), false, false))
            return static_cast<int>(CopyPassed);
        if (walk.failure().step != TreeWalk::Step::List || walk.failure().path != u"\\Src\\Tree\\Closed"
            || walk.failure().error != FsError::AccessDenied)
            return static_cast<int>(CopyWrongFailure);
        TreeWalk::Totals totals;
        if (TreeWalk(fs, nullptr).measure(tree, totals))
            return static_cast<int>(MeasurePassed);
        TreeWalk removal(fs, nullptr);
        if (removal.deleteItem(source, QStringLiteral("Tree"), DirEntry::Folder, true))
            return static_cast<int>(DeletePassed);
        if (removal.failure().path != u"\\Src\\Tree\\Closed")
            return static_cast<int>(DeleteWrongFailure);
        return static_cast<int>(Done);
    });
    if (result == OrdinaryUser::Unavailable)
        GTEST_SKIP() << "cannot become an ordinary user here";
    EXPECT_EQ(result, Done);
    struct stat status;
    EXPECT_EQ(::stat(host("Src/Tree/Closed/secret.txt").constData(), &status), 0);
}

}  // namespace
