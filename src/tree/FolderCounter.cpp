#include "tree/FolderCounter.h"

#include "platform/FileSystem.h"

FolderCounter::FolderCounter(platform::FileSystem& fileSystem, QObject* receiver, Result result)
    : m_fileSystem(fileSystem), m_result(std::move(result)), m_worker(receiver)
{
}

FolderCounter::~FolderCounter() { stop(); }

void FolderCounter::stop() { m_worker.stop(); }

void FolderCounter::start(const QString& folderPath, bool showHidden)
{
    stop();
    if (folderPath.isEmpty())
        return;
    const bool started = m_worker.start([this, folderPath, showHidden](std::stop_token token) {
        qint64 folders = 0;
        qint64 files = 0;
        const platform::FsError error = m_fileSystem.listForDisplay(folderPath, [&](const platform::FindData& entry) {
            if (showHidden || !(entry.attributes & platform::Attr::Hidden))
                ++(entry.isFolder() ? folders : files);
            return !token.stop_requested();
        });
        if (token.stop_requested())
            return;
        // A folder that cannot be listed counts as empty, so the status line says so rather
        // than waiting for a count that never comes.
        if (error != platform::FsError::None)
            folders = files = 0;
        m_worker.post([this, folders, files] { m_result(folders, files); });
    });
    // With no thread to count on, the line says the same as for a folder that cannot be
    // listed, rather than waiting for a count that never comes.
    if (!started)
        m_result(0, 0);
}
