#include "app/MainFrame.h"

#include "app/HandOff.h"
#include "archive/ArchiveCommands.h"
#include "archive/ZipAssociation.h"
#include "app/Idle.h"
#include "dialogs/JobDialog.h"
#include "dialogs/MessageBox.h"
#include "dialogs/PhoneDialog.h"
#include "dialogs/PhonePage.h"
#include "dialogs/SoftKeyBar.h"
#include "fileops/FileCommands.h"
#include "resources/DialogTemplates.h"
#include "platform/FileSystem.h"
#include "platform/MountTable.h"
#include "platform/PhonePath.h"
#include "platform/VolumeSpace.h"
#include "resources/Commands.h"
#include "resources/StringTable.h"
#include "tree/FolderTree.h"
#include "tree/SelectionBand.h"
#include "tree/StatusBar.h"
#include "tree/FolderCounter.h"
#include "tree/SizeText.h"
#include "tree/TreeImageList.h"
#include "tree/TreeNavigation.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

#include <span>

using Entry = MainFrame::CommandEntry;

std::span<const MainFrame::CommandEntry> MainFrame::commandTable()
{
    static const Entry table[] = {
    {Cmd::Quit, &MainFrame::quit, nullptr},
    {Cmd::About, &MainFrame::showAbout, nullptr},
    {Cmd::Open, nullptr, "opening files and running commands"},
    {Cmd::OpenWith, nullptr, "the open-with list"},
    {Cmd::Run, nullptr, "opening files and running commands"},
    {Cmd::ManageFileTypes, nullptr, "the file type manager"},
    {Cmd::NewFile, &MainFrame::newFile, nullptr},
    {Cmd::NewFolder, &MainFrame::newFolder, nullptr},
    {Cmd::Rename, &MainFrame::renameItem, nullptr},
    {Cmd::DeleteCurrent, &MainFrame::deleteCurrent, nullptr},
    {Cmd::DeleteSelection, &MainFrame::deleteSelection, nullptr},
    {Cmd::Properties, nullptr, "properties"},
    {Cmd::Encrypt, nullptr, "encryption"},
    {Cmd::SendFileEmail, nullptr, "sending by e-mail and MMS"},
    {Cmd::SendFileMms, nullptr, "sending by e-mail and MMS"},
    {Cmd::SendFileObex, nullptr, "sending over OBEX"},
    {Cmd::SendSelectionObex, nullptr, "sending over OBEX"},
    {Cmd::ReceiveInfrared, nullptr, "receiving over OBEX"},
    {Cmd::ZipSelection, &MainFrame::zipSelection, nullptr},
    {Cmd::ZipSelectionAndMail, nullptr, "sending by e-mail and MMS"},
    {Cmd::UnzipHere, &MainFrame::unzipHere, nullptr},
    {Cmd::UnzipTo, &MainFrame::unzipTo, nullptr},
    {Cmd::CheckZipAssociation, &MainFrame::checkZipAssociation, nullptr},
    {Cmd::SelectItem, &MainFrame::toggleCurrent, nullptr},
    {Cmd::ClearSelection, &MainFrame::clearSelection, nullptr},
    {Cmd::SelectAllInFolder, &MainFrame::selectAllInFolder, nullptr},
    {Cmd::CutSelection, &MainFrame::cutSelection, nullptr},
    {Cmd::CopySelection, &MainFrame::copySelection, nullptr},
    {Cmd::PasteSelection, &MainFrame::pasteSelection, nullptr},
    {Cmd::PasteShortcut, &MainFrame::pasteShortcuts, nullptr},
    {Cmd::AddFavorite, nullptr, "favorites"},
    {Cmd::GoToFavorites, nullptr, "favorites"},
    {Cmd::Refresh, &MainFrame::refresh, nullptr},
    {Cmd::HideStatusBar, &MainFrame::toggleStatusBar, nullptr},
    {Cmd::PageUp, &MainFrame::pageUp, nullptr},
    {Cmd::PageDown, &MainFrame::pageDown, nullptr},
    {Cmd::ParentFolder, &MainFrame::parentFolder, nullptr},
    {Cmd::SortByName, &MainFrame::sortByName, nullptr},
    {Cmd::SortByType, &MainFrame::sortByType, nullptr},
    {Cmd::MarksAsCheckboxes, &MainFrame::marksAsCheckBoxes, nullptr},
    {Cmd::MarksInBold, &MainFrame::marksInBold, nullptr},
    {Cmd::ShowHidden, &MainFrame::toggleShowHidden, nullptr},
    {Cmd::Find, nullptr, "search"},
    };
    return table;
}

