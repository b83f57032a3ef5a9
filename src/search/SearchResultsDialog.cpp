#include "search/SearchResultsDialog.h"

#include "dialogs/MessageBox.h"
#include "dialogs/SoftKeyBar.h"
#include "jobs/AsideTask.h"
#include "jobs/Idle.h"
#include "resources/Commands.h"
#include "resources/DialogTemplates.h"
#include "resources/StringTable.h"
#include "resources/UnnumberedTexts.h"
#include "search/SearchResultsModel.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace {

// The list starts this far below the top of the dialog's content, under the two texts.
constexpr int ListTop = 23;
constexpr int NameWidth = 120;
constexpr int FolderWidth = 400;
// Rows put in the list in one turn of the event loop: a few milliseconds of work.
constexpr size_t RowsPerTurn = 2000;

}  // namespace

SearchResultsDialog::SearchResultsDialog(platform::FileSystem& fileSystem, SearchRequest request, OpenFile openFile,
                                         QWidget* parent)
    : PhoneDialog(DialogTemplates::SearchResults, parent),
      m_fileSystem(fileSystem),
      m_request(std::move(request)),
      m_openFile(std::move(openFile)),
      m_model(new SearchResultsModel(this))
{
    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    auto* texts = new QWidget;
    texts->setFixedHeight(ListTop);
    auto* row = new QHBoxLayout(texts);
    row->setContentsMargins(4, 0, 4, 0);
    m_count = new QLabel(Str::argInt(Str::FoundItems, 0));
    m_searchingText = new QLabel(Txt::text(Txt::Searching));
    row->addWidget(m_count, 1);
    row->addWidget(m_searchingText);
    column->addWidget(texts);

    m_list = new QTreeView;
    m_list->setModel(m_model);
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setUniformRowHeights(true);  // a list of many rows lays out in no time
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setAllColumnsShowFocus(true);
    m_list->header()->setStretchLastSection(false);
    m_list->header()->resizeSection(SearchResultsModel::NameColumn, NameWidth);
    m_list->header()->resizeSection(SearchResultsModel::FolderColumn, FolderWidth);
    // The kind of each row is kept in a column of its own that is never shown.
    m_list->setColumnHidden(SearchResultsModel::KindColumn, true);
    column->addWidget(m_list, 1);
    setContent(content);

    // `wait idle` in a keypad script waits for the search, as a person waits for "Done".
    Idle::registerProbe(this, [this] { return m_searching; });
}

SearchResultsDialog::~SearchResultsDialog()
{
    // The worker reads this dialog's members and posts to it: it ends before they do.
    m_stop = true;
    m_stop.notify_all();
    m_worker.stop();
}

bool SearchResultsDialog::initialise()
{
    m_stop = false;
    m_foundCount = 0;
    m_searching = true;
    m_iconSourcesLoaded = false;
    const bool started = m_worker.start([this](std::stop_token) {
        // What the first rows' icons need is loaded beside the walk, not by the window while it
        // paints them; with no thread to be had, it is loaded here first.
        AsideTask<void> iconSources([this] { loadIconSources(); });
        const bool aside = iconSources.aside();
        if (!aside)
            iconSources.get();
        SearchWalk walk(m_fileSystem, m_request);
        walk.run(m_stop, [this](SearchHit&& hit) { deliver(std::move(hit)); });
        if (aside)
            iconSources.get();
        m_worker.post([this] { finished(); });
    });
    if (!started) {
        // No search, and a dialog that can still be left: it is as if the search had ended
        // at once with nothing found.
        MessageBox::error(this, Str::text(Str::SearchThreadFailed));
        m_workerEnded = true;
        completeSearch();
    }
    updateMenuState();
    m_list->setFocus();
    return true;
}

void SearchResultsDialog::deliver(SearchHit&& hit)
{
    bool ask = false;
    {
        std::lock_guard lock(m_inboxMutex);
        m_inbox.push_back(std::move(hit));
        ask = !std::exchange(m_batchAsked, true);
    }
    // One call at a time is on its way: it takes every find that came meanwhile.
    if (ask)
        m_worker.post([this] { takeFinds(); });
}

void SearchResultsDialog::loadIconSources()
{
    SearchResultsModel::loadIconSources();
    bool ask = false;
    {
        std::lock_guard lock(m_inboxMutex);
        m_iconSourcesLoaded = true;
        // Finds that came meanwhile were left in the inbox, with a batch still counted as
        // asked for: they are asked for here. The call is posted on the worker's behalf, which
        // waits for this task before it ends.
        ask = !m_inbox.empty();
        m_batchAsked = m_batchAsked || ask;
    }
    if (ask)
        m_worker.post([this] { takeFinds(); });
}

