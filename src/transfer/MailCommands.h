#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class ArchiveCommands;
class CommandTable;
class QWidget;
class Selection;
namespace platform {
class FileSystem;
}

// Sending by e-mail and MMS: the current file, or the selection packed into a temporary
// "Attach.zip", handed to the user's mail composer with a new message. Nothing is sent here.
// The composer is the program named by the setting "Composer" (default `xdg-email`; it may
// carry arguments of its own, as shell words), given "--subject TEXT" and "--attach FILE" as
// `xdg-email` takes them.
class MailCommands {
public:
    MailCommands(platform::FileSystem& fileSystem, ArchiveCommands& archives, Selection& selection, QWidget* owner,
                 std::function<QString()> currentPath, std::function<bool()> currentIsFile)
        : m_fileSystem(fileSystem),
          m_archives(archives),
          m_selection(selection),
          m_owner(owner),
          m_currentPath(std::move(currentPath)),
          m_currentIsFile(std::move(currentIsFile))
    {
    }

    void registerCommands(CommandTable& table);

    void sendByMms();
    void sendByEmail();
    void zipSelectionAndMail();

    // Where the temporary archive is made: "Fennick attachments" in the user's home folder when
    // the tree shows it, else at the top of the tree; a folder the user can see and empty.
    QString attachmentFolder() const;

private:
    // Starts the composer; false when it cannot start.
    bool launchComposer(const QStringList& arguments);
    // The same, telling the user when it cannot start.
    bool startComposer(const QStringList& arguments);

    platform::FileSystem& m_fileSystem;
    ArchiveCommands& m_archives;
    Selection& m_selection;
    QWidget* m_owner;
    std::function<QString()> m_currentPath;
    std::function<bool()> m_currentIsFile;
};