// One row of the keypad table: the key, the condition under which the frame takes it, and
// the command it runs. A key whose condition fails is left to the tree.
struct MainFrame::KeypadEntry {
    enum Condition { Always, CurrentIsFile, CurrentIsZip, SelectionNotEmpty, PendingNotNone, PendingIsCopy };
    int key;
    Condition condition;
    int commandId;
    bool posted;
};

namespace {

using Key = MainFrame::KeypadEntry;

const Key KeypadTable[] = {
    // The action key on an archive unpacks it beside itself; on another file it opens it.
    {Qt::Key_Return, Key::CurrentIsZip, Cmd::UnzipHere, true},
    {Qt::Key_Enter, Key::CurrentIsZip, Cmd::UnzipHere, true},
    {Qt::Key_Return, Key::CurrentIsFile, Cmd::Open, true},
    {Qt::Key_Enter, Key::CurrentIsFile, Cmd::Open, true},
    {Qt::Key_0, Key::Always, Cmd::ParentFolder, true},
    {Qt::Key_1, Key::SelectionNotEmpty, Cmd::CutSelection, false},
    {Qt::Key_2, Key::SelectionNotEmpty, Cmd::CopySelection, false},
    {Qt::Key_3, Key::PendingNotNone, Cmd::PasteSelection, false},
    {Qt::Key_4, Key::PendingIsCopy, Cmd::PasteShortcut, false},
    {Qt::Key_5, Key::Always, Cmd::Properties, true},
    {Qt::Key_6, Key::Always, Cmd::Refresh, false},
    {Qt::Key_7, Key::Always, Cmd::PageUp, false},
    {Qt::Key_8, Key::Always, Cmd::GoToFavorites, true},
    {Qt::Key_9, Key::Always, Cmd::PageDown, false},
    {Qt::Key_Asterisk, Key::Always, Cmd::SelectItem, false},
    {Qt::Key_F8, Key::Always, Cmd::SelectItem, false},
    {Qt::Key_NumberSign, Key::SelectionNotEmpty, Cmd::ClearSelection, false},
    {Qt::Key_F9, Key::SelectionNotEmpty, Cmd::ClearSelection, false},
};

}  // namespace

const MainFrame::CommandEntry* MainFrame::findCommand(int commandId)
{
    for (const Entry& entry : commandTable())
        if (entry.id == commandId)
            return &entry;
    return nullptr;
}

bool MainFrame::isAvailable(int commandId)
{
    const Entry* entry = findCommand(commandId);
    return entry && entry->handler;
}

MainFrame::MainFrame(platform::FileSystem& fileSystem, QWidget* parent)
    : QWidget(parent),
      m_fileSystem(fileSystem),
      m_statusTimer({[this](int interval) { m_statusTicker.start(interval); }, [this] { m_statusTicker.stop(); }},
                    [this] { computeStatusLine(); })
{
    connect(&m_statusTicker, &QTimer::timeout, this, [this] { m_statusTimer.tick(); });
    // A keypad script's `wait idle` waits for the status line and for posted commands.
    m_counter = std::make_unique<FolderCounter>(m_fileSystem, this, [this](qint64 folders, qint64 files) {
        m_statusBar->setSecondLine(Str::argInts(Str::FolderCounts, folders, files));
        ++m_countsShown;
    });
    Idle::registerProbe(this, [this] {
        return m_statusTimer.isRunning() || m_postedCommands > 0 || m_counter->isRunning() || JobDialog::isBusy();
    });
}

MainFrame::~MainFrame()
{
    m_counter->stop();
    if (!m_saved)
        m_settings.save();
    delete m_images;
}

