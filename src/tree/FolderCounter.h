#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace platform {
class FileSystem;
}

// Counts the folders and files directly inside one folder on a thread of its own, for the
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
    bool isRunning() const { return m_running; }

private:
    platform::FileSystem& m_fileSystem;
    QObject* m_receiver;
    Result m_result;
    std::thread m_thread;
    // Shared with the worker: it stops when `m_stop` is set, and its result counts only while
    // `m_generation` still holds the number it was started with.
    std::shared_ptr<std::atomic<bool>> m_stop;
    std::shared_ptr<std::atomic<quint64>> m_generation = std::make_shared<std::atomic<quint64>>(0);
    std::atomic<bool> m_running = false;
};
