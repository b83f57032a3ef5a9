#include "app/ScriptRunner.h"

#include "dialogs/JobDialog.h"
#include "dialogs/ScreenDump.h"
#include "jobs/Idle.h"

#include <QApplication>
#include <QDialog>
#include <QIODevice>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>

#include <unistd.h>

namespace {

constexpr int IdlePollMs = 20;
// Rounds of the event loop a step waits before it runs. What the previous key set off
// (events it posted, a dialog's own set-up once it is shown) is queued behind the step that
// key queued, so the step lets it go first.
constexpr int SettleRounds = 2;
// Menus and dialogs closed at the end before giving up on a program that keeps opening more.
constexpr int MaxCloseRounds = 50;

QString durationText(int milliseconds)
{
    return milliseconds % 1000 == 0 ? QStringLiteral("%1 s").arg(milliseconds / 1000)
                                    : QStringLiteral("%1 ms").arg(milliseconds);
}

// The open pop-up (a menu, a combo box's list) or modal dialog on top, if any.
QWidget* openTransientWindow()
{
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup;
    QWidget* modal = QApplication::activeModalWidget();
    return modal && modal->isVisible() ? modal : nullptr;
}

}  // namespace

ScriptRunner::ScriptRunner(Script script, QWidget* mainWindow, QString scriptName, QObject* parent)
    : QObject(parent), m_script(std::move(script)), m_mainWindow(mainWindow), m_scriptName(std::move(scriptName))
{
}

void ScriptRunner::setOutput(QIODevice* dumps, QIODevice* failures)
{
    m_dumpOutput = dumps;
    m_failureOutput = failures;
}

void ScriptRunner::start() { next(); }

void ScriptRunner::next(int delayMs)
{
    m_settleRounds = 0;
    QTimer::singleShot(delayMs, Qt::PreciseTimer, this, &ScriptRunner::settle);
}

void ScriptRunner::settle()
{
    // A job that has not shown its progress page yet holds the keypad, as a person's keys
    // wait behind it: the next step waits too. Once the page is up, steps go on (to read it,
    // or to press Cancel).
    if (JobDialog::holdsInput()) {
        QTimer::singleShot(IdlePollMs, Qt::PreciseTimer, this, &ScriptRunner::settle);
        return;
    }
    if (m_settleRounds < SettleRounds) {
        ++m_settleRounds;
        QTimer::singleShot(0, this, &ScriptRunner::settle);
        return;
    }
    runStep();
}

void ScriptRunner::print(QIODevice* device, bool toStandardError, const QString& text) const
{
    const QByteArray bytes = text.toUtf8();
    if (device) {
        device->write(bytes);
        return;
    }
    FILE* stream = toStandardError ? stderr : stdout;
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

QWidget* ScriptRunner::keyTarget() const
{
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup;
    // Offscreen a modal dialog is not activated by itself: take it whether active or not.
    QWidget* top = ScreenDump::topWindow(m_mainWindow);
    if (!top)
        return nullptr;
    if (QWidget* focus = top->focusWidget())
        return focus;
    return top;
}

bool ScriptRunner::sendKey(const KeypadScript::Key& key)
{
    QWidget* target = keyTarget();
    if (!target)
        return false;
    // Posted, not sent: a key that opens a modal dialog must not block the script, whose next
    // step is queued behind it and then runs inside the dialog's loop. An unused key travels
    // up from the focused control to its window, as one from the keyboard does.
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key.key, Qt::NoModifier, key.text));
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key.key, Qt::NoModifier, key.text));
    return true;
}

bool ScriptRunner::saveShot(const QString& file) const
{
    QWidget* top = ScreenDump::topWindow(m_mainWindow);
    if (!top)
        return false;
    QPixmap picture = top->grab();
    // Pop-ups are windows of their own: paint each where it stands over the window, from the
    // bottom one up, so that where they overlap the one on top (a sub-menu over its menu) is seen.
    QPainter painter(&picture);
    for (QWidget* window : ScreenDump::shownPopups())
        painter.drawPixmap(window->geometry().topLeft() - top->geometry().topLeft(), window->grab());
    painter.end();
    return picture.save(file, "PNG");
}

void ScriptRunner::fail(const KeypadScript::Step& step, const QString& why, bool withDump)
{
    m_failure = QStringLiteral("%1:%2: %3: %4").arg(m_scriptName).arg(step.line).arg(step.source, why);
    print(m_failureOutput, true, m_failure + u'\n');
    if (withDump)
        print(m_failureOutput, true, ScreenDump::dump(m_mainWindow));
    finish(1);
}

void ScriptRunner::finish(int exitCode)
{
    m_finished = true;
    m_exitCode = exitCode;
    m_closeRounds = 0;
    closeOpenWindows();
}

void ScriptRunner::closeOpenWindows()
{
    // A menu or dialog left open runs an event loop of its own, nested in the program's: the
    // caller could not end the program from inside it. Close them, the top one first, each
    // from a fresh turn of the loop so that its exec() returns before the next is closed.
    if (QWidget* open = openTransientWindow(); open && m_closeRounds < MaxCloseRounds) {
        ++m_closeRounds;
        if (auto* dialog = qobject_cast<QDialog*>(open))
            dialog->reject();
        else
            open->close();
        QTimer::singleShot(0, this, &ScriptRunner::closeOpenWindows);
        return;
    }
    emit finished(m_exitCode);
}

