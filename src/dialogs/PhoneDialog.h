#pragma once

#include "resources/SoftKeyBars.h"

#include <QDialog>

class PhonePage;
class SoftKeyBar;

// The frame of every dialog: a modal page that covers the main window exactly, with its title
// strip and soft keys. A command 1 to 7 that the dialog does not take itself ends it with that
// code; the Back key (Escape) goes to the focused edit, does nothing, or ends the dialog with 2.
class PhoneDialog : public QDialog {
    Q_OBJECT
public:
    enum class BackKey { ForwardToEdit, Overridden, EndsDialog };

    // The dialog of the template table with this id.
    explicit PhoneDialog(int dialogId, QWidget* parent = nullptr);
    // A dialog with its own title, bar and Back-key rule (the about box, message boxes).
    PhoneDialog(int dialogId, const QString& title, int barId, BackKey backKey, QWidget* parent = nullptr);

    int dialogId() const { return m_dialogId; }
    PhonePage* page() const { return m_page; }
    SoftKeyBar* softKeyBar() const;
    void setContent(QWidget* content);
    void setTitle(const QString& title);

    // Runs the dialog modally over the window of `owner` and returns its end code.
    int run(QWidget* owner);
    // Sends a command as a soft key or a menu item does.
    void sendCommand(int commandId);

    // What a test seam or the screen dump says of this dialog: its title and main text.
    virtual QString summary() const;

protected:
    // The dialog's own set-up; false fails the start as the full-screen step would.
    virtual bool initialise() { return true; }
    // The dialog's own handling of a command; true when it took it.
    virtual bool onCommand(int /*commandId*/) { return false; }
    void keyPressEvent(QKeyEvent* event) override;

private:
    void setUp(const QString& title, int barId);
    bool tellsFullScreenFailure() const;
    bool tellsBarFailure() const;

    int m_dialogId;
    BackKey m_backKey = BackKey::EndsDialog;
    PhonePage* m_page;
};
