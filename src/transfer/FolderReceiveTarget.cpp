#include "transfer/FolderReceiveTarget.h"

using platform::FsError;

FolderReceiveTarget::FolderReceiveTarget(platform::FileSystem& fileSystem, const QString& folder, AskReplace askReplace)
    : m_fileSystem(fileSystem), m_folderPath(folder), m_askReplace(std::move(askReplace))
{
}

QString FolderReceiveTarget::pathOf(const QString& name) const
{
    return (m_folderPath.endsWith(u'\\') ? m_folderPath : m_folderPath + u'\\') + name;
}

ReceiveTarget::Begin FolderReceiveTarget::begin(const QString& name)
{
    m_file.reset();
    // The folder is opened once: a rename of it during the session cannot send files elsewhere.
    if (!m_folder.isOpen() && m_fileSystem.openFolder(m_folderPath, m_folder) != FsError::None)
        return Begin::Failed;
    platform::DirEntry entry;
    m_replace = m_fileSystem.entryAt(m_folder, name, entry) == FsError::None;
    if (m_replace && !m_askReplace(pathOf(name)))
        return Begin::Refused;
    if (m_fileSystem.createFileAt(m_folder, name, m_file) != FsError::None) {
        m_file.reset();
        return Begin::Failed;
    }
    m_name = name;
    return Begin::Started;
}

bool FolderReceiveTarget::write(const char* data, qint64 size)
{
    return m_file && m_file->write(data, size) == FsError::None;
}

bool FolderReceiveTarget::commit()
{
    if (!m_file)
        return false;
    const bool placed = m_file->commit(m_replace) == FsError::None;
    m_file.reset();
    if (placed && !m_replace && !m_newNames.contains(m_name))
        m_newNames << m_name;
    return placed;
}

void FolderReceiveTarget::discard() { m_file.reset(); }
