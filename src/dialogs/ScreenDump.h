#pragma once

#include "dialogs/Dumpable.h"

#include <QString>

class QWidget;

// A stable text picture of what is on the screen: the topmost window (a modal dialog over the
// main window, if one is open) and any open pop-up menu. The format is described in
// docs/keypad-scripts.md.
namespace ScreenDump {

QString dump(QWidget* mainWindow);
// One widget and what it holds, for widgets that describe their parts.
void dumpWidgetTo(const QWidget* widget, DumpWriter& writer);
// The window a person sees on top: the open modal dialog, else the main window.
QWidget* topWindow(QWidget* mainWindow);

}  // namespace ScreenDump