void SearchResultsDialog::takeFinds()
{
    {
        std::lock_guard lock(m_inboxMutex);
        // No row goes in, and so no icon is looked up, before the icons' sources are loaded and
        // handed over under this lock. The batch stays asked for: the loading asks for it.
        if (!m_iconSourcesLoaded)
            return;
        std::move(m_inbox.begin(), m_inbox.end(), std::back_inserter(m_backlog));
        m_inbox.clear();
        m_batchAsked = false;
    }
    const auto count = static_cast<std::ptrdiff_t>(std::min(m_backlog.size(), RowsPerTurn));
    if (count > 0) {
        std::vector<SearchHit> batch(std::make_move_iterator(m_backlog.begin()),
                                     std::make_move_iterator(m_backlog.begin() + count));
        m_backlog.erase(m_backlog.begin(), m_backlog.begin() + count);
        m_foundCount += static_cast<int>(batch.size());
        m_model->append(std::move(batch));
        m_count->setText(Str::argInt(Str::FoundItems, m_foundCount));
        updateMenuState();
    }
    if (!m_backlog.empty()) {
        // The rest on a later turn of the event loop, after what waits to be painted or pressed.
        if (!std::exchange(m_backlogAsked, true))
            QMetaObject::invokeMethod(
                this,
                [this] {
                    m_backlogAsked = false;
                    takeFinds();
                },
                Qt::QueuedConnection);
    } else if (m_workerEnded) {
        completeSearch();
    }
}

void SearchResultsDialog::finished()
{
    m_worker.join();
    m_workerEnded = true;
    // Queued after the worker's last find: whatever it still holds goes in first.
    takeFinds();
}

void SearchResultsDialog::completeSearch()
{
    if (!m_searching)
        return;
    m_searching = false;
    softKeyBar()->setLabel(SoftKeyBar::Left, Str::text(Str::Done));
    m_searchingText->hide();
    if (m_model->rowCount() > 0 && selectedRow() < 0) {
        const QModelIndex first = m_model->index(0, 0);
        m_list->setCurrentIndex(first);
        m_list->scrollTo(first);
        m_list->setFocus();
    }
    updateMenuState();
}

void SearchResultsDialog::stopSearch()
{
    // The rows found so far stay; the key reads "Stop" until the worker has really ended.
    m_stop = true;
    m_stop.notify_all();
}

void SearchResultsDialog::updateMenuState()
{
    const auto enable = [this](int commandId, bool enabled) {
        if (QAction* action = softKeyBar()->action(commandId))
            action->setEnabled(enabled);
    };
    enable(Cmd::NewSearch, !m_searching);
    enable(Cmd::BackToCriteria, !m_searching);
    enable(Cmd::RevealInTree, !m_searching && m_model->rowCount() > 0);
    enable(Cmd::OpenOrExecute, true);
}

int SearchResultsDialog::selectedRow() const
{
    const QModelIndex current = m_list->currentIndex();
    return current.isValid() ? current.row() : -1;
}

bool SearchResultsDialog::onCommand(int commandId)
{
    switch (commandId) {
    case Cmd::Stop:
        if (m_searching)
            stopSearch();
        else
            end(Cmd::Stop);
        return true;
    case Cmd::Ok:
        if (selectedRow() >= 0)
            return onCommand(Cmd::OpenOrExecute);
        if (m_searching)
            stopSearch();
        else
            end(Cmd::Ok);
        return true;
    case Cmd::OpenOrExecute: {
        const int row = selectedRow();
        if (row < 0)
            return true;
        const SearchHit& hit = m_model->hit(row);
        m_resultPath = hit.fullPath();
        if (hit.isFolder)
            QMetaObject::invokeMethod(
                this, [this] { sendCommand(Cmd::RevealInTree); }, Qt::QueuedConnection);
        else if (m_openFile)
            m_openFile(m_resultPath);  // the dialog stays open after a file was opened
        return true;
    }
    case Cmd::RevealInTree: {
        const int row = selectedRow();
        if (row < 0)
            return true;
        m_resultPath = m_model->hit(row).fullPath();
        end(Cmd::RevealInTree);
        return true;
    }
    case Cmd::NewSearch:
    case Cmd::BackToCriteria:
        if (!m_searching)
            end(commandId);
        return true;
    default: return false;
    }
}

// The action key acts on the row the user is on; the list has no use for it itself.
void SearchResultsDialog::keyPressEvent(QKeyEvent* event)
{
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !softKeyBar()->handleKey(event)) {
        if (!event->isAutoRepeat())
            sendCommand(Cmd::Ok);
        return;
    }
    PhoneDialog::keyPressEvent(event);
}
