#pragma once

#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>

// What a worker shares with the user-interface side while it does one long task: a stop flag,
// progress counters that the user-interface side reads when it likes, the item at hand, and a
// way to ask the user a question and wait for the answer. Holds no widget; the worker never
// touches one.
class JobContext {
public:
    // Set by the user-interface side (Cancel); the worker looks at it between items and within
    // large files, and ends as soon as it can.
    std::atomic<bool> stop = false;
    std::atomic<qint64> bytesDone = 0;
    std::atomic<qint64> bytesTotal = 0;
    std::atomic<qint64> itemsDone = 0;
    std::atomic<qint64> itemsTotal = 0;

    bool stopRequested() const { return stop.load(std::memory_order_relaxed); }
    // User-interface side: sets the stop flag, and a question that waits gets its `ifStopped`
    // answer without being asked, so a stopped worker never waits for the user.
    void requestStop();

    void setCurrentItem(const QString& item);
    QString currentItem() const;

    // Worker side. Runs `question` on the user-interface thread and returns its answer; once a
    // stop was requested, `ifStopped` without asking.
    int ask(std::function<int()> question, int ifStopped);
    // Worker side: the work is over (the last thing the worker does).
    void finish();

    // User-interface side. `wake` is called from the worker (with no lock held) whenever a
    // question waits or the work has finished; it must only post to the user-interface thread.
    void setWake(std::function<void()> wake) { m_wake = std::move(wake); }
    bool finished() const { return m_finished.load(); }
    // True while the worker waits for the user: the job is then not busy, the user is.
    bool waitingForUser() const { return m_waitingForUser.load(); }
    // Asks the waiting question, if any, and hands the answer to the worker; true when one was
    // asked.
    bool answerPendingQuestion();
    // Hands `answer` to a worker waiting for one without asking: the user-interface side is
    // going away. True when a question was waiting.
    bool dismissPendingQuestion(int answer);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_answered;
    QString m_currentItem;
    std::function<int()> m_question;
    std::optional<int> m_answer;
    int m_ifStopped = 0;
    std::function<void()> m_wake;
    std::atomic<bool> m_finished = false;
    std::atomic<bool> m_waitingForUser = false;
};
