#pragma once

class QWidget;

#include <QList>
#include <QString>
#include <Qt>

#include <optional>

// The seam through which tests and keypad scripts answer dialogs in advance and make a
// dialog's set-up fail. Every dialog and message box consults it when it runs; with nothing
// queued it changes nothing. Used on the user-interface thread only.
class TestDialogs {
public:
    // The two set-up steps every dialog takes before its own.
    enum class InitStep { FullScreen, SoftKeyBar };

    // What the last dialog that ran showed.
    struct Shown {
        int dialogId = 0;  // 0 for a message box
        QString caption;
        QString text;  // a message box's text; empty for other dialogs
        QString icon;  // a message box's icon name ("dialog-error", ...); empty for none
        QString leftKey;
        QString rightKey;
    };

    // The next dialog to run ends with `code` as soon as it is set up, without waiting for a key.
    // Answers are used in the order they were queued.
    static void answerNext(int code);
    static int pendingAnswers();
    // The next dialog to run fails at that set-up step.
    static void failNextInit(InitStep step);
    // The last dialog that ran; a default Shown when none ran since reset().
    static Shown lastShown();
    static int shownCount();
    // Every dialog shown since reset(), in order.
    static QList<Shown> shownHistory();
    // Forgets every queued answer and failure and what was shown.
    static void reset();

    // Delivers a key press and release as the windowing system would: to the open pop-up menu,
    // otherwise to the focused widget of `window` (or `window` itself), from where an unused key
    // travels up to the dialog. With no window, the active modal dialog gets it. Works for a
    // window that was never activated, as on the offscreen platform.
    static void pressKey(QWidget* window, Qt::Key key, const QString& text = QString());

    // For the dialog frame.
    static std::optional<int> takeAnswer();
    static bool takeInitFailure(InitStep step);
    static void recordShown(const Shown& shown);
};
