#pragma once

#include <QString>

#include <functional>
#include <vector>

class CommandTable;
class FolderTree;
class QWidget;
class Selection;
struct SelectionEntry;
struct TreeNode;
namespace platform {
class FileSystem;
}

// The commands that change the selection and the files: select, clear, select all, delete,
// new item, rename, cut, copy, paste and paste shortcuts. They act on the tree and on the
// selection (with its armed operation) that the main window owns, and tell it when anything
// changed: `changed` after a change of the selection or the files, `armed` after cut or copy.
class FileCommands {
public:
    FileCommands(platform::FileSystem& fileSystem, FolderTree& tree, Selection& selection, QWidget* owner,
                 std::function<void()> changed, std::function<void()> armed)
        : m_fileSystem(fileSystem),
          m_tree(tree),
          m_selection(selection),
          m_owner(owner),
          m_changed(std::move(changed)),
          m_armed(std::move(armed))
    {
    }

    // Puts these commands, with the rules that enable them, into the window's table.
    void registerCommands(CommandTable& table);

    // Selects an unmarked item, or deselects a marked entry (an item marked only through a
    // selected folder above it cannot be deselected: the user is told so).
    void toggleSelection(TreeNode* item);
    void clearSelection();
    void selectAllInFolder();
    void deleteCurrent();
    void deleteSelection();
    void newItem(bool isFile);
    void renameItem();
    void cutSelection();
    void copySelection();
    void pasteSelection();
    void pasteShortcuts();

private:
    // Select all needs a folder above the current item that is not itself an entry.
    bool currentParentIsFree() const;

    // Measures the items (a job when a folder is among them); false when the user stopped it.
    // The items are looked up again afterwards: one that left the tree meanwhile is null.
    bool measure(std::vector<TreeNode*>& items, std::vector<SelectionEntry>& entries);
    void addEntry(TreeNode* item, SelectionEntry entry);

    platform::FileSystem& m_fileSystem;
    FolderTree& m_tree;
    Selection& m_selection;
    QWidget* m_owner;
    std::function<void()> m_changed;
    std::function<void()> m_armed;
};
