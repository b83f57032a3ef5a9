// The main window's dispatch table, menu rules and status line, where a keypad script cannot
// look: the table itself, the rules read by menus and keys, and the status timer's ticks.
#include "TemporaryRegistry.h"
#include "jobs/Idle.h"
#include "app/MainFrame.h"
#include "app/StatusTimer.h"
#include "commands/CommandTable.h"
#include "dialogs/PhonePage.h"
#include "dialogs/SoftKeyBar.h"
#include "platform/linux/LinuxFileSystem.h"
#include "resources/Commands.h"
#include "resources/KeypadKeys.h"
#include "resources/Menus.h"
#include "resources/StringTable.h"
#include "settings/RegKey.h"
#include "settings/SettingsSchema.h"
#include "tree/FolderTree.h"
#include "tree/StatusBar.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <map>
#include <mutex>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

void collectCommands(const QList<MenuItem>& items, QList<int>& ids)
{
    for (const MenuItem& item : items) {
        if (item.commandId != 0)
            ids.append(item.commandId);
        collectCommands(item.children, ids);
    }
}

// A window over `fileSystem` at the phone's screen size, shown; none when it cannot be made.
std::unique_ptr<MainFrame> shownFrame(platform::FileSystem& fileSystem)
{
    auto frame = std::make_unique<MainFrame>(fileSystem);
    if (!frame->create())
        return nullptr;
    frame->resize(240, 320);
    frame->show();
    return frame;
}

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        QDir(m_folder.path()).mkpath(QStringLiteral("root/Folder"));
        for (int i = 0; i < 5; ++i) {
            QFile file(m_folder.filePath(QStringLiteral("root/file%1.txt").arg(i)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        }
        ASSERT_TRUE(m_registry.isOpen());
        m_fileSystem = std::make_unique<platform::LinuxFileSystem>(
            platform::PathMapper(QFile::encodeName(m_folder.filePath(QStringLiteral("root")))));
        m_frame = shownFrame(*m_fileSystem);
        ASSERT_TRUE(m_frame);
    }
    void TearDown() override
    {
        m_frame.reset();
    }
    QAction* action(int id) { return m_frame->page()->softKeyBar()->action(id); }
    void key(QEvent::Type type, int code, bool autoRepeat = false)
    {
        QKeyEvent event(type, code, Qt::NoModifier, QString(), autoRepeat);
        QCoreApplication::sendEvent(m_frame->tree(), &event);
    }

    QTemporaryDir m_folder;
    TemporaryRegistry m_registry;
    std::unique_ptr<platform::LinuxFileSystem> m_fileSystem;
    std::unique_ptr<MainFrame> m_frame;
};

TEST_F(MainFrameTest, EveryMenuCommandHasARowWithItsWork)
{
    QList<int> menuIds;
    collectCommands(*Menus::menu(Menus::Main), menuIds);
    ASSERT_FALSE(menuIds.isEmpty());
    const CommandTable& table = m_frame->commands();
    for (int id : menuIds) {
        const CommandRow* row = table.find(id);
        ASSERT_TRUE(row) << id;
        EXPECT_TRUE(row->handler) << id;
    }
    for (const CommandRow& row : table.rows())
        EXPECT_TRUE(menuIds.contains(row.id)) << row.id;
    EXPECT_EQ(table.rows().size(), static_cast<size_t>(menuIds.size()));
    // A keypad key stands for a command of the table, whose rule it reads.
    for (const KeypadKey& key : KeypadKeys::all())
        EXPECT_TRUE(table.find(key.commandId)) << key.key;
}

