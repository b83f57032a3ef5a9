#pragma once

#include <QString>

#include <functional>

class CommandTable;
class QWidget;
class TreeImageList;
namespace platform {
class FileSystem;
}

// "Properties..." (key 5) on the current item.
class PropertiesCommands {
public:
    // `currentPath` gives the current item's path (empty when there is none); `afterwards`
    // refreshes what shows the item's attributes outside the page.
    PropertiesCommands(platform::FileSystem& fileSystem, TreeImageList& images, QWidget* owner,
                       std::function<QString()> currentPath, std::function<void()> afterwards)
        : m_fileSystem(fileSystem),
          m_images(images),
          m_owner(owner),
          m_currentPath(std::move(currentPath)),
          m_afterwards(std::move(afterwards))
    {
    }

    void registerCommands(CommandTable& table);
    void showProperties();

private:
    platform::FileSystem& m_fileSystem;
    TreeImageList& m_images;
    QWidget* m_owner;
    std::function<QString()> m_currentPath;
    std::function<void()> m_afterwards;
};
