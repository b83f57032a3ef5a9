#include "tree/FolderCounter.h"

#include "platform/FileSystem.h"

FolderCounter::FolderCounter(platform::FileSystem& fileSystem, QObject* receiver, Result result)
    : m_fileSystem(fileSystem), m_receiver(receiver), m_result(std::move(result))
{
}

FolderCounter::~FolderCounter() { stop(); }

void FolderCounter::stop()
{
    ++*m_generation;
    if (m_stop)
        *m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    m_running = false;
}

void FolderCounter::start(const QString& folderPath, bool showHidden)
{
    stop();
    if (folderPath.isEmpty())
        return;
    m_stop = std::make_shared<std::atomic<bool>>(false);
    const quint64 generation = ++*m_generation;
    m_running = true;
    m_thread = std::thread([this, folderPath, showHidden, generation, stopFlag = m_stop, current = m_generation] {
        qint64 folders = 0;
        qint64 files = 0;
        const platform::FsError error = m_fileSystem.listForDisplay(folderPath,
            [&](const platform::FindData& entry) {
                if (showHidden || !(entry.attributes & platform::Attr::Hidden))
                    ++(entry.isFolder() ? folders : files);
                return !*stopFlag;
            });
        if (*stopFlag) {
            m_running = false;
            return;
        }
        // A folder that cannot be listed counts as empty, so the status line says so rather
        // than waiting for a count that never comes.
        if (error != platform::FsError::None)
            folders = files = 0;
        // The text is shown on the user-interface thread, and only for the latest request.
        QMetaObject::invokeMethod(m_receiver, [result = m_result, current, generation, folders, files] {
            if (*current == generation)
                result(folders, files);
        }, Qt::QueuedConnection);
        m_running = false;
    });
}
