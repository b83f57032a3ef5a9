#pragma once

#include <functional>

class CommandTable;
class Launcher;
class QWidget;
class QString;

// "Open" on the current file (an archive is unpacked beside itself instead) and "Run...".
class OpenCommands {
public:
    // `currentPath` gives the current item's path, `post` posts a command to the main window.
    OpenCommands(const Launcher& launcher, QWidget* owner, std::function<QString()> currentPath,
                 std::function<bool()> currentIsFile, std::function<void(int)> post)
        : m_launcher(launcher),
          m_owner(owner),
          m_currentPath(std::move(currentPath)),
          m_currentIsFile(std::move(currentIsFile)),
          m_post(std::move(post))
    {
    }

    void registerCommands(CommandTable& table);

    void openCurrentItem();
    void runCommand();

private:
    const Launcher& m_launcher;
    QWidget* m_owner;
    std::function<QString()> m_currentPath;
    std::function<bool()> m_currentIsFile;
    std::function<void(int)> m_post;
};
