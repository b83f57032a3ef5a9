#include "fileops/Selection.h"

#include "platform/FileSystem.h"
#include "platform/PhonePath.h"

using platform::PhonePath::equals;
using platform::PhonePath::liesInside;

int Selection::find(const QString& path) const
{
    for (qsizetype i = 0; i < m_entries.size(); ++i)
        if (equals(m_entries.at(i).path, path))
            return static_cast<int>(i);
    return -1;
}

bool Selection::covers(const QString& path) const
{
    for (const SelectionEntry& entry : m_entries)
        if (equals(entry.path, path) || (entry.kind == 1 && liesInside(path, entry.path)))
            return true;
    return false;
}

void Selection::removeInside(const QString& folder)
{
    for (qsizetype i = m_entries.size() - 1; i >= 0; --i)
        if (liesInside(m_entries.at(i).path, folder))
            m_entries.removeAt(i);
}

Selection::Totals Selection::totals() const
{
    Totals totals;
    for (const SelectionEntry& entry : m_entries) {
        if (entry.kind == 1) {
            totals.folders += entry.folderCount + 1;
            totals.files += entry.fileCount;
        } else {
            totals.files += 1;
        }
        totals.bytes += entry.totalBytes;
    }
    return totals;
}

SelectionEntry Selection::measure(platform::FileSystem& fileSystem, const QString& path, int kind)
{
    SelectionEntry entry;
    entry.path = path;
    entry.kind = kind;
    if (kind != 1) {
        platform::FindData item;
        if (fileSystem.lookUp(path, item) == platform::FsError::None)
            entry.totalBytes = item.size;
        return entry;
    }
    // Every file and folder counts, hidden and system ones included; a link is counted but
    // not entered, so a walk can neither loop nor leave the tree.
    QStringList pending{path};
    while (!pending.isEmpty()) {
        const QString folder = pending.takeLast();
        (void)fileSystem.enumerate(folder + QStringLiteral("\\*.*"), [&](const platform::FindData& found) {
            if (found.isFolder()) {
                ++entry.folderCount;
                if (!(found.attributes & platform::Attr::ReparsePoint))
                    pending.append(platform::PhonePath::join(folder, found.name));
            } else {
                ++entry.fileCount;
                entry.totalBytes += found.size;
            }
            return true;
        });
    }
    return entry;
}

bool Selection::marksContentsOf(const QString& folderPath) const
{
    return !folderPath.isEmpty() && covers(folderPath);
}

bool Selection::attachItem(const QString& path, TreeNode* node)
{
    const int index = find(path);
    if (index < 0)
        return false;
    m_entries[index].item = node;
    return true;
}

void Selection::itemsRemoved(const TreeNode* node)
{
    for (SelectionEntry& entry : m_entries)
        if (entry.item == node)
            entry.item = nullptr;
}
