#pragma once

#include "fileops/TreeWalk.h"
#include "platform/ItemKind.h"

#include <QString>
#include <QStringList>

#include <vector>

class FolderTree;
class JobContext;
class QWidget;
class Selection;
struct TreeNode;
namespace platform {
class FileSystem;
}

// Copies or moves the selection into the current folder, as a job: the files are copied on a
// worker thread while the window stays alive, with progress and Cancel, and the tree is
// brought in line afterwards. A move never loses data: an entry's copy is complete and on the
// disk before its source is deleted, and a stopped move takes back what it had copied.
class Paste {
public:
    // What the naming step decided for one entry.
    enum Resolution { Free = 0, SameFolderCut = 1, Skip = 2, Overwrite = 3 };

    Paste(platform::FileSystem& fileSystem, FolderTree& tree, Selection& selection, QWidget* owner);

    // The destination of the current item: itself when it is a folder, else its folder.
    // `path` is "" for the root.
    static void pasteTarget(const FolderTree& tree, QString& path, TreeNode*& item);

    // Pastes every entry, from the last to the first; stops at the first failure.
    void pasteSelection();
    // Makes a shortcut to every entry in the destination ("Shortcut to NAME.lnk" in the
    // entry's own folder, "NAME.lnk" elsewhere), never over an existing file.
    void pasteShortcuts();

private:
    // What the worker gets of one entry: a copy, so that it never reads the selection.
    struct Work {
        int index;
        QString path;
        platform::ItemKind kind;
    };
    struct Done {
        int index;
        Resolution resolution;
        QString target;
        platform::ItemKind kind;
    };

    void work(JobContext& context);
    Resolution resolveTargetName(JobContext& context, const Work& entry, const platform::OpenFolder& destination,
                                 bool sameFolder, QString& name);
    bool transfer(JobContext& context, const Work& entry, const platform::OpenFolder& source,
                  platform::DirEntry::Kind kind, const platform::OpenFolder& destination, const QString& name,
                  bool replace);
    // The message of an entry that could not be copied or moved, by its kind.
    int failureText(platform::ItemKind kind) const;
    void showNewItems();
    void addMissingChildren(TreeNode* folderItem);
    bool writeShortcut(const QString& path, const QString& target);

    platform::FileSystem& m_fileSystem;
    FolderTree& m_tree;
    Selection& m_selection;
    QWidget* m_owner;
    QString m_destination;
    TreeNode* m_destinationItem = nullptr;
    bool m_cut = false;
    // Shared with the worker, which reads the inputs and writes the outputs; the user-interface
    // side reads the outputs only once the worker has ended. The answer flags are written by
    // the question box while the worker waits for it.
    std::vector<Work> m_work;
    bool m_yesToAll = false;
    bool m_noToAll = false;
    bool m_refusedInside = false;
    std::vector<Done> m_done;
    QStringList m_messages;
};
