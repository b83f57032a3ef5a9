#include "fileops/DeleteSelectionDialog.h"

#include "resources/DialogTemplates.h"
#include "resources/StringTable.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

DeleteSelectionDialog::DeleteSelectionDialog(const QStringList& paths, QWidget* parent)
    : PhoneDialog(DialogTemplates::DeleteSelection, parent)
{
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(4, 4, 4, 4);
    auto* notice = new QLabel(Str::text(Str::DeleteListNotice));
    notice->setWordWrap(true);
    auto* warning = new QLabel(Str::text(Str::DeleteListWarning));
    warning->setWordWrap(true);
    QFont bold = warning->font();
    bold.setBold(true);
    warning->setFont(bold);
    m_list = new QListWidget;
    m_list->addItems(paths);
    m_list->sortItems(Qt::AscendingOrder);
    layout->addWidget(notice);
    layout->addWidget(warning);
    layout->addWidget(m_list, 1);
    setContent(content);
}

bool DeleteSelectionDialog::initialise()
{
    if (m_list->count() > 0)
        m_list->setCurrentRow(0);
    m_list->setFocus();
    return true;
}