bool MainFrame::create()
{
    setWindowTitle(Str::text(Str::AppTitle));
    m_page = new PhonePage(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_page);
    SoftKeyBar* bar = m_page->softKeyBar();
    if (!bar->setBar(1))
        return false;  // a main window without its soft keys cannot be used
    connect(bar, &SoftKeyBar::commandTriggered, this, &MainFrame::dispatch);
    connect(bar, &SoftKeyBar::menuAboutToShow, this, &MainFrame::updateMenus);

    m_settings.load();

    m_images = new TreeImageList();
    auto* content = new QWidget(m_page);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_selectionBand = new SelectionBand(content);
    m_tree = new FolderTree(m_fileSystem, m_settings, *m_images, content);
    m_statusBar = new StatusBar(content);
    column->addWidget(m_selectionBand);
    column->addWidget(m_tree, 1);
    column->addWidget(m_statusBar);
    m_page->setContent(content);
    m_statusBar->setVisible(!m_settings.statusHidden);
    m_tree->setSelectionMarks(&m_selection);
    m_fileCommands = std::make_unique<FileCommands>(m_fileSystem, *m_tree, m_selection, m_pendingOp, this, [this] {
        updateSelectionSummary();
        updateMenus();
        requestStatusRefresh();
    });
    m_archiveCommands = std::make_unique<ArchiveCommands>(m_fileSystem, *m_tree, m_selection, this, [this] {
        updateSelectionSummary();
        updateMenus();
        requestStatusRefresh();
    });
    connect(m_tree, &FolderTree::cardItemsRemoved, this, &MainFrame::dropCardEntries);
    m_tree->installEventFilter(this);
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] {
        updateMenus();
        requestStatusRefresh();
    });

    m_cardPaths = platform::MountTable::cardPaths(platform::MountTable::parse(platform::MountTable::readMountinfo()),
                                                  m_fileSystem.hostPath(QStringLiteral("\\")));
    m_images->setCardPaths(m_cardPaths);

    updateMenus();
    m_tree->populate(QString(), nullptr);
    m_tree->setFocus();
    m_tree->treeModel()->setMarksInBold(m_settings.marksInBold);
    activateWindow();
    if (m_settings.checkZipAssociation == 1)
        postCommand(Cmd::CheckZipAssociation);

    m_mountWatcher = new platform::MountWatcher(this);
    connect(m_mountWatcher, &platform::MountWatcher::changed, this, &MainFrame::applyCards);
    return true;
}

void MainFrame::dispatch(int commandId)
{
    const Entry* entry = findCommand(commandId);
    if (entry && entry->handler)
        (this->*(entry->handler))();
}

void MainFrame::postCommand(int commandId, qint64 parameter)
{
    ++m_postedCommands;
    QMetaObject::invokeMethod(this, [this, commandId, parameter] {
        --m_postedCommands;
        if (commandId == Cmd::HandOffFile)
            takeHandOff(parameter);
        else
            dispatch(commandId);
    }, Qt::QueuedConnection);
}

void MainFrame::actOnPath(const QString& path)
{
    // Only a ZIP archive is acted on: the user is asked where to unpack it.
    if (!path.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive))
        return;
    m_archiveCommands->unzipHandedOver(HandOff::pathToHost(path));
}

void MainFrame::takeHandOff(qint64 bytes)
{
    const QString path = HandOff::take(HandOff::fileName(), bytes);
    if (!path.isNull())
        actOnPath(path);
}

void MainFrame::bringToFront()
{
    QWidget* front = QApplication::activeModalWidget();
    if (!front)
        front = this;
    front->show();
    front->raise();
    front->activateWindow();
}

bool MainFrame::hasCurrentItem() const { return m_tree && m_tree->currentNode(); }

