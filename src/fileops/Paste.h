#pragma once

#include <QString>

class FolderTree;
class QWidget;
class Selection;
struct TreeNode;
namespace platform {
class FileSystem;
}

// Copies or moves the selection into the current folder. A move never loses data: each file
// is copied whole and flushed before its source is deleted, and a folder is deleted only
// after all of it was copied.
class Paste {
public:
    // What the naming step decided for one entry.
    enum Resolution { Free = 0, SameFolderCut = 1, Skip = 2, Overwrite = 3 };

    Paste(platform::FileSystem& fileSystem, FolderTree& tree, Selection& selection, int& pendingOp, QWidget* owner);

    // The destination of the current item: itself when it is a folder, else its folder.
    // `path` is "" for the root.
    static void pasteTarget(const FolderTree& tree, QString& path, TreeNode*& item);

    // Pastes every entry, from the last to the first; stops at the first failure.
    void pasteSelection();
    // Makes a shortcut to every entry in the destination ("Shortcut to NAME.lnk" in the
    // entry's own folder, "NAME.lnk" elsewhere), never over an existing file.
    void pasteShortcuts();

    // The naming step for entry `index` with the prefix "Copy of " (or "Shortcut to "):
    // the result and the final name.
    Resolution resolveTargetName(int index, const QString& prefix, QString& name);

    // Copies a folder with everything in it; a folder that exists is merged into, its files
    // overwritten. On failure it has told the user which file resisted.
    [[nodiscard]] bool copyFolderTree(const QString& source, const QString& target);

private:
    bool transfer(int index, const QString& target);
    bool writeShortcut(const QString& path, const QString& target);

    platform::FileSystem& m_fileSystem;
    FolderTree& m_tree;
    Selection& m_selection;
    int& m_pendingOp;
    QWidget* m_owner;
    QString m_destination;
    TreeNode* m_destinationItem = nullptr;
    bool m_yesToAll = false;
    bool m_noToAll = false;
};
