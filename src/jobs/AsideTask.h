#pragma once

#include "jobs/Worker.h"

#include <future>
#include <memory>
#include <system_error>
#include <thread>

// A piece of work split off to run beside its caller on a thread of its own, for work that
// keeps both cores busy (the deflate of ZIP pieces, the read-ahead of a search). `get()`
// waits for the result; going away waits too, so no task outlives what it reads. When the
// system gives no thread, the work runs in `get()` on the caller's thread instead: slower,
// never lost.
//
// A thread per task, not a fixed set: a task may wait for tasks of its own (an entry waits
// for its pieces), which on a fixed set of threads could wait for a thread that never frees.
template <typename Result>
class AsideTask {
public:
    template <typename Work>
    explicit AsideTask(Work&& work)
    {
        auto task = std::make_shared<std::packaged_task<Result()>>(std::forward<Work>(work));
        m_result = task->get_future();
        try {
            m_thread = jobs::startThread([task](std::stop_token) { (*task)(); });
        } catch (const std::system_error&) {
            m_inline = std::move(task);
        }
    }
    AsideTask(AsideTask&&) noexcept = default;
    AsideTask& operator=(AsideTask&&) noexcept = default;

    // True when the work got a thread of its own.
    bool aside() const { return !m_inline; }

    Result get()
    {
        if (m_inline) {
            (*m_inline)();
            m_inline.reset();
        } else if (m_thread.joinable()) {
            m_thread.join();
        }
        return m_result.get();
    }

private:
    std::future<Result> m_result;
    std::shared_ptr<std::packaged_task<Result()>> m_inline;
    std::jthread m_thread;
};
