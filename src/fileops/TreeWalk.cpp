#include "fileops/TreeWalk.h"

#include "fileops/FileCopies.h"
#include "jobs/JobContext.h"
#include "platform/PhonePath.h"

using platform::DirEntry;
using platform::FsError;
using platform::OpenFolder;
using platform::PhonePath::join;

TreeWalk::TreeWalk(platform::FileSystem& fileSystem, JobContext* context) : m_fileSystem(fileSystem), m_context(context)
{
}

TreeWalk::~TreeWalk() = default;

bool TreeWalk::stopped() const { return m_context && m_context->stopRequested(); }

bool TreeWalk::fail(Step step, const QString& path, FsError error)
{
    m_failure = {step, path, error};
    return false;
}

bool TreeWalk::checkStop(const QString& path)
{
    if (stopped())
        return fail(Step::CopyFile, path, FsError::Cancelled);
    return true;
}

bool TreeWalk::listAll(const OpenFolder& folder, bool withSizes, std::vector<DirEntry>& entries)
{
    const FsError error = m_fileSystem.list(folder, withSizes, [&](const DirEntry& entry) {
        entries.push_back(entry);
        return true;
    });
    return error == FsError::None || fail(Step::List, folder.path(), error);
}

bool TreeWalk::copyItem(const OpenFolder& from, const QString& name, DirEntry::Kind kind, const OpenFolder& to,
                        const QString& targetName, bool replace, bool flush)
{
    const bool copied = copyInto(from, name, kind, to, targetName, replace, flush, false);
    // The thread beside ends with the walk of the item.
    m_copies.reset();
    return copied;
}

bool TreeWalk::settleCopies()
{
    QString path;
    FsError error;
    if (!m_copies || m_copies->settle(path, error))
        return true;
    return fail(Step::CopyFile, path, error);
}

bool TreeWalk::copyInto(const OpenFolder& from, const QString& name, DirEntry::Kind kind, const OpenFolder& to,
                        const QString& targetName, bool replace, bool flush, bool newFolder)
{
    const QString source = join(from.path(), name);
    const QString target = join(to.path(), targetName);
    if (!checkStop(source))
        return false;
    if (m_context)
        m_context->setCurrentItem(source);
    if (kind == DirEntry::Folder)
        return copyFolder(from, name, to, targetName, flush, newFolder);

    // In a folder this walk has just made nothing can be in the way: no look is needed, and
    // nothing in it needs remembering, since taking the folder back takes all of it.
    DirEntry existing;
    const bool existed = !newFolder && m_fileSystem.entryAt(to, targetName, existing) == FsError::None;
    if (newFolder)
        replace = false;
    FsError error;
    if (kind == DirEntry::Link) {
        error = m_fileSystem.copyLinkAt(from, name, to, targetName, replace);
    } else {
        platform::CopyControl control;
        if (m_context) {
            control.stop = &m_context->stop;
            control.bytesDone = &m_context->bytesDone;
        }
        control.flush = flush;
        error = m_fileSystem.copyFileAt(from, name, to, targetName, replace, control);
    }
    if (error != FsError::None)
        return fail(Step::CopyFile, error == FsError::Cancelled ? target : source, error);
    if (!existed && !newFolder)
        m_created.push_back({target, false});
    if (m_context)
        ++m_context->itemsDone;
    return true;
}

