#include "open/OpenCommands.h"

#include "commands/CommandTable.h"
#include "open/Launcher.h"
#include "open/RunDialog.h"
#include "resources/Commands.h"

void OpenCommands::registerCommands(CommandTable& table)
{
    table.add(
        Cmd::Open, [this] { openCurrentItem(); }, m_currentIsFile);
    table.add(Cmd::Run, [this] { runCommand(); });
}

void OpenCommands::openCurrentItem()
{
    const QString path = m_currentPath();
    if (path.isEmpty())
        return;
    // An archive is unpacked beside itself rather than handed to another program.
    if (path.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive)) {
        m_post(Cmd::UnzipHere);
        return;
    }
    m_launcher.launchItem(m_owner, path, QString());
}

void OpenCommands::runCommand()
{
    RunDialog dialog;
    if (dialog.run(m_owner) != Cmd::Ok)
        return;
    m_launcher.launchItem(m_owner, dialog.command(), dialog.parameters());
}