TEST_F(MainFrameTest, CutArmedDisablesPasteShortcutAndTheFourKey)
{
    // The shortcuts key 4 would make, counted on the disk.
    const auto shortcuts = [this] {
        return QDir(m_folder.filePath(QStringLiteral("root"))).entryList({QStringLiteral("*.lnk")}).size();
    };
    m_frame->tree()->setCurrentNode(m_frame->tree()->topLevelNode(0));
    m_frame->toggleSelection(m_frame->tree()->topLevelNode(1));
    m_frame->dispatch(Cmd::CutSelection);
    EXPECT_EQ(m_frame->pendingOp(), PendingOp::Cut);
    m_frame->updateMenus();
    EXPECT_FALSE(action(Cmd::PasteShortcut)->isEnabled());
    key(QEvent::KeyPress, Qt::Key_4);
    EXPECT_EQ(m_frame->pendingOp(), PendingOp::Cut);
    EXPECT_EQ(shortcuts(), 0);
    // With copy armed the same key makes one: the key was refused above, not broken.
    m_frame->dispatch(Cmd::CopySelection);
    key(QEvent::KeyPress, Qt::Key_4);
    EXPECT_EQ(shortcuts(), 1);
    m_frame->dispatch(Cmd::ClearSelection);
    // Pressing 1 with an empty selection changes nothing either.
    m_frame->dispatch(Cmd::CopySelection);
    key(QEvent::KeyPress, Qt::Key_1);
    EXPECT_EQ(m_frame->pendingOp(), PendingOp::Copy);
}

TEST_F(MainFrameTest, DeselectingTheLastEntryDisarmsCopy)
{
    FolderTree* tree = m_frame->tree();
    TreeNode* file = tree->topLevelNode(0);
    m_frame->toggleSelection(file);
    key(QEvent::KeyPress, Qt::Key_2);
    EXPECT_EQ(m_frame->pendingOp(), PendingOp::Copy);
    m_frame->toggleSelection(tree->topLevelNode(1));
    m_frame->toggleSelection(file);
    EXPECT_EQ(m_frame->pendingOp(), PendingOp::Copy);  // one entry is left
    m_frame->toggleSelection(tree->topLevelNode(1));
    EXPECT_EQ(m_frame->pendingOp(), PendingOp::None);
    EXPECT_TRUE(m_frame->selection().isEmpty());
}

TEST_F(MainFrameTest, MenuTextsFollowTheCurrentItem)
{
    FolderTree* tree = m_frame->tree();
    tree->setCurrentNode(tree->topLevelNode(1));  // file1.txt
    m_frame->updateMenus();
    EXPECT_EQ(action(Cmd::Encrypt)->text(), QStringLiteral("Crypt..."));
    EXPECT_EQ(action(Cmd::SelectItem)->text(), QStringLiteral("Select item\t*"));
    EXPECT_TRUE(action(Cmd::SortByName)->isChecked());
    EXPECT_FALSE(action(Cmd::SortByType)->isChecked());
    EXPECT_FALSE(action(Cmd::SelectAllInFolder)->isEnabled());  // a top-level item has no parent item
}

TEST_F(MainFrameTest, TheSortMenuTicksTheSortAStoredModeGivesAndAnUnknownModeStaysStored)
{
    // A mode that names no sort sorts by name, so "Sort by name" is the item ticked.
    const struct { quint32 stored; bool byName; } cases[] = {{0, true}, {1, false}, {2, true}, {7, true}};
    for (const auto& row : cases) {
        SCOPED_TRACE(row.stored);
        m_frame.reset();
        RegKey settings(platform::Hive::CurrentUser, SettingsSchema::Program.fullPath());
        ASSERT_TRUE(settings.writeDword(QStringLiteral("SortMode"), row.stored));
        m_frame = shownFrame(*m_fileSystem);
        ASSERT_TRUE(m_frame);
        m_frame->updateMenus();
        EXPECT_EQ(action(Cmd::SortByName)->isChecked(), row.byName);
        EXPECT_EQ(action(Cmd::SortByType)->isChecked(), !row.byName);
        m_frame.reset();  // the window saves its settings as it goes
        EXPECT_EQ(settings.readDword(QStringLiteral("SortMode"), RegKey::NoWriteBack), row.stored);
    }
    // Picking a sort stores its own number over an unknown one.
    m_frame = shownFrame(*m_fileSystem);
    ASSERT_TRUE(m_frame);
    m_frame->dispatch(Cmd::SortByName);
    m_frame.reset();
    EXPECT_EQ(RegKey(platform::Hive::CurrentUser, SettingsSchema::Program.fullPath())
                  .readDword(QStringLiteral("SortMode"), RegKey::NoWriteBack), 0u);
}

