// The search results page while its worker walks: Stop ends the walk and keeps the page, and a
// page that ends during a walk stops its worker and waits for it. The walk is held after its
// first find until it is told to stop, so each test acts while it certainly runs. Run under
// ThreadSanitizer in CI.
#include "FaultyFileSystem.h"

#include "dialogs/SoftKeyBar.h"
#include "dialogs/TestDialogs.h"
#include "resources/Commands.h"
#include "search/SearchResultsDialog.h"
#include "search/SearchResultsModel.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeView>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

class ThreadedSearchResults : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        const QByteArray folder = QFile::encodeName(m_root.path()) + "/Many";
        ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
        // Every name matches: without a stop, the walk would list them all.
        for (int i = 0; i < Entries; ++i)
            ::close(::open((folder + "/match" + QByteArray::number(i)).constData(), O_WRONLY | O_CREAT, 0644));
        m_fileSystem = std::make_unique<FaultyFileSystem>(QFile::encodeName(m_root.path()));
        m_fileSystem->gateSearch = true;
        m_request.pattern = QStringLiteral("*match*");
        m_request.root = QStringLiteral("\\Many");
    }

    // Waits until the walk holds at its gate and its first find is in the list.
    void waitForFirstRow(const SearchResultsDialog& dialog)
    {
        m_fileSystem->searchesWaiting.wait(0);
        while (dialog.foundCount() == 0)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

    // What these tests look at is the worker and the page's state, not its pixels. Qt paints
    // parts of a page (the list's header) on a thread pool of its own, which synchronises in
    // ways ThreadSanitizer cannot see and reports as races of Qt's: the page is not painted.
    static void keepOffScreen(QWidget& page) { page.setUpdatesEnabled(false); }

    static bool enabled(const SearchResultsDialog& dialog, int commandId)
    {
        const QAction* action = dialog.softKeyBar()->action(commandId);
        return action && action->isEnabled();
    }

    static constexpr int Entries = 30000;
    QTemporaryDir m_root;
    std::unique_ptr<FaultyFileSystem> m_fileSystem;
    SearchRequest m_request;
};

TEST_F(ThreadedSearchResults, StopEndsTheWalkAndKeepsThePageWithWhatWasFound)
{
    SearchResultsDialog dialog(*m_fileSystem, m_request, {});
    keepOffScreen(dialog);
    QTimer::singleShot(0, &dialog, [&] {
        waitForFirstRow(dialog);
        // Running: the key reads Stop and only "Open / Execute" may be chosen.
        EXPECT_TRUE(dialog.isSearching());
        EXPECT_EQ(dialog.softKeyBar()->label(SoftKeyBar::Left), QStringLiteral("Stop"));
        EXPECT_FALSE(enabled(dialog, Cmd::NewSearch));
        EXPECT_FALSE(enabled(dialog, Cmd::BackToCriteria));
        EXPECT_FALSE(enabled(dialog, Cmd::RevealInTree));
        EXPECT_TRUE(enabled(dialog, Cmd::OpenOrExecute));

        TestDialogs::pressKey(&dialog, Qt::Key_F1);  // Stop
        EXPECT_TRUE(dialog.isRunning());             // the page stays
        while (dialog.isSearching())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);

        // The walk ended at the entry after its first find, in a folder of many more.
        EXPECT_EQ(dialog.foundCount(), 1);
        EXPECT_EQ(dialog.results()->rowCount(), 1);
        EXPECT_EQ(dialog.softKeyBar()->label(SoftKeyBar::Left), QStringLiteral("Done"));
        EXPECT_TRUE(enabled(dialog, Cmd::NewSearch));
        EXPECT_TRUE(enabled(dialog, Cmd::BackToCriteria));
        EXPECT_TRUE(enabled(dialog, Cmd::RevealInTree));
        EXPECT_EQ(dialog.list()->currentIndex().row(), 0);  // the first row is taken up

        TestDialogs::pressKey(&dialog, Qt::Key_F1);  // Done
    });
    EXPECT_EQ(dialog.run(nullptr), Cmd::Stop);
}

TEST_F(ThreadedSearchResults, APageThatEndsDuringAWalkStopsItsWorkerAndWaitsForIt)
{
    int finds = 0;
    {
        auto dialog = std::make_unique<SearchResultsDialog>(*m_fileSystem, m_request, nullptr);
        keepOffScreen(*dialog);
        QTimer::singleShot(0, dialog.get(), [&] {
            waitForFirstRow(*dialog);
            // A folder row's "Open / Execute" or a quit signal ends the page while it searches.
            dialog->reject();
        });
        EXPECT_EQ(dialog->run(nullptr), Cmd::Cancel);
        EXPECT_TRUE(dialog->isSearching());
        finds = dialog->foundCount();
        // Going away stops the worker held at its gate and waits for it: were the stop not
        // given, this would never return.
        dialog.reset();
    }
    EXPECT_EQ(finds, 1);
    EXPECT_EQ(m_fileSystem->searchesWaiting, 1);
    // Nothing the worker posted reaches a page that is gone.
    QCoreApplication::processEvents();
}

}  // namespace
