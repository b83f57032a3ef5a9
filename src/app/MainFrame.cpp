#include "app/MainFrame.h"

#include "app/HandOff.h"
#include "archive/ArchiveCommands.h"
#include "commands/CommandTable.h"
#include "crypt/CryptCommands.h"
#include "dialogs/JobDialog.h"
#include "dialogs/MessageBox.h"
#include "dialogs/PhoneDialog.h"
#include "dialogs/PhonePage.h"
#include "dialogs/SoftKeyBar.h"
#include "favorites/Favorites.h"
#include "favorites/FavoritesDialog.h"
#include "fileops/FileCommands.h"
#include "filetypes/FileTypeCommands.h"
#include "filetypes/TypeIcons.h"
#include "jobs/Idle.h"
#include "open/Launcher.h"
#include "open/OpenCommands.h"
#include "platform/FileSystem.h"
#include "platform/MountTable.h"
#include "platform/PhonePath.h"
#include "platform/VolumeSpace.h"
#include "properties/PropertiesCommands.h"
#include "resources/Commands.h"
#include "resources/DialogTemplates.h"
#include "resources/KeypadKeys.h"
#include "resources/SizeText.h"
#include "resources/SoftKeyBars.h"
#include "resources/StringTable.h"
#include "search/SearchCommands.h"
#include "transfer/MailCommands.h"
#include "transfer/ObexSendCommands.h"
#include "transfer/ReceiveCommands.h"
#include "tree/FolderCounter.h"
#include "tree/FolderTree.h"
#include "tree/SelectionBand.h"
#include "tree/StatusBar.h"
#include "tree/TreeImageList.h"
#include "tree/TreeNavigation.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

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
    // A folder still being listed stops with the window, before the images its rows use go.
    if (m_tree)
        m_tree->stopAllListings();
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
    if (!bar->setBar(SoftKeyBars::Main))
        return false;  // a main window without its soft keys cannot be used
    connect(bar, &SoftKeyBar::commandTriggered, this, &MainFrame::dispatch);
    connect(bar, &SoftKeyBar::menuAboutToShow, this, &MainFrame::updateMenus);

    m_settings.load();

    m_images = new TreeImageList();
    m_images->setTypeIconSource(&TypeIcons::iconFor);
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
    // What the features ask of the window: the current item, and the refresh after a change.
    const auto current = [this] { return currentPath(); };
    const auto currentIsFile = [this] { return FolderTree::kindOf(currentNode()) == TreeNode::File; };
    const auto changed = [this] {
        updateSelectionSummary();
        updateMenus();
        requestStatusRefresh();
    };
    m_fileCommands = std::make_unique<FileCommands>(m_fileSystem, *m_tree, m_selection, this, changed,
                                                    [this] { updateMenus(); });
    m_archiveCommands = std::make_unique<ArchiveCommands>(m_fileSystem, *m_tree, m_selection, this, changed);
    m_receiveCommands = std::make_unique<ReceiveCommands>(m_fileSystem, *m_tree, this, [this] {
        updateMenus();
        requestStatusRefresh();
    });
    m_launcher = std::make_unique<Launcher>(m_fileSystem);
    m_openCommands = std::make_unique<OpenCommands>(*m_launcher, this, current, currentIsFile,
                                                    [this](int command) { postCommand(command); });
    m_mailCommands = std::make_unique<MailCommands>(m_fileSystem, *m_archiveCommands, m_selection, this, current,
                                                    currentIsFile);
    m_obexSendCommands = std::make_unique<ObexSendCommands>(m_fileSystem, m_selection, this, current, currentIsFile);
    m_searchCommands = std::make_unique<SearchCommands>(
        m_fileSystem, *m_tree, this, [this](const QString& path) { reveal(path); },
        // A failure is told over the results, which stay open after a file was opened.
        [this](const QString& path) {
            QWidget* results = QApplication::activeModalWidget();
            m_launcher->launchItem(results ? results : this, path, QString());
        });
    m_cryptCommands = std::make_unique<CryptCommands>(m_fileSystem, *m_tree, m_selection, this, changed);
    m_propertiesCommands = std::make_unique<PropertiesCommands>(m_fileSystem, *m_images, this, current, [this] {
        m_tree->setFocus();
        requestStatusRefresh();
    });
    m_fileTypeCommands = std::make_unique<FileTypeCommands>(m_fileSystem, *m_launcher, this, current, currentIsFile);
    registerCommands();
    connect(m_tree, &FolderTree::cardItemsRemoved, this, &MainFrame::dropCardEntries);
    // The counts of a big folder come with the end of its listing.
    connect(m_tree, &FolderTree::listingFinished, this, [this](TreeNode* folder) {
        if (m_tree->currentNode() == folder)
            requestStatusRefresh();
    });
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
    if (m_settings.checkZipAssociation)
        postCommand(Cmd::CheckZipAssociation);

    m_mountWatcher = new platform::MountWatcher(this);
    connect(m_mountWatcher, &platform::MountWatcher::changed, this, &MainFrame::applyCards);
    return true;
}

void MainFrame::dispatch(int commandId) { (void)m_commands.run(commandId); }

