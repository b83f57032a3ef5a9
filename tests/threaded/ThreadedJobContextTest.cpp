// The handshake between a job's worker and the user-interface side: a question asked on the
// worker is answered on the user-interface thread, and a stop or a page that goes away never
// leaves the worker waiting. Run under ThreadSanitizer in CI.
#include "jobs/JobContext.h"
#include "jobs/Worker.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>

namespace {

constexpr int Stopped = -1;

// A worker that asks one question and keeps the answer.
struct AskingJob {
    QObject owner;
    JobContext context;
    Worker worker{&owner};
    std::atomic<int> wakes = 0;
    std::atomic<int> answer = 0;
    std::atomic<bool> askedOnUserInterfaceThread = false;

    AskingJob()
    {
        context.setWake([this] { ++wakes; });
    }
    void start()
    {
        ASSERT_TRUE(worker.start([this](std::stop_token) {
            answer = context.ask([this] {
                askedOnUserInterfaceThread = QThread::currentThread() == QCoreApplication::instance()->thread();
                return 7;
            }, Stopped);
            context.finish();
        }));
    }
    void waitForQuestion() const
    {
        while (!context.waitingForUser())
            QThread::msleep(1);
    }
};

TEST(ThreadedJobContext, TheUserInterfaceSideAnswersTheWorkersQuestion)
{
    AskingJob job;
    job.start();
    job.waitForQuestion();
    EXPECT_TRUE(job.context.answerPendingQuestion());
    job.worker.join();
    EXPECT_EQ(job.answer.load(), 7);
    EXPECT_TRUE(job.askedOnUserInterfaceThread);
    EXPECT_TRUE(job.context.finished());
    EXPECT_FALSE(job.context.waitingForUser());
    // The question was asked once: nothing waits any more. The wake came for the question and
    // for the end.
    EXPECT_FALSE(job.context.answerPendingQuestion());
    EXPECT_EQ(job.wakes.load(), 2);
}

TEST(ThreadedJobContext, AStopWhileTheWorkerWaitsGivesTheStoppedAnswer)
{
    AskingJob job;
    job.start();
    job.waitForQuestion();
    job.context.requestStop();
    job.worker.join();
    EXPECT_EQ(job.answer.load(), Stopped);
    EXPECT_FALSE(job.askedOnUserInterfaceThread);
    EXPECT_FALSE(job.context.answerPendingQuestion());
}

TEST(ThreadedJobContext, AStopBeforeTheQuestionAsksNothing)
{
    AskingJob job;
    job.context.requestStop();
    job.start();
    job.worker.join();
    EXPECT_EQ(job.answer.load(), Stopped);
    EXPECT_FALSE(job.context.waitingForUser());
    EXPECT_EQ(job.wakes.load(), 1);
}

TEST(ThreadedJobContext, DismissingHandsTheAnswerWithoutAsking)
{
    AskingJob job;
    job.start();
    job.waitForQuestion();
    EXPECT_TRUE(job.context.dismissPendingQuestion(3));
    job.worker.join();
    EXPECT_EQ(job.answer.load(), 3);
    EXPECT_FALSE(job.askedOnUserInterfaceThread);
    EXPECT_FALSE(job.context.dismissPendingQuestion(4));
}

}  // namespace
