#pragma once

#include "crypt/CrfFile.h"

#include <QPersistentModelIndex>
#include <QString>

#include <functional>

class CommandTable;
class FolderTree;
class QWidget;
class Selection;
namespace platform {
class FileSystem;
class OpenFolder;
}  // namespace platform

// "Crypt..." and "Decrypt..." (one command, whose label follows the current file): the
// dialogs, questions and messages around encrypting a file into a ".crf" file beside it and
// decrypting one back, whose work runs as a job with a progress page.
class CryptCommands {
public:
    CryptCommands(platform::FileSystem& fileSystem, FolderTree& tree, Selection& selection, QWidget* owner,
                  std::function<void()> changed)
        : m_fileSystem(fileSystem), m_tree(tree), m_selection(selection), m_owner(owner), m_changed(std::move(changed))
    {
    }

    // Puts the command, with its rule and label, into the main window's table.
    void registerCommands(CommandTable& table);

    // Encrypts the current file, or decrypts it when its name ends in "crf".
    void encryptOrDecrypt();

private:
    // Where the command works: the current file and the folder that holds it, with their
    // tree items (kept as model indexes, since the tree may change while a job runs).
    struct Place {
        QString path;
        QString folder;
        QString name;
        QPersistentModelIndex item;
        QPersistentModelIndex folderItem;  // invalid for the top level
    };

    // Opens the folder of `place` for the job; a failure is put in `result`, to be told.
    bool openFolder(const Place& place, platform::OpenFolder& folder, CrfFile::Result& result);
    void encrypt(const Place& place);
    void decrypt(const Place& place);
    // After a successful job: deletes the file that was worked on when the user asked for it,
    // with its tree item and selection entry; a file that stays is told.
    void deleteSource(const Place& place, const platform::OpenFolder& folder);
    // Shows the output: a new item under the folder's item, or else the existing one revealed.
    void showOutput(const Place& place, const QString& output, bool isNew);

    platform::FileSystem& m_fileSystem;
    FolderTree& m_tree;
    Selection& m_selection;
    QWidget* m_owner;
    std::function<void()> m_changed;
};
