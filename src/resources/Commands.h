#pragma once

// Command ids, with the numbers the menus, soft keys and keypad have always sent.
namespace Cmd {

enum Id : int {
    // The common end codes of dialogs.
    Ok = 1,
    Cancel = 2,
    Yes = 6,
    DialogCancel = 7,  // the "Cancel" soft key
    Stop = 10,

    // Menu 2, the main window.
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
    SendFile = 40016,
    SendByEmail = 40017,
    Receive = 40018,
    ClearSelection = 40020,
    SelectItem = 40021,
    Refresh = 40022,
    SortByName = 40023,
    SortByType = 40024,
    PageUp = 40025,
    PageDown = 40026,
    DeleteSelection = 40027,
    ZipSelection = 40032,
    ZipAndMail = 40033,
    UnzipHere = 40034,
    UnzipTo = 40036,
    ActOnPath = 40037,  // no menu item: the path given at start
    AddFavorite = 40038,
    HandOff = 40039,    // no menu item: a second start wrote the hand-off file
    Favorites = 40040,
    MarksAsCheckBoxes = 40041,
    MarksInBold = 40042,
    OpenWith = 40043,
    Run = 40044,
    CheckZipAssociation = 40054,
    ParentFolder = 40055,
    SendSelection = 40058,
    HideStatusBar = 40060,
    ManageFileTypes = 40064,
    Encrypt = 40072,
    ShowHidden = 40073,
    SendByMms = 40074,
    SelectAllInFolder = 40075,

    // Menus 121 to 126, the dialogs' "Menu" soft keys.
    NewSearch = 40030,
    BackToCriteria = 40031,
    RevealInTree = 40029,
    OpenOrExecute = 40061,
    AddToList = 40047,
    RemoveFromList = 40046,
    OpenWithInformation = 40049,
    MenuCancel = 40048,
    MoveUp = 40052,
    MoveDown = 40053,
    RemoveFavorite = 40050,
    ChangeApplication = 40062,
    ChangeIcons = 40063,
    AddFileType = 40065,
    EditFileType = 40066,
    DeleteFileType = 40067,
    AnswerYes = 40068,
    AnswerYesToAll = 40069,
    AnswerNo = 40070,
    AnswerNoToAll = 40071,
};

}  // namespace Cmd
