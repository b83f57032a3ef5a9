// The copy walk of a folder it makes, which copies two files at a time: the disk, the count of
// items and the failure told are those of copying one file after the other, and Cancel stops
// both files in flight. Faults are injected on a real folder.
#include "FaultyFileSystem.h"

#include "fileops/TreeWalk.h"
#include "jobs/JobContext.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

using Call = FaultyFileSystem::Call;
using platform::DirEntry;
using platform::FsError;
using platform::OpenFolder;

// \Src\Tree with `files` files, an empty \Dst, and the order in which a walk meets the files.
class Trees {
    QTemporaryDir m_folder;  // made first: the file system stands in it

public:
    static constexpr int FileSize = 4096;

    explicit Trees(int files)
    {
        EXPECT_TRUE(QDir(m_folder.path()).mkpath(QStringLiteral("Src/Tree")));
        EXPECT_TRUE(QDir(m_folder.path()).mkpath(QStringLiteral("Dst")));
        for (int i = 0; i < files; ++i) {
            QFile file(m_folder.filePath(QStringLiteral("Src/Tree/f%1").arg(i)));
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(FileSize, char('a' + i)));
        }
        OpenFolder tree;
        EXPECT_EQ(fileSystem.openFolder(QStringLiteral("\\Src\\Tree"), tree), FsError::None);
        EXPECT_EQ(fileSystem.list(tree, false,
                                  [this](const DirEntry& entry) {
                                      order << entry.name;
                                      return true;
                                  }),
                  FsError::None);
    }

    bool copyTree(TreeWalk& walk)
    {
        OpenFolder from, to;
        EXPECT_EQ(fileSystem.openFolder(QStringLiteral("\\Src"), from), FsError::None);
        EXPECT_EQ(fileSystem.openFolder(QStringLiteral("\\Dst"), to), FsError::None);
        return walk.copyItem(from, QStringLiteral("Tree"), DirEntry::Folder, to, QStringLiteral("Tree"), false, false);
    }
    // Every name in the copy, hidden ones too, sorted.
    QStringList copied() const
    {
        return QDir(m_folder.filePath(QStringLiteral("Dst/Tree")))
            .entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    }
    static QString phone(const QString& name) { return QStringLiteral("\\Src\\Tree\\") + name; }

    FaultyFileSystem fileSystem{QFile::encodeName(m_folder.path())};
    JobContext context;
    QStringList order;
};

// Waits until `done` holds; bounded, so that a broken walk cannot hang the run.
template <typename Done>
void waitFor(Done done)
{
    for (int i = 0; i < 20000 && !done(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TEST(ThreadedTreeWalk, TheFirstFailureInTheWalksOrderIsToldAndNothingAfterItIsNamed)
{
    // The places in the walk's order of the files that fail. The walk hands the files at even
    // places to the thread beside and copies the next one itself meanwhile; a failing file at
    // an even place fails only once the next one is being copied, so that two are in flight
    // when it does. One at an odd place fails while the one before it is still being copied.
    const std::vector<std::vector<int>> cases = {{0}, {1}, {2, 3}, {3, 4}, {4, 2}, {5}};
    for (const std::vector<int>& failing : cases) {
        Trees trees(6);
        ASSERT_EQ(trees.order.size(), 6);
        const int first = *std::min_element(failing.begin(), failing.end());
        SCOPED_TRACE(first);
        std::atomic<bool> nextBegun = false;
        trees.fileSystem.fault = [&](Call call, const QString& path) {
            if (call != Call::CopyFile)
                return FsError::None;
            const int place = static_cast<int>(trees.order.indexOf(path.mid(path.lastIndexOf(u'\\') + 1)));
            if (place == first + 1)
                nextBegun = true;
            if (place == first) {
                if (place % 2 == 0 && place + 1 < trees.order.size())
                    waitFor([&] { return nextBegun.load(); });
                return FsError::AccessDenied;
            }
            return std::find(failing.begin(), failing.end(), place) != failing.end() ? FsError::IoError
                                                                                    : FsError::None;
        };
        TreeWalk walk(trees.fileSystem, &trees.context);
        EXPECT_FALSE(trees.copyTree(walk));
        EXPECT_EQ(walk.failure().step, TreeWalk::Step::CopyFile);
        EXPECT_EQ(walk.failure().path, Trees::phone(trees.order.at(first)));
        EXPECT_EQ(walk.failure().error, FsError::AccessDenied);
        QStringList before = trees.order.mid(0, first);
        before.sort();
        EXPECT_EQ(trees.copied(), before);
        EXPECT_EQ(trees.context.itemsDone.load(), first);
        EXPECT_EQ(trees.context.bytesDone.load(), first * Trees::FileSize);
    }
}

TEST(ThreadedTreeWalk, CancelStopsBothFilesInFlight)
{
    Trees trees(4);
    trees.fileSystem.gateCopies = true;
    // The second file asks to stop once the first waits at the gate: both are in flight.
    trees.fileSystem.fault = [&](Call call, const QString& path) {
        if (call == Call::CopyFile && path == Trees::phone(trees.order.at(1))) {
            waitFor([&] { return trees.fileSystem.copiesWaiting.load() >= 1; });
            trees.context.requestStop();
        }
        return FsError::None;
    };
    TreeWalk walk(trees.fileSystem, &trees.context);
    EXPECT_FALSE(trees.copyTree(walk));
    EXPECT_EQ(walk.failure().error, FsError::Cancelled);
    EXPECT_EQ(trees.fileSystem.copiesWaiting.load(), 2);
    EXPECT_EQ(trees.copied(), QStringList());
    EXPECT_EQ(trees.context.itemsDone.load(), 0);
}

}  // namespace