void MainFrame::updateMenus()
{
    if (!m_page)
        return;
    SoftKeyBar* bar = m_page->softKeyBar();
    const TreeNode* current = m_tree ? m_tree->currentNode() : nullptr;
    const int kind = FolderTree::kindOf(current);
    const QString path = current ? m_tree->fullPathOf(current) : QString();
    const bool selection = !m_selection.isEmpty();
    const bool isZip = path.endsWith(QLatin1String(".zip"), Qt::CaseInsensitive);
    // Select all needs a folder above the item that is not itself an entry.
    const bool parentFree = current && current->parent && current->parent->parent
                         && m_selection.find(m_tree->fullPathOf(current->parent)) < 0;
    static const QStringList mmsTypes = {QStringLiteral("3gp"), QStringLiteral("amr"), QStringLiteral("gif"),
                                         QStringLiteral("jpg"), QStringLiteral("jpeg")};
    const bool mmsType = std::any_of(mmsTypes.begin(), mmsTypes.end(),
                                     [&](const QString& type) { return path.endsWith(type, Qt::CaseInsensitive); });

    const struct { int id; bool enabled; } rules[] = {
        {Cmd::Open, kind >= 2}, {Cmd::OpenWith, kind >= 2}, {Cmd::SendFileObex, kind >= 2},
        {Cmd::SendFileEmail, kind >= 2}, {Cmd::SendFileMms, kind >= 2 && mmsType},
        {Cmd::DeleteCurrent, current != nullptr}, {Cmd::DeleteSelection, selection},
        {Cmd::ZipSelection, selection}, {Cmd::ZipSelectionAndMail, selection}, {Cmd::SendSelectionObex, selection},
        {Cmd::UnzipHere, isZip}, {Cmd::UnzipTo, isZip}, {Cmd::Encrypt, kind == 2},
        {Cmd::SelectAllInFolder, parentFree}, {Cmd::AddFavorite, current != nullptr},
        {Cmd::CutSelection, selection}, {Cmd::CopySelection, selection}, {Cmd::ClearSelection, selection},
        {Cmd::PasteSelection, m_pendingOp != 0}, {Cmd::PasteShortcut, m_pendingOp == 1},
        {Cmd::SelectItem, current != nullptr},
    };
    for (const Entry& entry : commandTable())
        if (QAction* action = bar->action(entry.id))
            action->setEnabled(entry.handler != nullptr);
    for (const auto& rule : rules)
        if (QAction* action = bar->action(rule.id))
            action->setEnabled(action->isEnabled() && rule.enabled);

    const struct { int id; bool checked; } checks[] = {
        {Cmd::SortByName, m_settings.sortMode == 0}, {Cmd::SortByType, m_settings.sortMode == 1},
        {Cmd::MarksAsCheckboxes, !m_settings.marksInBold}, {Cmd::MarksInBold, m_settings.marksInBold},
        {Cmd::HideStatusBar, m_settings.statusHidden}, {Cmd::ShowHidden, m_settings.showHidden},
    };
    for (const auto& check : checks)
        if (QAction* action = bar->action(check.id)) {
            action->setCheckable(true);
            action->setChecked(check.checked);
        }
    if (QAction* action = bar->action(Cmd::Encrypt))
        action->setText(Str::text(path.endsWith(QLatin1String("crf"), Qt::CaseInsensitive) ? Str::Decrypt : Str::Crypt));
    if (QAction* action = bar->action(Cmd::SelectItem))
        action->setText(Str::text(current && current->marked ? Str::DeselectItem : Str::SelectItem));
}

void MainFrame::requestStatusRefresh()
{
    // A new request stops the count of the folder before: its result would be stale.
    m_counter->stop();
    m_statusTimer.request(m_settings.statusHidden);
}

