#pragma once

#include <QString>

#include <functional>
#include <vector>

class FolderTree;
class QWidget;
class Selection;
struct SelectionEntry;
struct TreeNode;
namespace platform {
class FileSystem;
}

// The commands that change the selection and the files: select, clear, select all, delete,
// new item, rename, paste and paste shortcuts. They act on the tree, the selection and the
// armed operation that the main window owns, and tell it when anything changed.
class FileCommands {
public:
    FileCommands(platform::FileSystem& fileSystem, FolderTree& tree, Selection& selection, int& pendingOp,
                 QWidget* owner, std::function<void()> changed)
        : m_fileSystem(fileSystem), m_tree(tree), m_selection(selection), m_pendingOp(pendingOp), m_owner(owner),
          m_changed(std::move(changed))
    {
    }

    // Selects an unmarked item, or deselects a marked entry (an item marked only through a
    // selected folder above it cannot be deselected: the user is told so).
    void toggleSelection(TreeNode* item);
    void clearSelection();
    void selectAllInFolder();
    void deleteCurrent();
    void deleteSelection();
    void newItem(bool isFile);
    void renameItem();
    void pasteSelection();
    void pasteShortcuts();

private:
    // Measures the items (a job when a folder is among them); false when the user stopped it.
    // The items are looked up again afterwards: one that left the tree meanwhile is null.
    bool measure(std::vector<TreeNode*>& items, std::vector<SelectionEntry>& entries);
    void select(TreeNode* item, SelectionEntry entry);

    platform::FileSystem& m_fileSystem;
    FolderTree& m_tree;
    Selection& m_selection;
    int& m_pendingOp;
    QWidget* m_owner;
    std::function<void()> m_changed;
};
