#include "search/SearchCommands.h"

#include "commands/CommandTable.h"
#include "platform/PhonePath.h"
#include "resources/Commands.h"
#include "search/SearchCriteria.h"
#include "search/SearchCriteriaDialog.h"
#include "search/SearchResultsDialog.h"
#include "tree/FolderTree.h"

#include <QApplication>

void SearchCommands::registerCommands(CommandTable& table)
{
    table.add(Cmd::Find, [this] { find(); });
}

QString SearchCommands::currentFolder() const
{
    const TreeNode* current = m_tree.currentNode();
    if (!current)
        return QString();
    const QString path = m_tree.fullPathOf(current);
    if (FolderTree::kindOf(current) == TreeNode::File)
        return platform::PhonePath::splitLast(path).folder;
    return path == u"\\" ? QString() : path;
}

void SearchCommands::find()
{
    const QString folder = currentFolder();
    SearchCriteria criteria;
    // The root has no name of its own: it is shown as "\".
    criteria.folderName = folder.isEmpty() ? QStringLiteral("\\") : platform::PhonePath::splitLast(folder).name;
    for (;;) {
        SearchCriteriaDialog criteriaDialog(criteria);
        if (criteriaDialog.run(m_owner) != Cmd::Ok)
            return;
        SearchRequest request;
        request.pattern = criteria.pattern;
        request.root = criteria.wholePhone ? QString() : folder;
        request.searchSystem = criteria.searchSystem;
        request.searchHidden = criteria.searchHidden;
        request.includeSubfolders = criteria.includeSubfolders;
        QWidget* active = QApplication::activeWindow();
        SearchResultsDialog results(m_fileSystem, request, m_openFile);
        const int code = results.run(active ? active : m_owner);
        switch (code) {
        case Cmd::Stop: return;
        case Cmd::RevealInTree: m_reveal(results.resultPath()); return;
        case Cmd::NewSearch: criteria.resetForNewSearch(); break;
        case Cmd::BackToCriteria: criteria.pattern = SearchCriteria::patternShownAgain(criteria.pattern); break;
        default: break;  // back to the criteria as they were
        }
    }
}