bool TreeWalk::copyFolder(const OpenFolder& from, const QString& name, const OpenFolder& to, const QString& targetName,
                          bool flush, bool inNewFolder)
{
    const QString target = join(to.path(), targetName);
    OpenFolder source;
    if (const FsError error = m_fileSystem.openChild(from, name, source); error != FsError::None)
        return fail(Step::List, join(from.path(), name), error);

    // A folder of that name is merged into. A link in the way is replaced by the folder (the
    // link goes, never what it points at); a file in the way stops the copy.
    DirEntry existing;
    const FsError lookedUp = inNewFolder ? FsError::FileNotFound : m_fileSystem.entryAt(to, targetName, existing);
    if (lookedUp == FsError::None && existing.kind == DirEntry::Link) {
        if (const FsError error = m_fileSystem.deleteAt(to, targetName); error != FsError::None)
            return fail(Step::CreateFolder, target, error);
    }
    const bool made = lookedUp != FsError::None || existing.kind == DirEntry::Link;
    if (made) {
        if (const FsError error = m_fileSystem.createFolderAt(to, targetName); error != FsError::None)
            return fail(Step::CreateFolder, target, error);
        if (!inNewFolder)
            m_created.push_back({target, true});
    } else if (existing.kind != DirEntry::Folder) {
        return fail(Step::CreateFolder, target, FsError::AlreadyExists);
    }
    OpenFolder targetFolder;
    if (const FsError error = m_fileSystem.openChild(to, targetName, targetFolder); error != FsError::None)
        return fail(Step::CreateFolder, target, error);

    std::vector<DirEntry> entries;
    if (!listAll(source, false, entries))
        return false;
    // In a folder this walk made nothing is in the way of a file, so its files are copied two
    // at a time. Anything else waits until they have ended: nothing changes on the disk out of
    // the listing's order.
    bool goOn = true;
    for (const DirEntry& entry : entries) {
        if (made && entry.kind == DirEntry::File) {
            const QString path = join(source.path(), entry.name);
            if (!checkStop(path)) {
                goOn = false;
                break;
            }
            if (m_context)
                m_context->setCurrentItem(path);
            if (!m_copies)
                m_copies = std::make_unique<FileCopies>(m_fileSystem, m_context);
            if (!m_copies->copy(source, entry.name, targetFolder, flush)) {
                goOn = false;
                break;
            }
            continue;
        }
        if (!settleCopies() || !copyInto(source, entry.name, entry.kind, targetFolder, entry.name, true, flush, made)) {
            goOn = false;
            break;
        }
    }
    // The copies still running read both folders, which close on return. A copy that failed
    // was begun before anything else that failed, so its failure is the one told.
    if (!settleCopies() || !goOn)
        return false;
    if (m_context)
        ++m_context->itemsDone;
    return true;
}

bool TreeWalk::deleteItem(const OpenFolder& folder, const QString& name, DirEntry::Kind kind, bool stoppable)
{
    const QString path = join(folder.path(), name);
    if (stoppable && stopped())
        return fail(Step::DeleteFile, path, FsError::Cancelled);
    if (m_context)
        m_context->setCurrentItem(path);
    if (kind != DirEntry::Folder) {
        if (const FsError error = m_fileSystem.deleteAt(folder, name); error != FsError::None)
            return fail(Step::DeleteFile, path, error);
        if (m_context)
            ++m_context->itemsDone;
        return true;
    }
    OpenFolder inner;
    if (const FsError error = m_fileSystem.openChild(folder, name, inner); error != FsError::None)
        return fail(Step::List, path, error);
    if (!deleteContents(inner, stoppable))
        return false;
    inner.reset();
    if (const FsError error = m_fileSystem.removeFolderAt(folder, name); error != FsError::None)
        return fail(Step::DeleteFolder, path, error);
    if (m_context)
        ++m_context->itemsDone;
    return true;
}

bool TreeWalk::deleteContents(const OpenFolder& folder, bool stoppable)
{
    std::vector<DirEntry> entries;
    if (!listAll(folder, false, entries))
        return false;
    for (const DirEntry& entry : entries)
        if (!deleteItem(folder, entry.name, entry.kind, stoppable))
            return false;
    return true;
}

bool TreeWalk::measure(const OpenFolder& folder, Totals& totals)
{
    if (stopped())
        return fail(Step::List, folder.path(), FsError::Cancelled);
    std::vector<DirEntry> entries;
    if (!listAll(folder, true, entries))
        return false;
    for (const DirEntry& entry : entries) {
        if (entry.kind != DirEntry::Folder) {
            ++totals.files;
            totals.bytes += entry.size;
            continue;
        }
        ++totals.folders;
        OpenFolder inner;
        if (const FsError error = m_fileSystem.openChild(folder, entry.name, inner); error != FsError::None)
            return fail(Step::List, join(folder.path(), entry.name), error);
        if (!measure(inner, totals))
            return false;
    }
    if (m_context)
        m_context->itemsDone = totals.files + totals.folders;
    return true;
}

void TreeWalk::undoCreated()
{
    for (auto created = m_created.rbegin(); created != m_created.rend(); ++created) {
        if (created->isFolder) {
            // A folder this walk made holds nothing but what the walk put there.
            const auto [parentPath, name] = platform::PhonePath::splitLast(created->path);
            OpenFolder parent;
            if (m_fileSystem.openFolder(parentPath, parent) == FsError::None)
                (void)TreeWalk(m_fileSystem, nullptr).deleteItem(parent, name, DirEntry::Folder, false);
        } else if (m_fileSystem.deleteFile(created->path) == FsError::AccessDenied) {
            // A copy of a read-only file is read-only too; it is ours to take back.
            (void)m_fileSystem.setAttributes(created->path, 0);
            (void)m_fileSystem.deleteFile(created->path);
        }
    }
    m_created.clear();
}
