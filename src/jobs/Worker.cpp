#include "jobs/Worker.h"

#include "jobs/Idle.h"

#include <condition_variable>
#include <mutex>
#include <system_error>

namespace {
std::atomic<int> g_refusals = 0;
}

RefuseThreadStarts::RefuseThreadStarts() { ++g_refusals; }

RefuseThreadStarts::~RefuseThreadStarts() { --g_refusals; }

std::jthread jobs::startThread(std::function<void(std::stop_token)> body)
{
    if (g_refusals.load() > 0)
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    return std::jthread(std::move(body));
}

Worker::Worker(QObject* owner, std::function<bool()> resting) : m_owner(owner), m_resting(std::move(resting))
{
    // Without an owner there is no probe either: Idle ignores it.
    Idle::registerProbe(owner, [shared = m_shared, running = m_running, resting = m_resting] {
        return shared->pending.load() > 0 || (running->load() && !(resting && resting()));
    });
}

Worker::~Worker() { stop(); }

bool Worker::isBusy() const
{
    return m_shared->pending.load() > 0 || (m_running->load() && !(m_resting && m_resting()));
}

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
    ++m_shared->generation;
}

void Worker::join()
{
    if (m_thread.joinable())
        m_thread.join();
}

void Worker::post(std::function<void()> call)
{
    if (!m_owner)
        return;
    ++m_shared->pending;
    QMetaObject::invokeMethod(m_owner, [shared = m_shared, generation = m_shared->generation.load(), call = std::move(call)] {
        if (shared->generation.load() == generation)
            call();
        --shared->pending;
    }, Qt::QueuedConnection);
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
