#pragma once

#include "archive/ZipCreate.h"

#include <QString>

#include <functional>

class CommandTable;
class FolderTree;
class QWidget;
class Selection;
struct TreeNode;
namespace platform {
class FileSystem;
}

// "Zip selection..." and "Unzip here": the dialogs and messages around packing and unpacking,
// whose work runs as jobs under the "Zip/Unzip progress..." page.
class ArchiveCommands {
public:
    ArchiveCommands(platform::FileSystem& fileSystem, FolderTree& tree, Selection& selection, QWidget* owner,
                    std::function<void()> changed)
        : m_fileSystem(fileSystem), m_tree(tree), m_selection(selection), m_owner(owner), m_changed(std::move(changed))
    {
    }

    // Puts the archive commands, with their rules, into the main window's table.
    void registerCommands(CommandTable& table);

    // Packs the selection into a new archive in the current folder.
    void zipSelection();
    // Unpacks the current ".zip" item into a new folder beside it, named after it.
    void unzipHere();

    // "Unzip to...": asks where, with the folder picker, unpacks the current ".zip" item there
    // and shows the new folder.
    void unzipTo();
    // The same for an archive handed over by the desktop or a second start (a host path,
    // which may lie outside the root).
    void unzipHandedOver(const QByteArray& archive);

    // Unpacks the archive at the host path `archive` (named `archiveName`) into a new folder
    // made in `base` ("" for the root) and shows that folder under `baseItem` (null: the top
    // level), or leaves the tree to the caller (`addToTree` false). False when nothing could
    // be unpacked (no folder, not an archive, no entries), after telling the user.
    bool unzipArchive(const QByteArray& archive, const QString& archiveName, const QString& base, TreeNode* baseItem,
                      bool addToTree, QString* newFolder = nullptr);

    // Packs the whole selection into a new archive at the phone path `archive` (which must not
    // exist), showing the progress page named `name` until the work ends. Tells the user nothing.
    ZipCreate::Result zipSelectionToArchive(const QString& archive, const QString& name, int level);
    // Tells the user what went wrong with a packing; false when the archive was not made or
    // not listed whole (its folder then has nothing to show), true when it is there.
    bool tellZipFailure(const ZipCreate::Result& result);

private:
    // The current item's path when it is a ".zip" file, else "".
    QString currentArchive() const;

    platform::FileSystem& m_fileSystem;
    FolderTree& m_tree;
    Selection& m_selection;
    QWidget* m_owner;
    std::function<void()> m_changed;
};
