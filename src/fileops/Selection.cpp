#include "fileops/Selection.h"

#include <algorithm>

#include "platform/FileSystem.h"
#include "platform/PhonePath.h"

// Entries are items, so paths are compared exactly: "A.txt" and "a.txt" are two entries.
using platform::PhonePath::same;
using platform::PhonePath::within;

int Selection::find(const QString& path) const
{
    for (qsizetype i = 0; i < m_entries.size(); ++i)
        if (same(m_entries.at(i).path, path))
            return static_cast<int>(i);
    return -1;
}

bool Selection::covers(const QString& path) const
{
    for (const SelectionEntry& entry : m_entries)
        if (same(entry.path, path) || (entry.kind == platform::ItemKind::Folder && within(path, entry.path)))
            return true;
    return false;
}

void Selection::removeInside(const QString& folder)
{
    for (qsizetype i = m_entries.size() - 1; i >= 0; --i)
        if (within(m_entries.at(i).path, folder))
            m_entries.removeAt(i);
}

Selection::Totals Selection::totals() const
{
    Totals totals;
    for (const SelectionEntry& entry : m_entries) {
        if (entry.kind == platform::ItemKind::Folder) {
            totals.folders += entry.folderCount + 1;
            totals.files += entry.fileCount;
        } else {
            totals.files += 1;
        }
        totals.bytes += entry.totalBytes;
    }
    return totals;
}

SelectionEntry Selection::measure(platform::FileSystem& fileSystem, const QString& path, platform::ItemKind kind,
                                  JobContext* context, TreeWalk::Failure* failure)
{
    SelectionEntry entry;
    entry.path = path;
    entry.kind = kind;
    const auto [folderPath, name] = platform::PhonePath::splitLast(path);
    platform::OpenFolder parent;
    platform::DirEntry item;
    if (fileSystem.openFolder(folderPath, parent) != platform::FsError::None
        || fileSystem.entryAt(parent, name, item) != platform::FsError::None)
        return entry;  // gone meanwhile: nothing to count
    if (item.kind != platform::DirEntry::Folder) {
        entry.totalBytes = item.size;
        return entry;
    }
    platform::OpenFolder folder;
    TreeWalk walk(fileSystem, context);
    TreeWalk::Totals totals;
    if (const platform::FsError error = fileSystem.openChild(parent, name, folder); error != platform::FsError::None) {
        if (failure)
            *failure = {TreeWalk::Step::List, path, error};
    } else if (!walk.measure(folder, totals) && failure) {
        *failure = walk.failure();
    }
    entry.totalBytes = totals.bytes;
    entry.fileCount = totals.files;
    entry.folderCount = totals.folders;
    return entry;
}

bool Selection::marksContentsOf(const QString& folderPath) const { return !folderPath.isEmpty() && covers(folderPath); }

bool Selection::attachItem(const QString& path, TreeNode* node)
{
    const int index = find(path);
    if (index < 0)
        return false;
    m_entries[index].item = node;
    return true;
}

bool Selection::mayHoldEntriesIn(const QString& folderPath) const
{
    return std::any_of(m_entries.begin(), m_entries.end(), [&](const SelectionEntry& entry) {
        return platform::PhonePath::liesInside(entry.path, folderPath);
    });
}

void Selection::itemsRemoved(const TreeNode* node)
{
    for (SelectionEntry& entry : m_entries)
        if (entry.item == node)
            entry.item = nullptr;
}
