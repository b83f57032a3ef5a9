#pragma once

#include "dialogs/Dumpable.h"

#include <QList>
#include <QString>

class QWidget;

// A stable text picture of what is on the screen: the topmost window (a modal dialog over the
// main window, if one is open) and any open pop-up menu. Widgets that know better describe
// themselves (Dumpable); the rest are described by their class. The format is described in
// docs/keypad-scripts.md.
namespace ScreenDump {

// The window on top, then the open pop-ups. An empty text when there is no window at all.
QString dump(QWidget* mainWindow);
// One widget and what it holds, for widgets that describe their parts.
void dumpWidgetTo(const QWidget* widget, DumpWriter& writer);
// The window a person sees on top: the open modal dialog, else the main window.
QWidget* topWindow(QWidget* mainWindow);
// The pop-ups that are shown (menus, a drop-down's list), from the one at the bottom to the
// one on top, as a person sees them stacked: the one shown or raised last is on top.
QList<QWidget*> shownPopups();
// A button's, check box's or menu item's text as shown: "&&" is "&", a lone "&" marks the
// mnemonic and is not shown.
QString withoutMnemonics(const QString& text);

}  // namespace ScreenDump
