#pragma once

// Pressing keys on a modal dialog while it runs, as a user would, for the tests of dialogs.

#include "dialogs/TestDialogs.h"

#include <QApplication>
#include <QDialog>
#include <QList>
#include <QTimer>

#include <functional>

// The end code a test gives a dialog that its keys left open.
constexpr int StillOpen = -1;

// Runs `start` (which runs a dialog modally) and, once the dialog waits for keys, presses `keys`
// on whatever modal dialog is on top. Returns what `start` returned; a dialog still open after
// the keys is ended with StillOpen.
inline int runPressing(const std::function<int()>& start, const QList<Qt::Key>& keys)
{
    QTimer::singleShot(0, [keys] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (!dialog)
            return;
        for (Qt::Key key : keys) {
            if (QApplication::activeModalWidget() != dialog)
                return;
            TestDialogs::pressKey(dialog, key);
        }
        if (QApplication::activeModalWidget() == dialog)
            static_cast<QDialog*>(dialog)->done(StillOpen);
    });
    return start();
}
