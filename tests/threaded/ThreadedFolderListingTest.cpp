// A big folder is listed on a worker: the first screenful at once, the rest merged in sorted
// batches while the window goes on. Whatever ends the listing early stops and joins it, and what
// is shown in the end is what a whole listing at once shows. Run under ThreadSanitizer in CI.
#include "jobs/Worker.h"
#include "platform/linux/LinuxFileSystem.h"
#include "settings/Settings.h"
#include "tree/FolderListing.h"
#include "tree/FolderTree.h"
#include "tree/TreeImageList.h"
#include "tree/TreeNavigation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace {

// The real file system, whose listings on a worker hold before their entry number `gateAt`
// until `release` is set: a listing caught half-way, as a slow disk gives one.
class GatedFileSystem : public platform::LinuxFileSystem {
public:
    using LinuxFileSystem::LinuxFileSystem;
    std::atomic<int> gateAt = -1;
    std::atomic<bool> waiting = false;
    std::atomic<bool> release = false;
    std::atomic<bool> listedToTheEnd = false;

    platform::FsError listForDisplay(const QString& folderPath, const Visitor& visit) override
    {
        const bool worker = QThread::currentThread() != QCoreApplication::instance()->thread();
        int seen = 0;
        const platform::FsError error =
            LinuxFileSystem::listForDisplay(folderPath, [&](const platform::FindData& entry) {
                if (worker && seen++ == gateAt.load()) {
                    waiting = true;
                    while (!release.load())
                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
                }
                return visit(entry);
            });
        if (worker)
            listedToTheEnd = true;
        return error;
    }
};

QStringList namesOf(const TreeNode* folder)
{
    QStringList names;
    for (const auto& child : folder->children)
        names << child->text;
    return names;
}

class ThreadedFolderListing : public ::testing::Test {
protected:
    // \Big: 3000 files whose names differ in case, 20 folders, a pair of case twins and a
    // hidden file; \Small: two files.
    void SetUp() override
    {
        QDir(m_root.path()).mkpath(QStringLiteral("Small"));
        for (const char* name : {"Small/b", "Small/a"})
            touch(QString::fromUtf8(name));
        for (int i = 0; i < 3000; ++i)
            touch(QStringLiteral("Big/%1%2").arg(i % 3 == 0 ? u'F' : u'f').arg(i, 4, 10, QLatin1Char('0')));
        for (int i = 0; i < 20; ++i)
            QDir(m_root.path()).mkpath(QStringLiteral("Big/Dir%1/inner").arg(i, 2, 10, QLatin1Char('0')));
        for (const char* name : {"Big/twin", "Big/TWIN", "Big/.hidden"})
            touch(QString::fromUtf8(name));
        m_tree->populate(QString(), nullptr);
    }
    void touch(const QString& relative)
    {
        QDir(m_root.path()).mkpath(QFileInfo(relative).path());
        ::close(::open(QFile::encodeName(m_root.filePath(relative)).constData(), O_WRONLY | O_CREAT, 0644));
    }
    TreeNode* top(const QString& name)
    {
        for (const auto& child : m_tree->treeModel()->root()->children)
            if (child->text == name)
                return child.get();
        return nullptr;
    }
    // What a listing of the whole folder at once shows.
    QStringList listedAtOnce(const QString& path)
    {
        FolderTree other(m_fileSystem, m_settings, m_images);
        other.populate(path, nullptr);
        return namesOf(other.treeModel()->root());
    }
    void waitUntilListed(const TreeNode* folder)
    {
        while (m_tree->isListing(folder))
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::processEvents();
    }
    // Opens \Big with its listing held half-way, after the first batch came.
    TreeNode* openBigHeld()
    {
        m_fileSystem.gateAt = 2400;
        TreeNode* big = top(QStringLiteral("Big"));
        m_tree->expand(m_tree->treeModel()->indexOf(big));
        while (!m_fileSystem.waiting.load() || big->children.size() <= size_t(FolderTree::ListedAtOnce))
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        return big;
    }

    QTemporaryDir m_root;
    GatedFileSystem m_fileSystem{platform::PathMapper(QFile::encodeName(m_root.path()))};
    Settings m_settings;
    TreeImageList m_images;
    std::unique_ptr<FolderTree> m_tree = std::make_unique<FolderTree>(m_fileSystem, m_settings, m_images);
};

