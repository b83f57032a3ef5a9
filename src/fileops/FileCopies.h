#pragma once

#include "platform/FileSystem.h"

#include <QString>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

class JobContext;
template <typename Result>
class AsideTask;

// The files of a folder that a walk has just made, copied two at a time: one beside the walk
// on an aside task, one on the walk's own thread, so that both cores work. Each copy takes its
// name only once every copy begun before it has ended well, so the disk, the progress and the
// first failure are what copying one file after the other would give: a copy that fails
// stops everything begun after it, and those copies never take a name.
class FileCopies {
public:
    // `context` (may be null) gets the bytes and items done and holds the stop flag.
    FileCopies(platform::FileSystem& fileSystem, JobContext* context);
    // Waits for the copy beside, then lets its thread end.
    ~FileCopies();
    FileCopies(const FileCopies&) = delete;
    FileCopies& operator=(const FileCopies&) = delete;

    // Begins the copy of the regular file `name` of `from` to the same name in `to`, where
    // nothing is in the way; it may still run when this returns, so both folders stay open
    // until settle(). `flush` as for FileSystem::copyFileAt. False once a copy has failed: nothing more is begun.
    bool copy(const platform::OpenFolder& from, const QString& name, const platform::OpenFolder& to, bool flush);
    // Waits for every copy begun. False when one failed: `path` and `error` then tell the
    // first in the order they were begun, as a walk reports it (the source, or the target of
    // a stopped copy).
    bool settle(QString& path, platform::FsError& error);

private:
    struct Job {
        const platform::OpenFolder* from;
        const platform::OpenFolder* to;
        QString name;
        bool flush;
        qint64 order;
    };

    void serve();
    // Copies one file; `beside` on the thread beside.
    void run(const Job& job, bool beside);
    // Waits until every copy begun before `order` has ended; true when all ended well.
    bool mayName(qint64 order);
    bool unfinishedBefore(qint64 order) const;

    platform::FileSystem& m_fileSystem;
    JobContext* m_context;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<qint64> m_unfinished;  // the orders of the copies running, two at most
    std::unique_ptr<Job> m_next;       // the copy handed to the thread beside
    bool m_besideBusy = false;
    bool m_closing = false;
    qint64 m_nextOrder = 0;
    bool m_failed = false;
    qint64 m_failedOrder = 0;
    QString m_failedPath;
    platform::FsError m_failedError = platform::FsError::None;
    std::unique_ptr<AsideTask<void>> m_beside;
};
