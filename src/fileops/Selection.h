#pragma once

#include "fileops/PendingOp.h"
#include "fileops/TreeWalk.h"
#include "platform/ItemKind.h"
#include "tree/SelectionMarks.h"

#include <QList>
#include <QString>

class JobContext;
namespace platform {
class FileSystem;
}

// One selected item: its full path, the tree item that shows it now (replaced whenever its
// folder is listed again; null while no item shows it), its kind, and the totals measured when
// it was added. Totals are 64-bit.
struct SelectionEntry {
    QString path;
    TreeNode* item = nullptr;
    platform::ItemKind kind = platform::ItemKind::None;
    qint64 totalBytes = 0;   // a file's size; a folder's files, at any depth
    qint64 fileCount = 0;    // a folder's files at any depth
    qint64 folderCount = 0;  // a folder's folders at any depth

    // How many items a job over this entry meets: a folder is itself and all it holds.
    qint64 itemCount() const { return kind == platform::ItemKind::Folder ? fileCount + folderCount + 1 : 1; }
};

// The items the user collected across folders, in the order they were selected. The contents
// of a selected folder count as selected without being entries; no entry lies inside a folder
// entry. It also holds the operation that cut or copy armed for the next paste.
class Selection : public SelectionMarks {
public:
    struct Totals {
        qint64 folders = 0;
        qint64 files = 0;
        qint64 bytes = 0;
    };

    int count() const { return static_cast<int>(m_entries.size()); }
    bool isEmpty() const { return m_entries.isEmpty(); }
    const SelectionEntry& at(int index) const { return m_entries.at(index); }
    SelectionEntry& at(int index) { return m_entries[index]; }

    // The index of the entry whose path is exactly `path`, or -1.
    int find(const QString& path) const;
    // True when `path` equals an entry or lies inside a folder entry.
    bool covers(const QString& path) const;
    void append(SelectionEntry entry) { m_entries.append(std::move(entry)); }
    void removeAt(int index) { m_entries.removeAt(index); }
    // Removes every entry that lies inside `folder`, from the last to the first.
    void removeInside(const QString& folder);
    void clear() { m_entries.clear(); }
    Totals totals() const;

    PendingOp pendingOp() const { return m_pendingOp; }
    // Only the commands arm and disarm: clearing or emptying the entries leaves the operation
    // as it is, since not every way of emptying the selection disarms it.
    void setPendingOp(PendingOp op) { m_pendingOp = op; }

    // The totals of an item, walking a folder's whole tree; a link is one item and is not
    // entered. `failure` (optional) tells a part that could not be counted, or a stop asked
    // through `context` (optional).
    static SelectionEntry measure(platform::FileSystem& fileSystem, const QString& path, platform::ItemKind kind,
                                  JobContext* context = nullptr, TreeWalk::Failure* failure = nullptr);

    bool marksContentsOf(const QString& folderPath) const override;
    bool attachItem(const QString& path, TreeNode* node) override;
    bool mayHoldEntriesIn(const QString& folderPath) const override;
    void itemsRemoved(const TreeNode* node) override;

private:
    QList<SelectionEntry> m_entries;
    PendingOp m_pendingOp = PendingOp::None;
};
