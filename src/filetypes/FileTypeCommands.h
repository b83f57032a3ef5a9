#pragma once

#include <functional>

class CommandTable;
class Launcher;
class QString;
class QWidget;
namespace platform {
class FileSystem;
}

// "Open with..." on the current file and "Manage file types...".
class FileTypeCommands {
public:
    FileTypeCommands(platform::FileSystem& fileSystem, const Launcher& launcher, QWidget* owner,
                     std::function<QString()> currentPath, std::function<bool()> currentIsFile)
        : m_fileSystem(fileSystem),
          m_launcher(launcher),
          m_owner(owner),
          m_currentPath(std::move(currentPath)),
          m_currentIsFile(std::move(currentIsFile))
    {
    }

    void registerCommands(CommandTable& table);

    void openWith();
    void manageFileTypes();

    // The extension "Open with..." offers to associate: the text after the last "." of the
    // item's name, without the dot; empty for a name without one, or with only a leading one
    // (".profile" is a hidden name, not an extension).
    static QString extensionOf(const QString& path);

private:
    platform::FileSystem& m_fileSystem;
    const Launcher& m_launcher;
    QWidget* m_owner;
    std::function<QString()> m_currentPath;
    std::function<bool()> m_currentIsFile;
};