TEST_F(ThreadedFolderListing, ABigFolderComesInSortedBatchesAndEndsAsAWholeListingDoes)
{
    for (const SortMode mode : {SortMode::ByName, SortMode::ByType}) {
        SCOPED_TRACE(static_cast<int>(mode));
        m_settings.setSortMode(mode);
        m_fileSystem.waiting = false;
        m_fileSystem.release = false;
        TreeNode* big = openBigHeld();
        // Half-way: more than the first screenful, less than the folder, in order, and no
        // counts for the status line yet.
        EXPECT_TRUE(m_tree->isListing(big));
        EXPECT_LT(big->children.size(), size_t(3000));
        for (size_t i = 1; i < big->children.size(); ++i)
            ASSERT_FALSE(FolderListingRules::sortsBefore(*big->children[i], *big->children[i - 1],
                                                         mode == SortMode::ByType))
                << i;
        qint64 folders = 0, files = 0;
        EXPECT_FALSE(m_tree->takeListingCounts(QStringLiteral("\\Big"), false, folders, files));

        m_fileSystem.release = true;
        waitUntilListed(big);
        EXPECT_EQ(namesOf(big), listedAtOnce(QStringLiteral("\\Big")));
        for (size_t i = 0; i < big->children.size(); ++i)
            ASSERT_EQ(big->children[i]->row, int(i));
        ASSERT_TRUE(m_tree->takeListingCounts(QStringLiteral("\\Big"), false, folders, files));
        EXPECT_EQ(folders, 20);
        EXPECT_EQ(files, 3002);
        m_tree->collapse(m_tree->treeModel()->indexOf(big));
    }
}

TEST_F(ThreadedFolderListing, ABatchWaitsUntilTheWindowHasTakenTheOneBefore)
{
    // The window is kept from turning while the worker hands its first batch and lists the
    // rest: handed at once, the rest would be merged in the same turn as the first batch, and
    // the window would stop for both.
    auto turn = std::make_shared<int>(0);
    std::vector<int> turnOfEachChange;
    const auto changed = [&, turn] {
        turnOfEachChange.push_back(*turn);
        QTimer::singleShot(0, [turn] { ++*turn; });
    };
    QObject::connect(m_tree->treeModel(), &QAbstractItemModel::rowsInserted, changed);
    QObject::connect(m_tree->treeModel(), &QAbstractItemModel::layoutChanged, changed);
    m_fileSystem.gateAt = 2400;
    TreeNode* big = top(QStringLiteral("Big"));
    m_tree->expand(m_tree->treeModel()->indexOf(big));
    while (!m_fileSystem.waiting.load())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    m_fileSystem.release = true;
    while (!m_fileSystem.listedToTheEnd.load())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    waitUntilListed(big);

    EXPECT_EQ(namesOf(big), listedAtOnce(QStringLiteral("\\Big")));
    ASSERT_GE(turnOfEachChange.size(), size_t(3));  // the first screenful and two batches at least
    for (size_t i = 1; i < turnOfEachChange.size(); ++i)
        EXPECT_LT(turnOfEachChange[i - 1], turnOfEachChange[i]) << i;
}

