// The properties page counts a folder's size on a worker that stops at once when the page
// closes, in the middle of a listing of a very big folder. Run under ThreadSanitizer in CI.
#include "DialogKeys.h"
#include "FaultyFileSystem.h"
#include "dialogs/TestDialogs.h"
#include "jobs/JobContext.h"
#include "properties/PropertiesDialog.h"
#include "resources/Commands.h"
#include "tree/TreeImageList.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

// The real file system, whose listings tell how far they got: at entry `pauseAt` of a
// listing it hands `atPause` the chance to act, then goes on.
class WatchedFileSystem : public FaultyFileSystem {
public:
    using FaultyFileSystem::FaultyFileSystem;

    qint64 pauseAt = 0;
    std::function<void()> atPause;
    std::atomic<qint64> visited = 0;

    FsError list(const platform::OpenFolder& folder, bool withSizes, const EntryVisitor& visit) override
    {
        return FaultyFileSystem::list(folder, withSizes, [&](const platform::DirEntry& entry) {
            if (++visited == pauseAt && atPause)
                atPause();
            return visit(entry);
        });
    }
};

TEST(ThreadedProperties, ClosingThePageStopsTheCountAtOnce)
{
    constexpr int Files = 20000;
    QTemporaryDir root;
    QDir(root.path()).mkpath(QStringLiteral("Big"));
    const QByteArray big = QFile::encodeName(root.filePath(QStringLiteral("Big")));
    for (int i = 0; i < Files; ++i)
        ::close(::open((big + "/f" + QByteArray::number(i)).constData(), O_WRONLY | O_CREAT, 0644));

    WatchedFileSystem fileSystem(QFile::encodeName(root.path()));
    TreeImageList images;
    // The page covers its owner as a child of it: the owner must outlive the page.
    QWidget owner;
    owner.resize(240, 320);
    PropertiesDialog dialog(fileSystem, images, QStringLiteral("\\Big"));

    // A hundred entries into the listing, the user presses Cancel; the worker waits until
    // the page has asked it to stop, so the key surely comes while the count runs.
    qint64 visitedAtStop = 0;
    fileSystem.pauseAt = 100;
    fileSystem.atPause = [&] {
        JobContext* job = dialog.sizeJob();
        QMetaObject::invokeMethod(qApp, [&dialog] { TestDialogs::pressKey(&dialog, Qt::Key_F2); }, Qt::QueuedConnection);
        job->stop.wait(false);
        visitedAtStop = fileSystem.visited;
    };
    const int code = dialog.run(&owner);

    EXPECT_EQ(code, Cmd::DialogCancel);
    // The worker had ended before the page went: one more entry was looked at, no more.
    ASSERT_NE(dialog.sizeJob(), nullptr);
    EXPECT_TRUE(dialog.sizeJob()->finished());
    EXPECT_EQ(visitedAtStop, 100);
    EXPECT_LE(fileSystem.visited.load(), visitedAtStop + 1);
    EXPECT_LT(fileSystem.visited.load(), Files);
    // And nothing was written to the closed page.
    QCoreApplication::processEvents();
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("Calculating..."))) << texts.join(u'|').toStdString();
}

}  // namespace