void MainFrame::postCommand(int commandId, qint64 parameter)
{
    ++m_postedCommands;
    QMetaObject::invokeMethod(
        this,
        [this, commandId, parameter] {
            --m_postedCommands;
            if (commandId == Cmd::HandOffFile)
                takeHandOff(parameter);
            else
                dispatch(commandId);
        },
        Qt::QueuedConnection);
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

void MainFrame::postShow(Shown what, const QString& path)
{
    ++m_postedCommands;
    QMetaObject::invokeMethod(
        this,
        [this, what, path] {
            --m_postedCommands;
            bringToFront();
            reveal(path);
            const TreeNode* shown = currentNode();
            if (what == Shown::OpenFolder && shown && shown->isFolder())
                m_tree->expand(m_tree->currentIndex());
            else if (what == Shown::Properties && shown)
                dispatch(Cmd::Properties);
        },
        Qt::QueuedConnection);
}

const TreeNode* MainFrame::currentNode() const { return m_tree ? m_tree->currentNode() : nullptr; }

QString MainFrame::currentPath() const
{
    const TreeNode* current = currentNode();
    return current ? m_tree->fullPathOf(current) : QString();
}

void MainFrame::registerCommands()
{
    m_commands.add(Cmd::Quit, [this] { quit(); });
    m_commands.add(Cmd::About, [this] { showAbout(); });
    m_commands.add(Cmd::Refresh, [this] { refresh(); });
    m_commands.add(Cmd::HideStatusBar, [this] { toggleStatusBar(); }).checked = [this] {
        return m_settings.statusHidden;
    };
    m_commands.add(Cmd::PageUp, [this] { TreeNavigation::page(*m_tree, true); });
    m_commands.add(Cmd::PageDown, [this] { TreeNavigation::page(*m_tree, false); });
    m_commands.add(Cmd::ParentFolder, [this] { TreeNavigation::parentFolder(*m_tree); });
    m_commands.add(Cmd::SortByName, [this] { sortBy(SortMode::ByName); }).checked = [this] {
        return m_settings.sortMode() == SortMode::ByName;
    };
    m_commands.add(Cmd::SortByType, [this] { sortBy(SortMode::ByType); }).checked = [this] {
        return m_settings.sortMode() == SortMode::ByType;
    };
    m_commands.add(Cmd::MarksAsCheckboxes, [this] { setMarksInBold(false); }).checked = [this] {
        return !m_settings.marksInBold;
    };
    m_commands.add(Cmd::MarksInBold, [this] { setMarksInBold(true); }).checked = [this] {
        return m_settings.marksInBold;
    };
    m_commands.add(Cmd::ShowHidden, [this] { toggleShowHidden(); }).checked = [this] { return m_settings.showHidden; };
    m_fileCommands->registerCommands(m_commands);
    m_archiveCommands->registerCommands(m_commands);
    m_receiveCommands->registerCommands(m_commands);
    m_openCommands->registerCommands(m_commands);
    m_mailCommands->registerCommands(m_commands);
    m_obexSendCommands->registerCommands(m_commands);
    m_searchCommands->registerCommands(m_commands);
    m_propertiesCommands->registerCommands(m_commands);
    m_fileTypeCommands->registerCommands(m_commands);
    m_commands.add(
        Cmd::AddFavorite,
        [this] {
            if (currentNode())
                Favorites(m_settings.favorites).add(currentPath());
        },
        [this] { return currentNode() != nullptr; });
    m_commands.add(Cmd::GoToFavorites, [this] { goToFavorite(); });
    m_cryptCommands->registerCommands(m_commands);
}

void MainFrame::goToFavorite()
{
    Favorites favorites(m_settings.favorites);
    FavoritesDialog dialog(favorites, m_fileSystem, *m_images);
    if (dialog.run(this) != Cmd::Ok)
        return;
    if (dialog.selectedIsFolder())
        reveal(dialog.selectedPath());
    else
        m_launcher->launchItem(this, dialog.selectedPath(), QString());
}

void MainFrame::updateMenus()
{
    if (!m_page)
        return;
    SoftKeyBar* bar = m_page->softKeyBar();
    for (const CommandRow& row : m_commands.rows()) {
        QAction* action = bar->action(row.id);
        if (!action)
            continue;
        action->setEnabled(row.handler && (!row.enabled || row.enabled()));
        if (row.checked) {
            action->setCheckable(true);
            action->setChecked(row.checked());
        }
        if (row.label)
            action->setText(row.label());
    }
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
    // A folder whose listing is still running gets its counts when the listing ends, rather
    // than from a second listing of the same folder.
    if (m_tree->isListing(current))
        return;
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
    for (const KeypadKey& row : KeypadKeys::all()) {
        if (row.key != event->key())
            continue;
        // A row whose rule fails leaves the key to the next row for it, else to the tree.
        if (row.whenEnabled && !m_commands.ruleHolds(row.commandId))
            continue;
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
        platform::MountTable::parse(platform::MountTable::readMountinfo()),
        m_fileSystem.hostPath(QStringLiteral("\\")));
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
    PhoneDialog about(DialogTemplates::About);
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

void MainFrame::sortBy(SortMode mode)
{
    m_settings.setSortMode(mode);
    m_tree->sortAll();
    updateMenus();
}

void MainFrame::setMarksInBold(bool inBold)
{
    m_settings.marksInBold = inBold;
    m_tree->treeModel()->setMarksInBold(inBold);
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

void MainFrame::toggleSelection(TreeNode* item) { m_fileCommands->toggleSelection(item); }

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
