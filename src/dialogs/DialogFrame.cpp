#include "dialogs/DialogFrame.h"

#include "dialogs/PhonePage.h"
#include "dialogs/SoftKeyBar.h"
#include "dialogs/TestDialogs.h"
#include "resources/Commands.h"
#include "resources/UnnumberedTexts.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace {

constexpr SoftKeyBar::Side BothSides[] = {SoftKeyBar::Left, SoftKeyBar::Right};

DialogTemplate templateOf(int dialogId)
{
    if (const DialogTemplate* found = DialogTemplates::find(dialogId))
        return *found;
    // No template: the soft-key bar cannot be made, so the dialog ends at its set-up.
    DialogTemplate unknown;
    unknown.id = dialogId;
    return unknown;
}

}  // namespace

DialogFrame::DialogFrame(int dialogId, QWidget* parent) : DialogFrame(templateOf(dialogId), parent) {}

DialogFrame::DialogFrame(const DialogTemplate& dialogTemplate, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_template(dialogTemplate)
{
    m_page = new PhonePage(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_page);
    setWindowTitle(m_template.title);
    connect(softKeyBar(), &SoftKeyBar::commandTriggered, this, &DialogFrame::sendCommand);
}

DialogFrame::~DialogFrame() = default;

SoftKeyBar* DialogFrame::softKeyBar() const { return m_page->softKeyBar(); }

void DialogFrame::setContent(QWidget* content) { m_page->setContent(content); }

int DialogFrame::run(QWidget* owner)
{
    m_endCode.reset();
    if (!setUpFrame(owner))
        return m_endCode.value_or(Cmd::Cancel);
    if (!initialise())
        return m_endCode.value_or(Cmd::Cancel);
    if (m_endCode)
        return *m_endCode;
    if (!focusWidget())
        focusFirstInput();
    recordShown();
    if (const std::optional<int> answer = TestDialogs::takeAnswer())
        return *answer;

    m_running = true;
    const int code = exec();
    m_running = false;
    return code;
}

bool DialogFrame::showOver(QWidget* owner)
{
    m_endCode.reset();
    if (!setUpFrame(owner) || !initialise() || m_endCode)
        return false;
    if (!focusWidget())
        focusFirstInput();
    recordShown();
    setWindowModality(Qt::ApplicationModal);
    show();
    raise();
    activateWindow();
    return true;
}

// The two steps every dialog takes before its own set-up. A failure ends the dialog with 1 (the
// page could not cover the screen) or 2 (no soft-key bar); the dialogs whose template says so
// tell it first, since a dialog that vanishes at once would otherwise puzzle the user.
bool DialogFrame::setUpFrame(QWidget* owner)
{
    if (TestDialogs::takeInitFailure(TestDialogs::InitStep::FullScreen)) {
        if (m_template.tellsFullScreenFailure)
            tellFrameFailure(owner, Txt::text(Txt::InitDialogFailed));
        m_endCode = Cmd::Ok;
        return false;
    }
    coverOwner(owner);

    const bool barMade = !TestDialogs::takeInitFailure(TestDialogs::InitStep::SoftKeyBar)
                         && (m_customBar ? softKeyBar()->setBar(*m_customBar) : softKeyBar()->setBar(m_template.barId));
    if (!barMade) {
        if (m_template.tellsBarFailure)
            tellFrameFailure(owner, Txt::text(Txt::DialogFailed));
        m_endCode = Cmd::Cancel;
        return false;
    }
    return true;
}

// The dialog is a frameless window exactly over its owner's window, so that it looks like the
// next page of the same screen.
void DialogFrame::coverOwner(QWidget* owner)
{
    QWidget* top = owner ? owner->window() : nullptr;
    if (top && top != this && parentWidget() != top)
        setParent(top, windowFlags());
    if (top && top != this)
        setGeometry(top->geometry());
    else
        resize(PhonePage::DefaultWidth, PhonePage::DefaultHeight);
}

void DialogFrame::tellFrameFailure(QWidget*, const QString&) {}

bool DialogFrame::initialise() { return true; }

bool DialogFrame::onCommand(int) { return false; }

QString DialogFrame::shownText() const { return {}; }

QString DialogFrame::shownIcon() const { return {}; }

void DialogFrame::sendCommand(int commandId)
{
    if (onCommand(commandId))
        return;
    if (Cmd::isEndCode(commandId))
        end(commandId);
}

void DialogFrame::end(int code)
{
    if (m_running)
        done(code);
    else
        m_endCode = code;
}

void DialogFrame::accept() { end(Cmd::Ok); }

void DialogFrame::reject() { end(Cmd::Cancel); }

bool DialogFrame::hasEnabledAcceptKey() const
{
    const SoftKeyBar* bar = softKeyBar();
    return std::any_of(std::begin(BothSides), std::end(BothSides), [bar](SoftKeyBar::Side side) {
        return bar->isEnabled(side) && bar->commandId(side) == Cmd::Ok;
    });
}

void DialogFrame::keyPressEvent(QKeyEvent* event)
{
    if (softKeyBar()->handleKey(event))
        return;
    // The action key does what the dialog's accept key does, as on the phone. It arrives here
    // only when the focused control had no use for it. A dialog without such a key (a yes/no
    // question) is answered with the soft keys alone.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && hasEnabledAcceptKey()) {
        if (!event->isAutoRepeat())
            sendCommand(Cmd::Ok);
        return;
    }
    // Up and Down that the focused control had no use for move to the control above or
    // below, as on the phone, where there is no Tab key.
    if (event->key() == Qt::Key_Down || event->key() == Qt::Key_Up) {
        focusNextPrevChild(event->key() == Qt::Key_Down);
        return;
    }
    if (event->key() != Qt::Key_Escape) {
        QDialog::keyPressEvent(event);
        return;
    }
    switch (m_template.backKey) {
    case BackKeyMode::ForwardToEdit: forwardBackKey(); break;
    case BackKeyMode::Overridden: break;
    case BackKeyMode::None: end(Cmd::Cancel); break;
    }
}

