#pragma once

#include <QList>
#include <QString>

// One soft key of a bar: a plain button that sends a command, or a drop-down that opens a
// pop-up of the bar's menu.
struct SoftKeyButton {
    // Where a drop-down takes its pop-up from: the whole menu, or one pop-up of it by index.
    static constexpr int WholeMenu = -1;
    static constexpr int NoPopup = -2;

    int labelStringId = 0;  // string-table id of the label; 0 when `label` holds it
    QString label;
    int commandId = 0;  // sent by a plain button; a placeholder on a drop-down
    bool dropDown = false;
    int popupIndex = NoPopup;
    bool enabled = true;

    QString labelText() const;
};

// A bar: the menu its drop-downs open and its one or two buttons, left first.
struct SoftKeyBarData {
    int id = 0;
    int menuId = 0;
    QList<SoftKeyButton> buttons;
};

// The soft-key bars of the main window and the dialogs, by number. The numbers are the ones
// the bars always had (there is no 6); each is named after its keys or its one user.
namespace SoftKeyBars {

enum Id : int {
    Main = 1,  // "File" and "Edit", the main window's menus
    DoneCancel = 2,
    CancelOnly = 3,  // pages of work in progress
    DoneOnly = 4,
    DeleteCancel = 5,
    FindCancel = 7,
    SearchResults = 8,  // "Stop" and "Menu"
    OpenWith = 9,       // "Open" and "Menu"
    RunCancel = 10,
    Favorites = 11,  // "Go to" and "Menu"
    SendCancel = 12,
    FileType = 13,   // "Done" and "Menu"
    FileTypes = 14,  // "Done" and "Menu"
    Question = 15,   // "Yes" and "No", each a pop-up
};

// The bar of a number; nullptr for a number that is no bar.
const SoftKeyBarData* bar(int id);
QList<int> ids();

}  // namespace SoftKeyBars
