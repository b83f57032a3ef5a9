#pragma once

#include "app/StatusTimer.h"
#include "commands/CommandTable.h"
#include "fileops/Selection.h"
#include "settings/Settings.h"

#include <QTimer>
#include <QWidget>

#include <memory>

class ArchiveCommands;
class ReceiveCommands;
class Launcher;
class OpenCommands;
class MailCommands;
class ObexSendCommands;
class CryptCommands;
class PropertiesCommands;
class FileTypeCommands;
class FileCommands;
class FolderCounter;
class SearchCommands;
class FolderTree;
class PhonePage;
class SelectionBand;
class StatusBar;
class TreeImageList;
struct TreeNode;
namespace platform {
class FileSystem;
class MountWatcher;
}  // namespace platform

// Fennick's one top-level window: the phone page with the selection band, the folder tree and
// the status bar, driven by the soft keys and the keypad. It owns the settings and turns every
// command and key into a call on the code that does the work, keeping the menus in line with
// the current item, the selection and the settings.
class MainFrame : public QWidget {
    Q_OBJECT
public:
    explicit MainFrame(platform::FileSystem& fileSystem, QWidget* parent = nullptr);
    ~MainFrame() override;

    // The creation sequence; false when the window cannot be made (the process ends with 1).
    [[nodiscard]] bool create();

    // Runs a command now, as a menu choice does. Commands whose work is not available are
    // ignored, as their menu items are disabled.
    void dispatch(int commandId);
    // Queues a command behind the events already waiting, as a posted message is.
    void postCommand(int commandId, qint64 parameter = 0);

    // Acts on a path handed over at start or by a second start.
    void actOnPath(const QString& path);
    // A second start wrote `bytes` bytes to the hand-off file.
    void takeHandOff(qint64 bytes);
    // Brings the window, or the dialog open over it, to the front.
    void bringToFront();
    // Another program asked to see an item: the window comes forward and the tree opens down
    // to it; a folder may be opened too, or Properties shown for the item. Queued as a posted
    // command is, so that the asking program has its answer before a page opens.
    enum class Shown { Item, OpenFolder, Properties };
    void postShow(Shown what, const QString& path);

    void updateMenus();
    // "Go to / Manage...": the favorites list, then the chosen place shown or opened.
    void goToFavorite();
    void requestStatusRefresh();
    // Opens the tree down to a path ("\\a\\b" or "a\\b") and selects the item there; tells the
    // user when the folders on the way cannot be found in the tree.
    void reveal(const QString& path);

    Settings& settings() { return m_settings; }
    FolderTree* tree() const { return m_tree; }
    PhonePage* page() const { return m_page; }
    PendingOp pendingOp() const { return m_selection.pendingOp(); }
    const Selection& selection() const { return m_selection; }
    // Selects an unmarked item, or deselects a marked entry (an item marked only through a
    // selected folder above it cannot be deselected: the user is told so).
    void toggleSelection(TreeNode* item);
    // How often the status line was computed (for tests of the status timer).
    int statusComputations() const { return m_statusComputations; }
    int countsShown() const { return m_countsShown; }
    StatusTimer& statusTimer() { return m_statusTimer; }

    // The dispatch table: every command id of the menus with its handler (filled by create()).
    const CommandTable& commands() const { return m_commands; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    bool handleKeypad(QKeyEvent* event);
    void computeStatusLine();
    void applyCards();
    const TreeNode* currentNode() const;
    QString currentPath() const;
    // The window's own commands, and those of the work still to come, into the table.
    void registerCommands();

    // Command handlers.
    void quit();
    void showAbout();
    void toggleStatusBar();
    void sortBy(SortMode mode);
    void setMarksInBold(bool inBold);
    void toggleShowHidden();
    void refresh();
    void updateSelectionSummary();
    void dropCardEntries(const QString& cardPath);

    platform::FileSystem& m_fileSystem;
    Settings m_settings;
    PhonePage* m_page = nullptr;
    SelectionBand* m_selectionBand = nullptr;
    StatusBar* m_statusBar = nullptr;
    FolderTree* m_tree = nullptr;
    TreeImageList* m_images = nullptr;
    platform::MountWatcher* m_mountWatcher = nullptr;
    QStringList m_cardPaths;
    QTimer m_statusTicker;
    StatusTimer m_statusTimer;
    Selection m_selection;  // with the operation that cut or copy armed
    CommandTable m_commands;
    int m_statusComputations = 0;
    int m_postedCommands = 0;  // queued and not run yet
    std::unique_ptr<FolderCounter> m_counter;
    std::unique_ptr<FileCommands> m_fileCommands;
    std::unique_ptr<ArchiveCommands> m_archiveCommands;
    std::unique_ptr<ReceiveCommands> m_receiveCommands;
    std::unique_ptr<Launcher> m_launcher;
    std::unique_ptr<OpenCommands> m_openCommands;
    std::unique_ptr<MailCommands> m_mailCommands;
    std::unique_ptr<ObexSendCommands> m_obexSendCommands;
    std::unique_ptr<SearchCommands> m_searchCommands;
    std::unique_ptr<CryptCommands> m_cryptCommands;
    std::unique_ptr<PropertiesCommands> m_propertiesCommands;
    std::unique_ptr<FileTypeCommands> m_fileTypeCommands;
    int m_countsShown = 0;
    bool m_saved = false;
};
