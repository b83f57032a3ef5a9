// The main window's dispatch table, menu rules and status line, where a keypad script cannot
// look: the table itself, the rules read by menus and keys, and the status timer's ticks.
#include "TemporaryRegistry.h"
#include "app/Idle.h"
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
#include "tree/FolderTree.h"
#include "tree/StatusBar.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
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
        m_frame = std::make_unique<MainFrame>(*m_fileSystem);
        ASSERT_TRUE(m_frame->create());
        m_frame->resize(240, 320);
        m_frame->show();
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

TEST_F(MainFrameTest, EveryMenuCommandHasARowAndEveryRowAHandlerOrAReason)
{
    QList<int> menuIds;
    collectCommands(*Menus::menu(Menus::Main), menuIds);
    ASSERT_FALSE(menuIds.isEmpty());
    const CommandTable& table = m_frame->commands();
    for (int id : menuIds) {
        const CommandRow* row = table.find(id);
        ASSERT_TRUE(row) << id;
        EXPECT_TRUE(row->handler || row->comingWith) << id;
        EXPECT_FALSE(row->handler && row->comingWith) << id;
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
        MainFrame frame(fileSystem);
        ASSERT_TRUE(frame.create());
        frame.resize(240, 320);
        frame.show();
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

}  // namespace
