#pragma once

#include "resources/DialogTemplates.h"
#include "resources/SoftKeyBars.h"

#include <QDialog>

#include <optional>

class PhonePage;
class SoftKeyBar;

// The frame under every dialog: a modal phone page that covers its owner's window, driven by
// the two soft keys. It sets itself up in the same steps for all dialogs, ends on the common
// commands 1 to 7, and gives the Back key the meaning the dialog's template names. The message
// boxes derive from it directly; every other dialog derives from PhoneDialog, which can tell
// the user that its frame could not be set up, since telling takes a message box.
class DialogFrame : public QDialog {
    Q_OBJECT

public:
    // A dialog of the template table.
    explicit DialogFrame(int dialogId, QWidget* parent = nullptr);
    // A dialog described in code (the message boxes).
    explicit DialogFrame(const DialogTemplate& dialogTemplate, QWidget* parent = nullptr);
    ~DialogFrame() override;

    // Sets the dialog up and runs it modally over `owner`'s window; returns the end code. The
    // owner may be nullptr: the dialog then takes the default screen size.
    int run(QWidget* owner);

    // Sets the dialog up and shows it modally over `owner`'s window without waiting for its
    // end, for a page that watches work done elsewhere and is closed by it (progress). False
    // when it could not be set up.
    [[nodiscard]] bool showOver(QWidget* owner);

    // A command from a soft key, a menu or the dialog itself: the dialog's own handler first,
    // then the common rule (1 to 7 end the dialog with that code).
    void sendCommand(int commandId);
    // Ends the dialog with `code`, also while it is still being set up.
    void end(int code);
    bool isRunning() const { return m_running; }

    int dialogId() const { return m_template.id; }
    BackKeyMode backKeyMode() const { return m_template.backKey; }
    PhonePage* page() const { return m_page; }
    SoftKeyBar* softKeyBar() const;
    void setContent(QWidget* content);

    void accept() override;
    void reject() override;

protected:
    // The dialog's own set-up, after the frame's; false when it failed and the dialog has
    // ended itself (with end()) or should end with 2.
    [[nodiscard]] virtual bool initialise();
    // The dialog's own command handler; true when it took the command.
    virtual bool onCommand(int commandId);
    // What the test record shows of the dialog besides its caption.
    virtual QString shownText() const;
    virtual QString shownIcon() const;
    // Tells the user that the frame could not be set up, for the templates that ask for it. The
    // frame alone cannot tell: the message box that would tell is itself a frame.
    virtual void tellFrameFailure(QWidget* owner, const QString& text);
    // A bar made in code instead of the template's bar number (the message boxes).
    void setCustomBar(const SoftKeyBarData& bar) { m_customBar = bar; }

    void keyPressEvent(QKeyEvent* event) override;

private:
    [[nodiscard]] bool setUpFrame(QWidget* owner);
    void coverOwner(QWidget* owner);
    void focusFirstInput();
    // True when a soft key that sends the accept command (1) is there and enabled.
    bool hasEnabledAcceptKey() const;
    // Back in a dialog whose template forwards it: a character less in a text field, the
    // dialog's cancel anywhere else.
    void forwardBackKey();
    // A control that takes typed text (and not a number box or a list of choices).
    static bool isTextField(const QWidget* widget);
    void recordShown();

    DialogTemplate m_template;
    std::optional<SoftKeyBarData> m_customBar;
    PhonePage* m_page = nullptr;
    bool m_running = false;
    std::optional<int> m_endCode;
};