// On the phone the Back key deletes the character before the cursor in a text field; in a
// dialog with text fields that is what it does there. Anywhere else (a drop-down, a check box,
// the level box, whose text is a number and not something typed) it is the way out of the
// dialog, as in every other dialog: a user who cannot leave with Back would be stuck.
void DialogFrame::forwardBackKey()
{
    QWidget* focused = focusWidget();
    if (!isTextField(focused)) {
        end(Cmd::Cancel);
        return;
    }
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QCoreApplication::sendEvent(focused, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Backspace, Qt::NoModifier);
    QCoreApplication::sendEvent(focused, &release);
}

bool DialogFrame::isTextField(const QWidget* widget)
{
    if (const auto* line = qobject_cast<const QLineEdit*>(widget))
        return !line->isReadOnly();
    // An editable drop-down takes typed text in its own line; one that only offers choices
    // is a drop-down like any other.
    if (const auto* combo = qobject_cast<const QComboBox*>(widget))
        return combo->isEditable();
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(widget))
        return !plain->isReadOnly();
    if (const auto* rich = qobject_cast<const QTextEdit*>(widget))
        return !rich->isReadOnly();
    return false;
}

void DialogFrame::focusFirstInput()
{
    for (QWidget* candidate = nextInFocusChain(); candidate && candidate != this;
         candidate = candidate->nextInFocusChain()) {
        if (isAncestorOf(candidate) && candidate->isEnabled() && candidate->isVisibleTo(this)
            && (candidate->focusPolicy() & Qt::TabFocus)) {
            candidate->setFocus(Qt::OtherFocusReason);
            return;
        }
    }
}

void DialogFrame::recordShown()
{
    TestDialogs::Shown shown;
    shown.dialogId = m_template.id;
    shown.caption = windowTitle();
    shown.text = shownText();
    shown.icon = shownIcon();
    shown.leftKey = softKeyBar()->label(SoftKeyBar::Left);
    shown.rightKey = softKeyBar()->label(SoftKeyBar::Right);
    TestDialogs::recordShown(shown);
}
