#include "fileops/FileCopies.h"

#include "jobs/AsideTask.h"
#include "jobs/JobContext.h"
#include "platform/PhonePath.h"

#include <algorithm>

using platform::FsError;
using platform::OpenFolder;
using platform::PhonePath::join;

FileCopies::FileCopies(platform::FileSystem& fileSystem, JobContext* context)
    : m_fileSystem(fileSystem), m_context(context)
{
    m_beside = std::make_unique<AsideTask<void>>([this] { serve(); });
    // With no thread to be had every copy runs on the walk's thread, one after the other.
    if (!m_beside->aside())
        m_beside.reset();
}

FileCopies::~FileCopies()
{
    QString path;
    FsError error;
    (void)settle(path, error);
    if (!m_beside)
        return;
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_changed.notify_all();
    m_beside->get();
}

bool FileCopies::copy(const OpenFolder& from, const QString& name, const OpenFolder& to, bool flush)
{
    Job job{&from, &to, name, flush, 0};
    {
        std::lock_guard lock(m_mutex);
        if (m_failed)
            return false;
        job.order = m_nextOrder++;
        m_unfinished.push_back(job.order);
        if (m_beside && !m_besideBusy) {
            m_besideBusy = true;
            m_next = std::make_unique<Job>(std::move(job));
            m_changed.notify_all();
            return true;
        }
    }
    run(job, false);
    std::lock_guard lock(m_mutex);
    return !m_failed;
}

bool FileCopies::settle(QString& path, FsError& error)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_unfinished.empty(); });
    if (!m_failed)
        return true;
    path = m_failedPath;
    error = m_failedError;
    return false;
}

void FileCopies::serve()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_next || m_closing; });
        if (!m_next)
            return;
        const std::unique_ptr<Job> job = std::move(m_next);
        lock.unlock();
        run(*job, true);
        lock.lock();
    }
}

void FileCopies::run(const Job& job, bool beside)
{
    platform::CopyControl control;
    if (m_context) {
        control.stop = &m_context->stop;
        control.bytesDone = &m_context->bytesDone;
    }
    control.flush = job.flush;
    control.mayName = [this, order = job.order] { return mayName(order); };
    const FsError error = m_fileSystem.copyFileAt(*job.from, job.name, *job.to, job.name, false, control);
    if (error == FsError::None && m_context)
        ++m_context->itemsDone;
    {
        std::lock_guard lock(m_mutex);
        m_unfinished.erase(std::find(m_unfinished.begin(), m_unfinished.end(), job.order));
        // Free for the next file as soon as this one has ended, before the walk looks again.
        if (beside)
            m_besideBusy = false;
        if (error != FsError::None && (!m_failed || job.order < m_failedOrder)) {
            m_failed = true;
            m_failedOrder = job.order;
            m_failedPath = join(error == FsError::Cancelled ? job.to->path() : job.from->path(), job.name);
            m_failedError = error;
        }
    }
    m_changed.notify_all();
}

bool FileCopies::unfinishedBefore(qint64 order) const
{
    return std::any_of(m_unfinished.begin(), m_unfinished.end(), [order](qint64 other) { return other < order; });
}

bool FileCopies::mayName(qint64 order)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [&] { return !unfinishedBefore(order); });
    return !m_failed || m_failedOrder > order;
}
