#pragma once

#include <QString>

struct TreeNode;

// What the folder tree asks of the selection when it lists items: whether a folder's
// contents inherit the mark, and which entry an item shows. The selection keeps a pointer to
// the item that shows each entry, so it must hear when the tree deletes items.
class SelectionMarks {
public:
    virtual ~SelectionMarks() = default;

    // True when everything listed in `folderPath` carries the mark: the folder is an entry,
    // or lies inside a folder entry.
    virtual bool marksContentsOf(const QString& folderPath) const = 0;

    // When an entry has exactly this path, it now shows through
    // `node` and true is returned.
    virtual bool attachItem(const QString& path, TreeNode* node) = 0;

    // False when no entry can lie in `folderPath`: its listing then asks attachItem nothing.
    virtual bool mayHoldEntriesIn(const QString& folderPath) const
    {
        (void)folderPath;
        return true;
    }

    // `node` and everything beneath it are about to be deleted.
    virtual void itemsRemoved(const TreeNode* node) = 0;
};