TEST_F(MainFrameTest, HoldingTheArrowComputesTheStatusLineOnceAfterRelease)
{
    FolderTree* tree = m_frame->tree();
    tree->setCurrentNode(tree->topLevelNode(0));
    m_frame->statusTimer().tick();  // settle the request made by the first current item
    const int before = m_frame->statusComputations();
    key(QEvent::KeyPress, Qt::Key_Down);
    for (int repeat = 0; repeat < 3; ++repeat) {
        key(QEvent::KeyPress, Qt::Key_Down, true);
        m_frame->statusTimer().tick();
    }
    EXPECT_EQ(m_frame->statusComputations(), before);
    key(QEvent::KeyRelease, Qt::Key_Down);
    m_frame->statusTimer().tick();
    m_frame->statusTimer().tick();
    m_frame->statusTimer().tick();
    EXPECT_EQ(m_frame->statusComputations(), before + 1);
    EXPECT_EQ(FolderTree::textOf(tree->currentNode()), QStringLiteral("file4.txt"));
}

// Turns the event loop until the program is idle twice in a row, as `wait idle` does, so the
// status timer has fired and the folder count has come back (or ended without a word).
void waitIdle()
{
    QEventLoop loop;
    QTimer poll;
    int idleRounds = 0;
    int rounds = 0;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        idleRounds = Idle::isIdle() ? idleRounds + 1 : 0;
        if (idleRounds >= 2 || ++rounds > 3000)
            loop.quit();
    });
    poll.start(20);
    loop.exec();
    EXPECT_GE(idleRounds, 2) << "still busy";
}

// The real file system, except that one folder refuses to be listed, as a folder without read
// permission does for anyone but root.
class RefusingFileSystem : public platform::LinuxFileSystem {
public:
    using LinuxFileSystem::LinuxFileSystem;
    platform::FsError enumerate(const QString& pattern, const Visitor& visit) override
    {
        if (pattern.startsWith(QStringLiteral("\\Locked\\"), Qt::CaseInsensitive))
            return platform::FsError::AccessDenied;
        return LinuxFileSystem::enumerate(pattern, visit);
    }
    platform::FsError listForDisplay(const QString& folderPath, const Visitor& visit) override
    {
        if (folderPath.compare(QStringLiteral("\\Locked"), Qt::CaseInsensitive) == 0)
            return platform::FsError::AccessDenied;
        return LinuxFileSystem::listForDisplay(folderPath, visit);
    }
};

TEST(MainFrameStatus, AFolderThatCannotBeListedShowsNoFoldersAndNoFiles)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const char* path : {"root/Locked/inside", "root/Open/sub"})
        QDir(folder.path()).mkpath(QString::fromUtf8(path));
    TemporaryRegistry registry;
    ASSERT_TRUE(registry.isOpen());
    RefusingFileSystem fileSystem{platform::PathMapper(QFile::encodeName(folder.filePath(QStringLiteral("root"))))};
    {
        const std::unique_ptr<MainFrame> shown = shownFrame(fileSystem);
        ASSERT_TRUE(shown);
        MainFrame& frame = *shown;
        auto* statusBar = frame.findChild<StatusBar*>();
        ASSERT_NE(statusBar, nullptr);
        const auto countsOf = [&](int row) {
            frame.tree()->setCurrentNode(frame.tree()->topLevelNode(row));
            waitIdle();
            return statusBar->secondLine();
        };
        EXPECT_EQ(countsOf(1), QStringLiteral("Fold.: 1, Files: 0"));  // \Open
        EXPECT_EQ(countsOf(0), QStringLiteral("Fold.: 0, Files: 0"));  // \Locked
    }
}

