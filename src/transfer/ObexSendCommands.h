#pragma once

#include <QString>

#include <functional>

class CommandTable;
class QWidget;
class Selection;
namespace platform {
class FileSystem;
}

// "Send file by IR/BT..." and "Send sel. by IR/BT...": the current file, or every file of the
// selection (folders are left out), pushed to a device chosen in "Send to...".
class ObexSendCommands {
public:
    ObexSendCommands(platform::FileSystem& fileSystem, Selection& selection, QWidget* owner,
                     std::function<QString()> currentPath, std::function<bool()> currentIsFile)
        : m_fileSystem(fileSystem),
          m_selection(selection),
          m_owner(owner),
          m_currentPath(std::move(currentPath)),
          m_currentIsFile(std::move(currentIsFile))
    {
    }

    void registerCommands(CommandTable& table);

private:
    void sendFiles(const QStringList& phonePaths);

    platform::FileSystem& m_fileSystem;
    Selection& m_selection;
    QWidget* m_owner;
    std::function<QString()> m_currentPath;
    std::function<bool()> m_currentIsFile;
};
