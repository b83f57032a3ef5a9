#include "properties/PropertiesCommands.h"

#include "commands/CommandTable.h"
#include "properties/PropertiesDialog.h"
#include "resources/Commands.h"

void PropertiesCommands::registerCommands(CommandTable& table)
{
    table.add(Cmd::Properties, [this] { showProperties(); });
}

void PropertiesCommands::showProperties()
{
    // With no current item the path is the root, which is no item: the page says so.
    QString path = m_currentPath();
    if (path.isEmpty())
        path = QStringLiteral("\\");
    {
        PropertiesDialog dialog(m_fileSystem, m_images, path);
        (void)dialog.run(m_owner);
    }
    // Whatever the ending, the attributes may have changed.
    m_afterwards();
}
