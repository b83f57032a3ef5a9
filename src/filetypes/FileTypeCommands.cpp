#include "filetypes/FileTypeCommands.h"

#include "commands/CommandTable.h"
#include "filetypes/FileTypesDialog.h"
#include "filetypes/OpenWithDialog.h"
#include "open/Launcher.h"
#include "resources/Commands.h"

#include <QString>

void FileTypeCommands::registerCommands(CommandTable& table)
{
    table.add(
        Cmd::OpenWith, [this] { openWith(); }, m_currentIsFile);
    table.add(Cmd::ManageFileTypes, [this] { manageFileTypes(); });
}

QString FileTypeCommands::extensionOf(const QString& path)
{
    const QString name = path.mid(path.lastIndexOf(u'\\') + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot <= 0 ? QString() : name.mid(dot + 1);
}

void FileTypeCommands::openWith()
{
    const QString path = m_currentPath();
    if (path.isEmpty() || !m_currentIsFile())
        return;
    OpenWithDialog dialog(m_fileSystem, extensionOf(path));
    if (dialog.run(m_owner) != Cmd::Ok)
        return;
    m_launcher.launchWith(m_owner, dialog.chosenProgram(), path);
}

void FileTypeCommands::manageFileTypes()
{
    FileTypesDialog dialog(m_fileSystem);
    (void)dialog.run(m_owner);
}
