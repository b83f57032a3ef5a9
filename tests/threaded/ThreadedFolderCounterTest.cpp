// The status bar's folder count runs on its own thread: a newer request stops it, and its
// result never shows over the newer one's. Run under ThreadSanitizer in CI.
#include "jobs/Worker.h"
#include "platform/linux/LinuxFileSystem.h"
#include "tree/FolderCounter.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

namespace {

TEST(ThreadedFolderCounter, WithNoThreadToCountOnTheLineShowsAnEmptyFolderAtOnce)
{
    QTemporaryDir root;
    QDir(root.path()).mkpath(QStringLiteral("Full/a"));
    platform::LinuxFileSystem fileSystem{platform::PathMapper(QFile::encodeName(root.path()))};
    QObject receiver;
    QList<QPair<qint64, qint64>> shown;
    FolderCounter counter(fileSystem, &receiver, [&shown](qint64 folders, qint64 files) { shown.append({folders, files}); });
    {
        RefuseThreadStarts refuse;
        counter.start(QStringLiteral("\\Full"), true);
    }
    EXPECT_FALSE(counter.isRunning());
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown.first(), qMakePair(qint64(0), qint64(0)));
}

TEST(ThreadedFolderCounter, AStaleCountNeverAppears)
{
    QTemporaryDir root;
    QDir(root.path()).mkpath(QStringLiteral("Big"));
    QDir(root.path()).mkpath(QStringLiteral("Small/a"));
    const QByteArray big = QFile::encodeName(root.filePath(QStringLiteral("Big")));
    for (int i = 0; i < 20000; ++i)
        ::close(::open((big + "/f" + QByteArray::number(i)).constData(), O_WRONLY | O_CREAT, 0644));
    for (const char* name : {"Small/1", "Small/2", "Small/.hidden"})
        ::close(::open(QFile::encodeName(root.filePath(QString::fromUtf8(name))).constData(), O_WRONLY | O_CREAT, 0644));

    platform::LinuxFileSystem fileSystem{platform::PathMapper(QFile::encodeName(root.path()))};
    QObject receiver;
    QList<QPair<qint64, qint64>> shown;
    FolderCounter counter(fileSystem, &receiver, [&shown](qint64 folders, qint64 files) { shown.append({folders, files}); });

    // Many requests in a row, as a person moving through folders makes them; the big folder's
    // count is stopped by each next request.
    for (int round = 0; round < 20; ++round) {
        counter.start(QStringLiteral("\\Big"), false);
        counter.start(QStringLiteral("\\Small"), round % 2 == 0);
    }
    // The worker ends on its own; the loop ends when its result has been delivered.
    while (counter.isRunning() || shown.isEmpty())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
    // Only the last request's result was shown: Small with hidden items left out.
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown.first(), qMakePair(qint64(1), qint64(2)));

    // A count stopped by hand shows nothing.
    shown.clear();
    counter.start(QStringLiteral("\\Big"), false);
    counter.stop();
    QCoreApplication::processEvents();
    EXPECT_TRUE(shown.isEmpty());
    EXPECT_FALSE(counter.isRunning());

    // An undisturbed count arrives.
    counter.start(QStringLiteral("\\Big"), false);
    while (shown.isEmpty())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_EQ(shown.first(), qMakePair(qint64(0), qint64(20000)));
}

TEST(ThreadedFolderCounter, AFolderThatCannotBeListedCountsAsEmpty)
{
    QTemporaryDir root;
    QDir(root.path()).mkpath(QStringLiteral("Full/a"));
    ::close(::open(QFile::encodeName(root.filePath(QStringLiteral("plain.txt"))).constData(), O_WRONLY | O_CREAT, 0644));
    platform::LinuxFileSystem fileSystem{platform::PathMapper(QFile::encodeName(root.path()))};
    QObject receiver;
    QList<QPair<qint64, qint64>> shown;
    FolderCounter counter(fileSystem, &receiver, [&shown](qint64 folders, qint64 files) { shown.append({folders, files}); });
    // The worker has ended; what it sent, if anything, is queued and delivered here.
    const auto countOf = [&](const QString& path) {
        shown.clear();
        counter.start(path, true);
        QElapsedTimer clock;
        clock.start();
        while (counter.isRunning() && clock.elapsed() < 60000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::processEvents();
        return shown;
    };

    using Counts = QList<QPair<qint64, qint64>>;
    EXPECT_EQ(countOf(QStringLiteral("\\Full")), (Counts{{1, 0}}));
    // Gone since it was shown, and a file where a folder was: neither can be listed.
    EXPECT_EQ(countOf(QStringLiteral("\\Gone")), (Counts{{0, 0}}));
    EXPECT_EQ(countOf(QStringLiteral("\\plain.txt")), (Counts{{0, 0}}));
}

}  // namespace
