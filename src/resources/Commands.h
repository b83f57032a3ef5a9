#pragma once

#include <QList>
#include <QString>

// Every command the menus, soft keys and dialogs send, by its number. The numbers are the ones
// the commands always had, so a command seen in a keypad script or a menu can be traced to its
// handler in one step.
namespace Cmd {

enum Id : int {
    // End codes of a dialog. A command with one of these ids that the dialog does not take
    // itself ends the dialog with that id.
    Ok = 1,
    Cancel = 2,
    Abort = 3,
    Retry = 4,
    Ignore = 5,
    Yes = 6,
    No = 7,
    // The "Cancel" soft key of the dialogs sends 7, not 2.
    DialogCancel = 7,

    // Placeholder ids carried by the main window's two drop-down soft keys; never sent.
    FileButton = 3,
    EditButton = 5,

    // The "Stop" soft key of the search results; outside 1..7, so it never ends a dialog.
    Stop = 10,

    // The main window's menu.
    Quit = 40001,
    About = 40002,
    CutSelection = 40003,
    PasteSelection = 40004,
    Find = 40007,
    DeleteCurrent = 40008,
    PasteShortcut = 40009,
    CopySelection = 40010,
    Open = 40011,
    Rename = 40012,
    Properties = 40013,
    NewFile = 40014,
    NewFolder = 40015,
    SendFileObex = 40016,
    SendFileEmail = 40017,
    ReceiveInfrared = 40018,
    ClearSelection = 40020,
    SelectItem = 40021,
    Refresh = 40022,
    SortByName = 40023,
    SortByType = 40024,
    PageUp = 40025,
    PageDown = 40026,
    DeleteSelection = 40027,
    ZipSelection = 40032,
    ZipSelectionAndMail = 40033,
    UnzipHere = 40034,
    UnzipTo = 40036,
    AddFavorite = 40038,
    GoToFavorites = 40040,
    MarksAsCheckboxes = 40041,
    MarksInBold = 40042,
    OpenWith = 40043,
    Run = 40044,
    CheckZipAssociation = 40054,
    ParentFolder = 40055,
    SendSelectionObex = 40058,
    HideStatusBar = 40060,
    ManageFileTypes = 40064,
    Encrypt = 40072,
    ShowHidden = 40073,
    SendFileMms = 40074,
    SelectAllInFolder = 40075,

    // Sent to the main window by a second instance; no menu item carries them.
    HandOffPath = 40037,
    HandOffFile = 40039,

    // Posted by the properties page to itself: count the folder's size now that it shows.
    CalculateFolderSize = 40028,

    // The "Menu" soft keys of the dialogs.
    RevealInTree = 40029,
    NewSearch = 40030,
    BackToCriteria = 40031,
    OpenOrExecute = 40061,
    OpenWithRemove = 40046,
    OpenWithAdd = 40047,
    MenuCancel = 40048,
    OpenWithInformations = 40049,
    FavoriteRemove = 40050,
    FavoriteMoveUp = 40052,
    FavoriteMoveDown = 40053,
    FileTypeChangeApplication = 40062,
    FileTypeChangeIcons = 40063,
    FileTypeAdd = 40065,
    FileTypeEdit = 40066,
    FileTypeDelete = 40067,
    QuestionYes = 40068,
    QuestionYesToAll = 40069,
    QuestionNo = 40070,
    QuestionNoToAll = 40071,
};

// The main window's command table: every command it dispatches, menu 2's items and the two
// hand-off commands, in the table's order.
const QList<int>& mainWindowCommands();

// The menu text of a command ("Open\tA": the keypad key follows a tab); empty for a command
// that no menu item carries.
QString text(int id);

// True for the ids that end a dialog when the dialog does not take them itself.
constexpr bool isEndCode(int id) { return id >= Ok && id <= No; }

}  // namespace Cmd
