#pragma once

#include <QList>
#include <QString>

// One entry of a menu: a command, a separator, or a pop-up holding further entries.
struct MenuItem {
    int commandId = 0;         // 0 for a separator or a pop-up
    QString text;              // empty for a separator; the keypad key follows a tab
    QList<MenuItem> children;  // the entries of a pop-up

    bool isSeparator() const { return commandId == 0 && text.isEmpty(); }
    bool isPopup() const { return commandId == 0 && !text.isEmpty(); }
};

// The menus of the program as data, by number. The soft-key bars open them; the main window's
// menu update and its dispatch table name the same command ids.
namespace Menus {

enum Id : int {
    Main = 2,  // the main window: pop-up 0 "File", pop-up 1 "Edit"
    SearchResults = 121,
    OpenWith = 122,
    Favorites = 123,
    FileType = 124,
    FileTypes = 125,
    Question = 126,  // pop-up 0 "Yes", pop-up 1 "No"
};

// The top-level entries of a menu; nullptr for a number that is no menu.
const QList<MenuItem>* menu(int id);
QList<int> ids();

}  // namespace Menus
