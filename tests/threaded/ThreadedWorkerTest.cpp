// The one worker shape: results reach the user-interface thread in order, the owner's
// `wait idle` sees the work, a stopped work leaves nothing behind, and a thread the system
// refuses is told to the owner. Run under ThreadSanitizer in CI.
#include "jobs/AsideTask.h"
#include "jobs/Idle.h"
#include "jobs/Worker.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <optional>

namespace {

void settle(const Worker& worker)
{
    while (worker.isBusy())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

TEST(ThreadedWorker, PostedResultsArriveOnTheUserInterfaceThreadInOrder)
{
    QObject owner;
    Worker worker(&owner);
    QList<int> received;
    bool allOnUserInterfaceThread = true;
    ASSERT_TRUE(worker.start([&worker, &received, &allOnUserInterfaceThread](std::stop_token) {
        for (int i = 0; i < 500; ++i)
            worker.post([i, &received, &allOnUserInterfaceThread] {
                allOnUserInterfaceThread &= QThread::currentThread() == QCoreApplication::instance()->thread();
                received.append(i);
            });
    }));
    settle(worker);
    ASSERT_EQ(received.size(), 500);
    for (int i = 0; i < received.size(); ++i)
        ASSERT_EQ(received[i], i);
    EXPECT_TRUE(allOnUserInterfaceThread);
    EXPECT_FALSE(worker.isRunning());
}

TEST(ThreadedWorker, WaitIdleSeesARunningWorkUnlessItRests)
{
    QObject owner;
    std::atomic<bool> resting = false;
    Worker worker(&owner, [&resting] { return resting.load(); });
    std::atomic<bool> release = false;
    ASSERT_TRUE(worker.start([&release](std::stop_token token) {
        while (!release && !token.stop_requested())
            QThread::msleep(1);
    }));
    EXPECT_FALSE(Idle::isIdle());
    resting = true;
    EXPECT_TRUE(Idle::isIdle());
    resting = false;
    release = true;
    worker.join();
    EXPECT_TRUE(Idle::isIdle());
}

TEST(ThreadedWorker, GoingAwayStopsAndJoinsAndDropsWhatWasNotDelivered)
{
    QObject owner;
    std::atomic<bool> returned = false;
    std::atomic<int> posted = 0;
    int delivered = 0;
    {
        Worker worker(&owner);
        ASSERT_TRUE(worker.start([&](std::stop_token token) {
            // Posts until told to stop, and sleeps between posts in a way the stop ends.
            while (Worker::sleepFor(token, std::chrono::milliseconds(1))) {
                worker.post([&delivered] { ++delivered; });
                ++posted;
            }
            returned = true;
        }));
        while (posted < 3)
            QThread::msleep(1);
    }
    EXPECT_TRUE(returned);
    QCoreApplication::processEvents();
    EXPECT_EQ(delivered, 0);
}

TEST(ThreadedWorker, ARefusedThreadIsToldAndTheWorkNeverRuns)
{
    QObject owner;
    Worker worker(&owner);
    bool ran = false;
    {
        RefuseThreadStarts refuse;
        EXPECT_FALSE(worker.start([&ran](std::stop_token) { ran = true; }));
    }
    EXPECT_FALSE(worker.isRunning());
    EXPECT_TRUE(Idle::isIdle());
    // The next start, with threads to be had, works.
    EXPECT_TRUE(worker.start([&ran](std::stop_token) { ran = true; }));
    worker.join();
    EXPECT_TRUE(ran);
}

TEST(ThreadedAsideTask, TheResultComesWithOrWithoutAThreadOfItsOwn)
{
    const Qt::HANDLE caller = QThread::currentThreadId();
    for (const bool refused : {false, true}) {
        std::optional<RefuseThreadStarts> refuse;
        if (refused)
            refuse.emplace();
        AsideTask<Qt::HANDLE> task([] { return QThread::currentThreadId(); });
        EXPECT_EQ(task.aside(), !refused);
        const Qt::HANDLE ranOn = task.get();
        EXPECT_EQ(ranOn == caller, refused) << "refused: " << refused;
    }
}

}  // namespace