void MainFrame::computeStatusLine()
{
    ++m_statusComputations;
    const TreeNode* current = m_tree->currentNode();
    if (!current) {
        // Nothing is current when the last item went away (a card that was the only one): the
        // status bar must not go on describing it.
        m_statusBar->setLines(QStringLiteral(" "), QStringLiteral("0"));
        m_statusBar->setIndicators(0);
        return;
    }
    const QString path = m_tree->fullPathOf(current);
    // The counts of a folder the tree has just listed come with that listing. They are taken
    // by the first computation after it, whatever it is for, so that they never stand in for
    // a count made later.
    qint64 folders = 0;
    qint64 files = 0;
    const bool listedJustNow = m_tree->takeListingCounts(path, m_settings.showHidden, folders, files);
    platform::FindData item;
    if (m_fileSystem.lookUp(path, item) != platform::FsError::None)
        return;
    m_statusBar->setIndicators(item.attributes);
    const QString date = StatusBar::timeText(item.lastWriteTime);
    if (!item.isFolder()) {
        m_statusBar->setLines(date, sizeText(item.size));
        return;
    }
    if (m_images->isCard(path)) {
        qint64 total = 0;
        qint64 available = 0;
        if (platform::volumeSpace(m_fileSystem.hostPath(path), total, available))
            m_statusBar->setLines(Str::argReal(Str::CardSize, static_cast<float>(total) / 1048576.0f),
                                  Str::argReal(Str::CardFree, static_cast<float>(available) / 1048576.0f));
        else
            m_statusBar->setLines(date, Str::text(Str::ErrorCaption));
        return;
    }
    // A folder just listed for the tree is not listed again.
    if (listedJustNow) {
        m_statusBar->setLines(date, Str::argInts(Str::FolderCounts, folders, files));
        ++m_countsShown;
        return;
    }
    m_statusTimer.clearPending();
    m_statusBar->setLines(date, Str::text(Str::Calculating));
    m_counter->start(path, m_settings.showHidden);
}

bool MainFrame::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_tree) {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)
                m_statusTimer.arrowPressed();
            if (m_page->softKeyBar()->handleKey(key) || handleKeypad(key))
                return true;
        } else if (event->type() == QEvent::KeyRelease) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (!key->isAutoRepeat() && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down))
                m_statusTimer.arrowReleased();
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool MainFrame::handleKeypad(QKeyEvent* event)
{
    for (const Key& row : KeypadTable) {
        if (row.key != event->key())
            continue;
        bool applies = false;
        switch (row.condition) {
        case Key::Always: applies = true; break;
        case Key::CurrentIsFile: applies = FolderTree::kindOf(m_tree->currentNode()) >= 2; break;
        case Key::CurrentIsZip:
            applies = FolderTree::kindOf(m_tree->currentNode()) >= 2
                   && m_tree->fullPathOf(m_tree->currentNode()).endsWith(QLatin1String(".zip"), Qt::CaseInsensitive);
            if (!applies)
                continue;  // the next row for this key decides
            break;
        case Key::SelectionNotEmpty: applies = !m_selection.isEmpty(); break;
        case Key::PendingNotNone: applies = m_pendingOp != 0; break;
        case Key::PendingIsCopy: applies = m_pendingOp == 1; break;
        }
        if (!applies)
            return false;
        if (row.posted)
            postCommand(row.commandId);
        else
            dispatch(row.commandId);
        return true;
    }
    return false;
}

void MainFrame::closeEvent(QCloseEvent* event)
{
    m_settings.save();
    m_saved = true;
    event->accept();
}

void MainFrame::applyCards()
{
    const QStringList now = platform::MountTable::cardPaths(
        platform::MountTable::parse(platform::MountTable::readMountinfo()), m_fileSystem.hostPath(QStringLiteral("\\")));
    const QStringList before = m_cardPaths;
    m_cardPaths = now;
    m_images->setCardPaths(now);
    for (const QString& card : before)
        if (!now.contains(card))
            m_tree->cardRemoved(card);
    for (const QString& card : now)
        if (!before.contains(card))
            m_tree->cardInserted(card);
}

void MainFrame::quit() { close(); }

void MainFrame::showAbout()
{
    PhoneDialog about(DialogTemplate{116, QStringLiteral("About Fennick"), 4, BackKeyMode::None, false, false});
    auto* text = new QLabel(QStringLiteral("%1\nversion %2\n\nA file manager for keypad devices.")
                                .arg(Str::text(Str::AppTitle), QStringLiteral(FENNICK_VERSION)));
    text->setAlignment(Qt::AlignCenter);
    text->setWordWrap(true);
    about.setContent(text);
    (void)about.run(this);
    m_tree->setFocus();
}

