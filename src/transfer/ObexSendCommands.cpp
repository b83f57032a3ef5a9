#include "transfer/ObexSendCommands.h"

#include "commands/CommandTable.h"
#include "fileops/Selection.h"
#include "platform/FileSystem.h"
#include "resources/Commands.h"
#include "transfer/SendToDialog.h"

#include <QFile>
#include <QStringList>

void ObexSendCommands::registerCommands(CommandTable& table)
{
    table.add(
        Cmd::SendFileObex,
        [this] {
            if (const QString path = m_currentPath(); !path.isEmpty())
                sendFiles({path});
        },
        m_currentIsFile);
    table.add(
        Cmd::SendSelectionObex,
        [this] {
            QStringList files;
            for (int i = 0; i < m_selection.count(); ++i)
                if (m_selection.at(i).kind != platform::ItemKind::Folder)
                    files << m_selection.at(i).path;
            sendFiles(files);
        },
        [this] { return !m_selection.isEmpty(); });
}

void ObexSendCommands::sendFiles(const QStringList& phonePaths)
{
    QStringList hostPaths;
    for (const QString& path : phonePaths)
        hostPaths << QFile::decodeName(m_fileSystem.hostPath(path));
    SendToDialog dialog(hostPaths);
    dialog.run(m_owner);
}