// The real file system, counting how often each folder is listed for the screen (the status
// line's count lists on a thread of its own).
class CountingFileSystem : public platform::LinuxFileSystem {
public:
    using LinuxFileSystem::LinuxFileSystem;
    platform::FsError listForDisplay(const QString& folderPath, const Visitor& visit) override
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_listings[folderPath];
        }
        return LinuxFileSystem::listForDisplay(folderPath, visit);
    }
    int listings(const QString& path)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_listings[path];
    }

private:
    std::mutex m_mutex;
    std::map<QString, int> m_listings;
};

// A folder opened right after the cursor reached it is listed once: the status line takes its
// counts from the tree's listing, and a count made later lists the folder anew.
TEST(MainFrameStatus, AFolderJustOpenedIsNotListedAgainForItsCounts)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    for (const char* path : {"root/Big/sub1", "root/Big/sub2", "root/Other"})
        QDir(folder.path()).mkpath(QString::fromUtf8(path));
    for (const char* file : {"root/Big/a", "root/Big/b", "root/Big/c", "root/Big/.hidden"}) {
        QFile out(folder.filePath(QString::fromUtf8(file)));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    }
    QString error;
    auto store = platform::RegistryStore::open(folder.filePath(QStringLiteral("r.db")), &error);
    RegKey::setStore(store.get());
    CountingFileSystem fileSystem{platform::PathMapper(QFile::encodeName(folder.filePath(QStringLiteral("root"))))};
    {
        const std::unique_ptr<MainFrame> shown = shownFrame(fileSystem);
        ASSERT_TRUE(shown);
        MainFrame& frame = *shown;
        auto* statusBar = frame.findChild<StatusBar*>();
        ASSERT_NE(statusBar, nullptr);
        FolderTree* tree = frame.tree();
        waitIdle();
        TreeNode* big = tree->topLevelNode(0);
        ASSERT_EQ(FolderTree::textOf(big), QStringLiteral("Big"));
        tree->setCurrentNode(tree->topLevelNode(1));
        waitIdle();
        const QString path = QStringLiteral("\\Big");
        const int before = fileSystem.listings(path);
        tree->setCurrentNode(big);
        tree->expand(tree->treeModel()->indexOf(big));  // before the status line's rest is over
        waitIdle();
        EXPECT_EQ(statusBar->secondLine(), QStringLiteral("Fold.: 2, Files: 3"));
        EXPECT_EQ(fileSystem.listings(path), before + 1);

        // Elsewhere and back: the folder is counted afresh, with what is on the disk now.
        QFile late(folder.filePath(QStringLiteral("root/Big/late")));
        ASSERT_TRUE(late.open(QIODevice::WriteOnly));
        late.close();
        tree->setCurrentNode(tree->topLevelNode(1));
        waitIdle();
        tree->setCurrentNode(big);
        waitIdle();
        EXPECT_EQ(statusBar->secondLine(), QStringLiteral("Fold.: 2, Files: 4"));
        EXPECT_EQ(fileSystem.listings(path), before + 2);
    }
    RegKey::setStore(nullptr);
}