void ScriptRunner::choose(const KeypadScript::Step& step)
{
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (!menu) {
        fail(step, QStringLiteral("no menu is open"));
        return;
    }
    QAction* wanted = nullptr;
    for (QAction* action : menu->actions())
        if (!action->isSeparator() && action->isVisible()
            && ScreenDump::withoutMnemonics(action->text().section(u'\t', 0, 0)) == step.argument)
            wanted = action;
    if (!wanted) {
        fail(step, QStringLiteral("the open menu has no such item"), true);
        return;
    }
    if (!wanted->isEnabled()) {
        fail(step, QStringLiteral("the item is disabled"), true);
        return;
    }
    if (menu->activeAction() != wanted) {
        // One Down at a time, as a person presses it, until the item is reached.
        if (++m_chooseKeys > menu->actions().size()) {
            fail(step, QStringLiteral("the arrow keys do not reach the item"), true);
            return;
        }
        if (!sendKey({Qt::Key_Down, QString()})) {
            fail(step, QStringLiteral("no window takes the key"));
            return;
        }
        next();
        return;
    }
    m_chooseKeys = 0;
    ++m_index;
    if (!sendKey({Qt::Key_Return, QStringLiteral("\r")})) {
        fail(step, QStringLiteral("no window takes the key"));
        return;
    }
    next();
}

void ScriptRunner::checkIdle()
{
    if (m_finished)
        return;
    const KeypadScript::Step& step = m_script.at(m_index);
    if (Idle::isIdle()) {
        // Idle twice in a row, a poll apart, with the event loop turning in between: what the
        // first check let run (posted events, zero timers) has run too.
        if (++m_idleRounds >= 2) {
            ++m_index;
            next();
            return;
        }
    } else {
        m_idleRounds = 0;
        if (m_idleClock.elapsed() >= m_stepIdleBoundMs) {
            fail(step, QStringLiteral("still busy after %1").arg(durationText(m_stepIdleBoundMs)));
            return;
        }
    }
    QTimer::singleShot(IdlePollMs, Qt::PreciseTimer, this, &ScriptRunner::checkIdle);
}

void ScriptRunner::readInput()
{
    // One byte at a time, so that nothing after the line is taken from the next wait.
    char byte = 0;
    const ssize_t got = ::read(0, &byte, 1);
    if (got > 0 && byte != '\n')
        return;
    m_input->setEnabled(false);
    if (m_finished)
        return;
    ++m_index;
    next();
}

void ScriptRunner::runStep()
{
    if (m_finished)
        return;
    if (m_index >= m_script.size()) {
        finish(0);
        return;
    }
    const KeypadScript::Step& step = m_script.at(m_index);
    if (!m_mainWindow) {
        fail(step, QStringLiteral("the main window is gone"));
        return;
    }
    switch (step.kind) {
    case KeypadScript::Step::Keys:
    case KeypadScript::Step::Type: {
        // One key a step, so that what a key opens is there for the next.
        const KeypadScript::Key key = step.keys.at(m_keyIndex);
        if (!sendKey(key)) {
            fail(step, QStringLiteral("no window takes the key"));
            return;
        }
        if (++m_keyIndex >= step.keys.size()) {
            m_keyIndex = 0;
            ++m_index;
        }
        next();
        return;
    }
    case KeypadScript::Step::Choose: choose(step); return;
    case KeypadScript::Step::WaitInput:
        // The dumps so far are out before the test is asked to act on them.
        std::fflush(stdout);
        if (!m_input) {
            m_input = new QSocketNotifier(0, QSocketNotifier::Read, this);
            connect(m_input, &QSocketNotifier::activated, this, &ScriptRunner::readInput);
        }
        m_input->setEnabled(true);
        return;
    case KeypadScript::Step::WaitIdle:
        m_stepIdleBoundMs = step.milliseconds > 0 ? step.milliseconds : m_idleBoundMs;
        m_idleRounds = 0;
        m_idleClock.start();
        QTimer::singleShot(IdlePollMs, Qt::PreciseTimer, this, &ScriptRunner::checkIdle);
        return;
    case KeypadScript::Step::WaitMs:
        ++m_index;
        next(step.milliseconds);
        return;
    case KeypadScript::Step::Dump: print(m_dumpOutput, false, ScreenDump::dump(m_mainWindow)); break;
    case KeypadScript::Step::Shot:
        if (!saveShot(step.argument)) {
            fail(step, QStringLiteral("cannot write the picture"));
            return;
        }
        break;
    case KeypadScript::Step::ExpectScreen:
        if (!ScreenDump::dump(m_mainWindow).contains(step.argument)) {
            fail(step, QStringLiteral("the screen does not show it"), true);
            return;
        }
        break;
    case KeypadScript::Step::ExpectNoScreen:
        if (ScreenDump::dump(m_mainWindow).contains(step.argument)) {
            fail(step, QStringLiteral("the screen shows it"), true);
            return;
        }
        break;
    }
    ++m_index;
    next();
}
