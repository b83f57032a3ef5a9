#pragma once

#include <QList>
#include <QString>

// The menus as data: menu 2 (the main window's File and Edit pop-ups) and menus 121 to 126
// (the "Menu" soft keys of dialogs and the question box). Each menu is a list of pop-ups.
struct MenuItem {
    enum Kind { Command, Separator, Popup };
    Kind kind = Command;
    int commandId = 0;
    QString text;               // "\t" separates the keypad key shown on the right
    QList<MenuItem> children;   // the items of a pop-up
};

namespace Menus {

// The pop-ups of a menu resource; empty for an unknown id.
const QList<MenuItem>& menu(int menuId);
QList<int> menuIds();
// Every command id that the menu holds, at any depth, in menu order.
QList<int> commandIds(int menuId);

}  // namespace Menus