// A folder standing for a storage card, in a root of the test's own, under a window that has
// measured the card's file.
class MainFrameCards : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        ASSERT_TRUE(m_registry.isOpen());
    }
    void TearDown() override { m_frame.reset(); }
    void write(const char* path, const QFile::Permissions& permissions = {})
    {
        const QString host = m_folder.filePath(QStringLiteral("root/") + QString::fromUtf8(path));
        ASSERT_TRUE(QDir().mkpath(QFileInfo(host).path()));
        QFile out(host);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("1234567");
        out.close();
        if (permissions) {
            ASSERT_TRUE(out.setPermissions(permissions));
        }
    }
    // Opens the window on the root, the card's only item current.
    void openOnTheCardsFile()
    {
        m_fileSystem = std::make_unique<platform::LinuxFileSystem>(
            platform::PathMapper(QFile::encodeName(m_folder.filePath(QStringLiteral("root")))));
        m_frame = shownFrame(*m_fileSystem);
        ASSERT_TRUE(m_frame);
        m_statusBar = m_frame->findChild<StatusBar*>();
        ASSERT_NE(m_statusBar, nullptr);
        FolderTree* tree = m_frame->tree();
        TreeNode* card = tree->topLevelNode(0);
        ASSERT_EQ(FolderTree::textOf(card), QStringLiteral("Card"));
        tree->expand(tree->treeModel()->indexOf(card));
        ASSERT_EQ(card->children.size(), 1u);
        tree->setCurrentNode(card->children.front().get());
        waitIdle();
        ASSERT_EQ(m_statusBar->secondLine(), QStringLiteral("7 B"));
    }
    QAction* action(int id) { return m_frame->page()->softKeyBar()->action(id); }
    QString statusDump() const
    {
        DumpWriter writer;
        m_statusBar->dumpTo(writer);
        return writer.text();
    }

    QTemporaryDir m_folder;
    TemporaryRegistry m_registry;
    std::unique_ptr<platform::LinuxFileSystem> m_fileSystem;
    std::unique_ptr<MainFrame> m_frame;
    StatusBar* m_statusBar = nullptr;
};

// A card that goes while the cursor is inside it: the cursor moves to the card's neighbour, and
// the status line and the menus describe that item, not the file that went away.
TEST_F(MainFrameCards, TheStatusLineAndMenusFollowTheCursorOutOfARemovedCard)
{
    for (const char* file : {"Card/secret.crf", "Zeta/a.txt", "Zeta/b.txt"})
        write(file);
    openOnTheCardsFile();
    QAction* encrypt = action(Cmd::Encrypt);
    ASSERT_NE(encrypt, nullptr);
    EXPECT_EQ(encrypt->text(), QStringLiteral("Decrypt..."));

    FolderTree* tree = m_frame->tree();
    tree->cardRemoved(QStringLiteral("\\Card"));
    waitIdle();
    EXPECT_EQ(FolderTree::textOf(tree->currentNode()), QStringLiteral("Zeta"));
    EXPECT_EQ(m_statusBar->secondLine(), QStringLiteral("Fold.: 0, Files: 2"));
    EXPECT_EQ(encrypt->text(), QStringLiteral("Crypt..."));
}

// The card was the only item: nothing is left to be current, the status bar stops describing
// the file that went with it, and the commands on the current item are off.
TEST_F(MainFrameCards, TheStatusBarEmptiesWhenTheLastItemGoesWithACard)
{
    write("Card/kept.txt", QFile::ReadOwner | QFile::ReadGroup);  // read-only: the R indicator
    openOnTheCardsFile();
    ASSERT_TRUE(statusDump().contains(QStringLiteral("| R "))) << statusDump().toStdString();
    QAction* deleteCurrent = action(Cmd::DeleteCurrent);
    ASSERT_NE(deleteCurrent, nullptr);
    ASSERT_TRUE(deleteCurrent->isEnabled());

    FolderTree* tree = m_frame->tree();
    tree->cardRemoved(QStringLiteral("\\Card"));
    waitIdle();
    EXPECT_EQ(tree->currentNode(), nullptr);
    EXPECT_EQ(m_statusBar->secondLine(), QStringLiteral("0"));
    EXPECT_FALSE(statusDump().contains(QStringLiteral("| R "))) << statusDump().toStdString();
    EXPECT_FALSE(deleteCurrent->isEnabled());  // nothing to delete
}

}  // namespace