void MainFrame::toggleStatusBar()
{
    m_settings.statusHidden = !m_settings.statusHidden;
    m_statusBar->setVisible(!m_settings.statusHidden);
    if (!m_settings.statusHidden)
        requestStatusRefresh();
    updateMenus();
}

void MainFrame::sortByName()
{
    m_settings.sortMode = 0;
    m_tree->sortAll();
    updateMenus();
}

void MainFrame::sortByType()
{
    m_settings.sortMode = 1;
    m_tree->sortAll();
    updateMenus();
}

void MainFrame::marksAsCheckBoxes()
{
    m_settings.marksInBold = false;
    m_tree->treeModel()->setMarksInBold(false);
    updateMenus();
}

void MainFrame::marksInBold()
{
    m_settings.marksInBold = true;
    m_tree->treeModel()->setMarksInBold(true);
    updateMenus();
}

void MainFrame::toggleShowHidden()
{
    if (MessageBox::question(this, Str::text(Str::ResetViewQuestion)) != Cmd::Yes)
        return;
    m_settings.showHidden = !m_settings.showHidden;
    m_tree->resetToTopLevel();
    m_tree->setCurrentNode(m_tree->topLevelNode(0));
    updateMenus();
}

void MainFrame::parentFolder() { TreeNavigation::parentFolder(*m_tree); }
void MainFrame::pageUp() { TreeNavigation::page(*m_tree, true); }
void MainFrame::pageDown() { TreeNavigation::page(*m_tree, false); }

void MainFrame::refresh()
{
    TreeNavigation::refresh(*m_tree);
    updateMenus();
}

void MainFrame::reveal(const QString& path)
{
    if (TreeNavigation::reveal(*m_tree, m_fileSystem, path) == TreeNavigation::RevealResult::NotInTree)
        MessageBox::error(this, Str::text(Str::RevealNotFound));
    m_tree->setFocus();
}

void MainFrame::toggleCurrent() { m_fileCommands->toggleSelection(m_tree->currentNode()); }
void MainFrame::toggleSelection(TreeNode* item) { m_fileCommands->toggleSelection(item); }
void MainFrame::clearSelection() { m_fileCommands->clearSelection(); }
void MainFrame::selectAllInFolder() { m_fileCommands->selectAllInFolder(); }
void MainFrame::deleteCurrent() { m_fileCommands->deleteCurrent(); }
void MainFrame::deleteSelection() { m_fileCommands->deleteSelection(); }
void MainFrame::newFile() { m_fileCommands->newItem(true); }
void MainFrame::newFolder() { m_fileCommands->newItem(false); }
void MainFrame::renameItem() { m_fileCommands->renameItem(); }
void MainFrame::pasteSelection() { m_fileCommands->pasteSelection(); }
void MainFrame::pasteShortcuts() { m_fileCommands->pasteShortcuts(); }
void MainFrame::zipSelection() { m_archiveCommands->zipSelection(); }
void MainFrame::unzipHere() { m_archiveCommands->unzipHere(); }
void MainFrame::unzipTo() { m_archiveCommands->unzipTo(); }
void MainFrame::checkZipAssociation() { (void)ZipAssociation::check(ZipAssociation::modulePath()); }

void MainFrame::updateSelectionSummary()
{
    const Selection::Totals totals = m_selection.totals();
    m_selectionBand->showSummary(totals.folders, totals.files, totals.bytes);
}

void MainFrame::dropCardEntries(const QString& cardPath)
{
    bool removed = false;
    for (int i = m_selection.count() - 1; i >= 0; --i)
        if (platform::PhonePath::same(m_selection.at(i).path, cardPath)
            || platform::PhonePath::within(m_selection.at(i).path, cardPath)) {
            m_selection.removeAt(i);
            removed = true;
        }
    if (removed)
        updateSelectionSummary();
    // The current item may have gone with the card without the view saying so (when nothing
    // is left to take its place): the menus and the status line follow what is current now.
    updateMenus();
    requestStatusRefresh();
}

void MainFrame::cutSelection()
{
    m_pendingOp = 2;
    updateMenus();
}

void MainFrame::copySelection()
{
    m_pendingOp = 1;
    updateMenus();
}
