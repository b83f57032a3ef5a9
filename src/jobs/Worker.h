#pragma once

#include <QObject>
#include <QPointer>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <stop_token>
#include <thread>

// One worker thread and its whole life: the start (and a start the system refuses), the stop
// token the work looks at, the one way its results reach the user-interface thread (calls
// posted to the owner, run there in the order they were posted), the `wait idle` probe, and
// the join when it goes. Features hand it their work by value and never start a thread.
class Worker {
public:
    using Work = std::function<void(std::stop_token)>;

    // `owner` lives on the user-interface thread: posted calls run there, and `wait idle` sees
    // the worker busy through a probe on it. `resting`, when given, tells when a running worker
    // is not busy all the same (it waits for the user, who is). Without an owner nothing can be
    // posted: the work tells its owner through a post function the owner gave it.
    explicit Worker(QObject* owner, std::function<bool()> resting = {});
    // Stops the work and waits for its thread.
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    // Stops and joins the work before, then starts `work` on a thread of its own. False when the
    // system gives no thread: `work` does not run, and the owner tells the user.
    [[nodiscard]] bool start(Work work);
    // Asks the work to stop and returns at once; what it posts still arrives.
    void requestStop();
    // Asks the work to stop and waits for its thread. What it posted and has not run yet is
    // dropped: no result of a stopped work reaches its owner.
    void stop();
    // Waits for the work to end on its own; what it posted still arrives.
    void join();

    // From a start until the work has returned.
    bool isRunning() const { return m_running->load(); }
    // While the work runs (and does not rest), or a call it posted has not run yet.
    bool isBusy() const;

    // Worker side: runs `call` on the owner's thread after every call posted before it, unless
    // the work has been stopped since.
    void post(std::function<void()> call);

    // Worker side: waits `duration`, or less when a stop comes; false when it came.
    static bool sleepFor(std::stop_token token, std::chrono::milliseconds duration);

private:
    // Shared with posted calls, which may run after the worker has gone: the number of the
    // current work (a stop moves it on), and how many calls wait to run.
    std::shared_ptr<std::atomic<quint64>> m_generation = std::make_shared<std::atomic<quint64>>(0);
    std::shared_ptr<std::atomic<int>> m_pending = std::make_shared<std::atomic<int>>(0);
    std::function<bool()> m_resting;
    std::shared_ptr<std::atomic<bool>> m_running = std::make_shared<std::atomic<bool>>(false);
    // Lives on the owner's thread as its child and runs the posted calls there; the worker
    // reaches it through the plain pointer, which stays good until the worker is joined.
    QPointer<QObject> m_poster;
    QObject* m_posterForWorker = nullptr;
    std::jthread m_thread;
};

// Makes every thread start in jobs/ fail as the system does when it has no thread left
// (std::system_error), while it lives: how tests show what a feature does then.
class RefuseThreadStarts {
public:
    RefuseThreadStarts();
    ~RefuseThreadStarts();
    RefuseThreadStarts(const RefuseThreadStarts&) = delete;
    RefuseThreadStarts& operator=(const RefuseThreadStarts&) = delete;
};

namespace jobs {
// Starts a thread as std::jthread does, unless a RefuseThreadStarts lives; throws
// std::system_error when no thread is given. For Worker and AsideTask only.
std::jthread startThread(std::function<void(std::stop_token)> body);
}  // namespace jobs