TEST_F(ThreadedFolderListing, WhateverEndsAListingEarlyStopsItAndNothingOfItArrivesAfter)
{
    enum class End { Collapse, RemoveTheFolder, OpenAnotherFolder, ChangeTheSort, CloseTheWindow };
    for (const End end :
         {End::Collapse, End::RemoveTheFolder, End::OpenAnotherFolder, End::ChangeTheSort, End::CloseTheWindow}) {
        SCOPED_TRACE(static_cast<int>(end));
        m_fileSystem.waiting = false;
        m_fileSystem.release = false;
        TreeNode* big = openBigHeld();
        const size_t shown = big->children.size();
        // The worker goes on as soon as it is let: only the stop can keep its rows away.
        m_fileSystem.release = true;
        switch (end) {
        case End::Collapse:
            m_tree->collapse(m_tree->treeModel()->indexOf(big));
            EXPECT_FALSE(m_tree->isListing(big));
            QCoreApplication::processEvents();
            EXPECT_EQ(big->children.size(), shown);
            // Opened again, it is read again, whole.
            m_fileSystem.gateAt = -1;
            m_tree->expand(m_tree->treeModel()->indexOf(big));
            waitUntilListed(big);
            EXPECT_EQ(namesOf(big), listedAtOnce(QStringLiteral("\\Big")));
            m_tree->collapse(m_tree->treeModel()->indexOf(big));
            break;
        case End::RemoveTheFolder:
            m_tree->removeNode(big);
            EXPECT_FALSE(m_tree->isListing(big));
            QCoreApplication::processEvents();
            EXPECT_EQ(top(QStringLiteral("Big")), nullptr);
            m_tree->resetToTopLevel();
            break;
        case End::OpenAnotherFolder: {
            // Another folder opened meanwhile is listed beside it, and both end whole.
            TreeNode* small = top(QStringLiteral("Small"));
            m_tree->expand(m_tree->treeModel()->indexOf(small));
            EXPECT_EQ(namesOf(small), QStringList({QStringLiteral("a"), QStringLiteral("b")}));
            waitUntilListed(big);
            EXPECT_EQ(namesOf(big), listedAtOnce(QStringLiteral("\\Big")));
            m_tree->collapse(m_tree->treeModel()->indexOf(big));
            break;
        }
        case End::ChangeTheSort:
            // Listed again in the new order, whole.
            m_settings.setSortMode(SortMode::ByType);
            m_tree->sortAll();
            waitUntilListed(big);
            EXPECT_TRUE(m_tree->isExpanded(m_tree->treeModel()->indexOf(big)));
            EXPECT_EQ(namesOf(big), listedAtOnce(QStringLiteral("\\Big")));
            EXPECT_EQ(big->children.front()->text, QStringLiteral("Dir00"));
            m_settings.setSortMode(SortMode::ByName);
            m_tree->collapse(m_tree->treeModel()->indexOf(big));
            break;
        case End::CloseTheWindow:
            // The tree goes with its worker still listing: it is stopped and joined first.
            m_tree.reset();
            QCoreApplication::processEvents();
            m_tree = std::make_unique<FolderTree>(m_fileSystem, m_settings, m_images);
            m_tree->populate(QString(), nullptr);
            break;
        }
    }
}

TEST_F(ThreadedFolderListing, AFolderThatChangesWhileListedMatchesTheDiskAfterARefresh)
{
    TreeNode* big = openBigHeld();
    for (int i = 0; i < 3000; i += 100)
        ASSERT_EQ(::unlink(QFile::encodeName(m_root.filePath(QStringLiteral("Big/%1%2")
                                                                 .arg(i % 3 == 0 ? u'F' : u'f')
                                                                 .arg(i, 4, 10, QLatin1Char('0'))))
                               .constData()),
                  0);
    for (int i = 0; i < 50; ++i)
        touch(QStringLiteral("Big/new%1").arg(i));
    // Items the tree adds itself meanwhile (as a paste does) are not shown twice when the
    // listing reaches them.
    for (int i = 0; i < 50; i += 5)
        ASSERT_NE(m_tree->populateSingle(QStringLiteral("\\Big\\new%1").arg(i), big), nullptr);
    m_fileSystem.release = true;
    waitUntilListed(big);
    const QStringList names = namesOf(big);
    EXPECT_EQ(QSet<QString>(names.begin(), names.end()).size(), names.size());
    m_fileSystem.gateAt = -1;
    m_tree->setCurrentNode(big);
    TreeNavigation::refresh(*m_tree);
    waitUntilListed(big);
    EXPECT_EQ(namesOf(big), listedAtOnce(QStringLiteral("\\Big")));
    EXPECT_EQ(big->children.size(), size_t(3000 - 30 + 50 + 20 + 2));
}

TEST_F(ThreadedFolderListing, WithNoThreadToListOnTheFolderIsListedWholeAtOnce)
{
    TreeNode* big = top(QStringLiteral("Big"));
    {
        RefuseThreadStarts refuse;
        m_tree->expand(m_tree->treeModel()->indexOf(big));
    }
    EXPECT_FALSE(m_tree->isListing(big));
    EXPECT_EQ(namesOf(big), listedAtOnce(QStringLiteral("\\Big")));
    qint64 folders = 0, files = 0;
    ASSERT_TRUE(m_tree->takeListingCounts(QStringLiteral("\\Big"), false, folders, files));
    EXPECT_EQ(files, 3002);
}

}  // namespace
