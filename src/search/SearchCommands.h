#pragma once

#include <QString>

#include <functional>

class CommandTable;
class FolderTree;
class QWidget;
namespace platform {
class FileSystem;
}

// "Find...": the criteria and results dialogs in turn, until the user leaves or picks an item
// to show in the tree.
class SearchCommands {
public:
    using PathAction = std::function<void(const QString& phonePath)>;

    // `reveal` shows a path in the tree (and tells the user when it cannot); `openFile` opens
    // a found file as the Open command does.
    SearchCommands(platform::FileSystem& fileSystem, FolderTree& tree, QWidget* owner, PathAction reveal,
                   PathAction openFile)
        : m_fileSystem(fileSystem),
          m_tree(tree),
          m_owner(owner),
          m_reveal(std::move(reveal)),
          m_openFile(std::move(openFile))
    {
    }

    void registerCommands(CommandTable& table);
    void find();

    // The folder a search of "Folder '%s'" looks in, fixed when "Find..." starts: the current
    // item when it is a folder, else the folder that holds it ("" for the root).
    QString currentFolder() const;

private:
    platform::FileSystem& m_fileSystem;
    FolderTree& m_tree;
    QWidget* m_owner;
    PathAction m_reveal;
    PathAction m_openFile;
};
