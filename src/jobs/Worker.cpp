#include "jobs/Worker.h"

#include "jobs/Idle.h"

#include <QCoreApplication>
#include <QEvent>

#include <condition_variable>
#include <mutex>
#include <system_error>

namespace {
std::atomic<int> g_refusals = 0;

// A call posted by a worker. It is an event of its own, made on the worker and run and deleted
// on the owner's thread only, so nothing of it is touched by both threads at once; one that is
// never run (its receiver went first) still counts itself off when deleted.
class PostedCall : public QEvent {
public:
    static QEvent::Type type()
    {
        static const auto registered = static_cast<QEvent::Type>(QEvent::registerEventType());
        return registered;
    }

    PostedCall(std::shared_ptr<std::atomic<quint64>> generation, std::shared_ptr<std::atomic<int>> pending,
               std::function<void()> call)
        : QEvent(type()),
          m_generation(std::move(generation)),
          m_pending(std::move(pending)),
          m_postedIn(m_generation->load()),
          m_call(std::move(call))
    {
        // Published with release, taken with acquire when it runs: the queue's own lock is not
        // one every checker sees.
        m_pending->fetch_add(1, std::memory_order_release);
    }
    ~PostedCall() override { m_pending->fetch_sub(1, std::memory_order_acq_rel); }

    void run()
    {
        // A call of a work that was stopped since is dropped.
        if (m_generation->load() == m_postedIn)
            m_call();
    }

private:
    std::shared_ptr<std::atomic<quint64>> m_generation;
    std::shared_ptr<std::atomic<int>> m_pending;
    quint64 m_postedIn;
    std::function<void()> m_call;
};

class Poster : public QObject {
public:
    Poster(QObject* owner, std::shared_ptr<std::atomic<int>> pending) : QObject(owner), m_pending(std::move(pending)) {}

protected:
    bool event(QEvent* event) override
    {
        // Taken before the event is looked at: a posted call was made whole on the worker.
        (void)m_pending->load(std::memory_order_acquire);
        if (event->type() != PostedCall::type())
            return QObject::event(event);
        static_cast<PostedCall*>(event)->run();
        return true;
    }

private:
    std::shared_ptr<std::atomic<int>> m_pending;
};
// Busy while a posted call waits to run, or while the work runs and does not rest.
bool busy(const std::atomic<int>& pending, const std::atomic<bool>& running, const std::function<bool()>& resting)
{
    // Running is read first: once a work has returned, every call it posted is already
    // counted, so a count read after it misses none. Read the other way round, a count taken
    // between two posts and a "returned" read after the last one would say idle too early.
    const bool runs = running.load();
    return pending.load() > 0 || (runs && !(resting && resting()));
}
}  // namespace

RefuseThreadStarts::RefuseThreadStarts() { ++g_refusals; }

RefuseThreadStarts::~RefuseThreadStarts() { --g_refusals; }

std::jthread jobs::startThread(std::function<void(std::stop_token)> body)
{
    if (g_refusals.load() > 0)
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    return std::jthread(std::move(body));
}

Worker::Worker(QObject* owner, std::function<bool()> resting) : m_resting(std::move(resting))
{
    if (owner) {
        m_poster = new Poster(owner, m_pending);
        m_posterForWorker = m_poster;
    }
    // Without an owner there is no probe either: Idle ignores it.
    // The probe holds what it reads, as a Worker may go before its owner's last call of it.
    Idle::registerProbe(owner, [pending = m_pending, running = m_running, resting = m_resting] {
        return busy(*pending, *running, resting);
    });
}

Worker::~Worker()
{
    stop();
    // What it still holds was stopped: deleting it drops those calls.
    delete m_poster;
}

bool Worker::isBusy() const { return busy(*m_pending, *m_running, m_resting); }

bool Worker::start(Work work)
{
    stop();
    m_running->store(true);
    try {
        m_thread = jobs::startThread([work = std::move(work), running = m_running](std::stop_token token) {
            work(token);
            running->store(false);
        });
    } catch (const std::system_error&) {
        m_running->store(false);
        return false;
    }
    return true;
}

void Worker::requestStop() { m_thread.request_stop(); }

void Worker::stop()
{
    m_thread.request_stop();
    join();
    // After the join no call of that work can be posted any more; the ones on their way
    // carry the number before this one and are dropped.
    ++*m_generation;
}

void Worker::join()
{
    if (m_thread.joinable())
        m_thread.join();
}

void Worker::post(std::function<void()> call)
{
    if (!m_posterForWorker)
        return;
    QCoreApplication::postEvent(m_posterForWorker, new PostedCall(m_generation, m_pending, std::move(call)));
}

bool Worker::sleepFor(std::stop_token token, std::chrono::milliseconds duration)
{
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    // Nothing else wakes it: it ends when the time is up or when the stop comes.
    (void)wake.wait_for(lock, token, duration, [] { return false; });
    return !token.stop_requested();
}
