#pragma once

#include <QString>

#include <functional>

class CommandTable;
class FolderTree;
class QWidget;
namespace platform {
class FileSystem;
}

// "Receive from IR...": listens for OBEX pushes while the "Receiving..." page is open and puts
// what arrived into the tree. The address and port are the settings ReceiveAddress (empty,
// the default, for every interface) and ReceivePort (6500) of SettingsSchema.
class ReceiveCommands {
public:
    ReceiveCommands(platform::FileSystem& fileSystem, FolderTree& tree, QWidget* owner, std::function<void()> changed)
        : m_fileSystem(fileSystem), m_tree(tree), m_owner(owner), m_changed(std::move(changed))
    {
    }

    void registerCommands(CommandTable& table);
    void receive();

    static QString keyPath();
    // Why the receive port could not be opened, and where it is set.
    static QString portFailure(const QString& address, quint32 port, const QString& reason);

private:
    platform::FileSystem& m_fileSystem;
    FolderTree& m_tree;
    QWidget* m_owner;
    std::function<void()> m_changed;
};
