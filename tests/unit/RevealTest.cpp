#include "TemporaryRegistry.h"
#include "app/MainFrame.h"
#include "dialogs/TestDialogs.h"
#include "platform/linux/LinuxFileSystem.h"
#include "resources/Commands.h"
#include "settings/RegKey.h"
#include "tree/FolderTree.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class RevealTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* folder : {"Storage/Docs", "Storage/Kept out/Inside", "Windows"})
            QDir(m_folder.path()).mkpath(QStringLiteral("root/") + QString::fromUtf8(folder));
        touch("Storage/a.txt");
        ASSERT_TRUE(m_registry.isOpen());
        RegKey folders(platform::Hive::CurrentUser, QStringLiteral("Software\\Corvane\\Fennick\\Folders"));
        ASSERT_TRUE(folders.writeString(QStringLiteral("1"), QStringLiteral("\\Storage\\Kept out")));
        m_fileSystem = std::make_unique<platform::LinuxFileSystem>(
            platform::PathMapper(QFile::encodeName(m_folder.filePath(QStringLiteral("root")))));
        m_frame = std::make_unique<MainFrame>(*m_fileSystem);
        ASSERT_TRUE(m_frame->create());
        TestDialogs::reset();
    }
    void TearDown() override
    {
        m_frame.reset();
        TestDialogs::reset();
    }
    void touch(const char* relative)
    {
        QFile file(m_folder.filePath(QStringLiteral("root/") + QString::fromUtf8(relative)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QString currentPath() const { return m_frame->tree()->fullPathOf(m_frame->tree()->currentNode()); }

    QTemporaryDir m_folder;
    TemporaryRegistry m_registry;
    std::unique_ptr<platform::LinuxFileSystem> m_fileSystem;
    std::unique_ptr<MainFrame> m_frame;
};

TEST_F(RevealTest, FindsPathsWithOrWithoutTheLeadingBackslashAndIgnoringCase)
{
    for (const char* path : {"Storage\\a.txt", "\\Storage\\a.txt", "\\STORAGE\\A.TXT"}) {
        m_frame->tree()->setCurrentNode(m_frame->tree()->topLevelNode(1));
        m_frame->reveal(QString::fromUtf8(path));
        EXPECT_EQ(currentPath().toLower(), QStringLiteral("\\storage\\a.txt")) << path;
    }
    EXPECT_EQ(TestDialogs::shownCount(), 0);  // no message

    // A file made since its folder was listed is added and selected.
    touch("Storage/Docs/new.txt");
    m_frame->reveal(QStringLiteral("\\Storage\\Docs"));
    EXPECT_EQ(currentPath(), QStringLiteral("\\Storage\\Docs"));
    m_frame->reveal(QStringLiteral("\\Storage\\Docs\\new.txt"));
    EXPECT_EQ(currentPath(), QStringLiteral("\\Storage\\Docs\\new.txt"));
}

TEST_F(RevealTest, MissingPathsAreIgnoredAndHiddenFoldersTold)
{
    m_frame->tree()->setCurrentNode(m_frame->tree()->topLevelNode(0));
    const QString before = currentPath();
    m_frame->reveal(QStringLiteral("\\Storage\\nothing.txt"));
    EXPECT_EQ(currentPath(), before);
    EXPECT_EQ(TestDialogs::shownCount(), 0);

    TestDialogs::answerNext(Cmd::Ok);
    m_frame->reveal(QStringLiteral("\\Storage\\Kept out\\Inside"));
    EXPECT_EQ(TestDialogs::lastShown().caption, QStringLiteral("An error occured"));
    EXPECT_EQ(TestDialogs::lastShown().text, QStringLiteral("Unable to reveal this items in the tree view. Item not found!"));
}

}  // namespace
