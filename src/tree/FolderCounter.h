#pragma once

#include "jobs/Worker.h"

#include <QObject>
#include <QString>

#include <functional>

namespace platform {
class FileSystem;
}

// Counts the folders and files directly inside one folder on a worker of its own, for the
// status bar. One count runs at a time: a new request stops the one before and waits for it,
// and a result reaches the user-interface thread only if no newer request came meanwhile.
class FolderCounter {
public:
    // Called on the thread of `receiver` with the counts of the latest request; a folder that
    // cannot be listed gives 0 and 0. The receiver owns the counter, or outlives it.
    using Result = std::function<void(qint64 folders, qint64 files)>;

    FolderCounter(platform::FileSystem& fileSystem, QObject* receiver, Result result);
    ~FolderCounter();
    FolderCounter(const FolderCounter&) = delete;
    FolderCounter& operator=(const FolderCounter&) = delete;

    void start(const QString& folderPath, bool showHidden);
    // Stops a running count and waits for its thread; its result is dropped.
    void stop();
    bool isRunning() const { return m_worker.isRunning(); }

private:
    platform::FileSystem& m_fileSystem;
    Result m_result;
    // Stopping it drops a result on its way, so only the latest request's count shows.
    Worker m_worker;
};
