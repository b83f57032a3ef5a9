#include "app/ScriptRunner.h"

#include "app/Idle.h"
#include "dialogs/ScreenDump.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QTimer>

#include <cstdio>

namespace {

void print(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

constexpr int IdlePollMs = 20;

}  // namespace

ScriptRunner::ScriptRunner(Script script, QWidget* mainWindow, QString scriptName, QObject* parent)
    : QObject(parent), m_script(std::move(script)), m_mainWindow(mainWindow), m_scriptName(std::move(scriptName))
{
}

void ScriptRunner::start() { next(); }

void ScriptRunner::next(int delayMs)
{
    QTimer::singleShot(delayMs, this, &ScriptRunner::runStep);
}

QWidget* ScriptRunner::keyTarget() const
{
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup;
    // Offscreen a modal dialog is not activated by itself: take it whether active or not.
    QWidget* top = ScreenDump::topWindow(m_mainWindow);
    if (QWidget* focus = top->focusWidget())
        return focus;
    return top;
}

void ScriptRunner::sendKey(const KeypadScript::Key& key)
{
    QWidget* target = keyTarget();
    // Posted, not sent: a key that opens a modal dialog must not block the script, whose next
    // step is queued behind it and then runs inside the dialog's loop.
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, key.key, Qt::NoModifier, key.text));
    QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, key.key, Qt::NoModifier, key.text));
}

bool ScriptRunner::saveShot(const QString& file) const
{
    QWidget* top = ScreenDump::topWindow(m_mainWindow);
    QPixmap picture = top->grab();
    QPainter painter(&picture);
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* menu = qobject_cast<QMenu*>(window); menu && menu->isVisible())
            painter.drawPixmap(menu->geometry().topLeft() - top->geometry().topLeft(), menu->grab());
    painter.end();
    return picture.save(file, "PNG");
}

void ScriptRunner::fail(const KeypadScript::Step& step, const QString& why, bool withDump)
{
    print(stderr, QStringLiteral("%1:%2: %3: %4\n").arg(m_scriptName).arg(step.line).arg(step.source, why));
    if (withDump && m_mainWindow)
        print(stderr, ScreenDump::dump(m_mainWindow));
    m_finished = true;
    emit finished(1);
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
        if (!action->isSeparator() && QString(action->text()).section(u'\t', 0, 0).replace(QLatin1String("&&"), QLatin1String("&")) == step.argument)
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
        sendKey({Qt::Key_Down, QString()});
        next();
        return;
    }
    m_chooseKeys = 0;
    ++m_index;
    sendKey({Qt::Key_Return, QStringLiteral("\r")});
    next();
}

void ScriptRunner::checkIdle()
{
    const KeypadScript::Step& step = m_script.at(m_index);
    if (Idle::isIdle()) {
        // Idle twice in a row, a poll apart: what the first check released has run too.
        if (++m_idleRounds >= 2) {
            ++m_index;
            next();
            return;
        }
    } else {
        m_idleRounds = 0;
    }
    if (m_idleClock.elapsed() > m_idleBoundMs) {
        fail(step, QStringLiteral("wait idle: still busy after %1 ms").arg(m_idleBoundMs));
        return;
    }
    QTimer::singleShot(IdlePollMs, this, &ScriptRunner::checkIdle);
}

void ScriptRunner::runStep()
{
    if (m_finished)
        return;
    if (!m_mainWindow) {
        m_finished = true;
        emit finished(m_index >= m_script.size() ? 0 : 1);
        return;
    }
    if (m_index >= m_script.size()) {
        m_finished = true;
        emit finished(0);
        return;
    }
    KeypadScript::Step& step = m_script[m_index];
    switch (step.kind) {
    case KeypadScript::Step::Keys:
    case KeypadScript::Step::Type: {
        if (step.kind == KeypadScript::Step::Type) {
            // Typing is one key a character.
            for (const QChar c : step.argument) {
                KeypadScript::Key key;
                if (!KeypadScript::keyFromName(QString(c), key))
                    key = {c == u' ' ? int(Qt::Key_Space) : int(Qt::Key_unknown), QString(c)};
                key.text = QString(c);
                step.keys.append(key);
            }
            step.kind = KeypadScript::Step::Keys;
        }
        // One key a step, so that what a key opens is there for the next.
        const KeypadScript::Key key = step.keys.takeFirst();
        if (step.keys.isEmpty())
            ++m_index;
        sendKey(key);
        next();
        return;
    }
    case KeypadScript::Step::Choose:
        choose(step);
        return;
    case KeypadScript::Step::WaitIdle:
        m_idleRounds = 0;
        m_idleClock.start();
        QTimer::singleShot(IdlePollMs, this, &ScriptRunner::checkIdle);
        return;
    case KeypadScript::Step::WaitMs:
        ++m_index;
        next(step.milliseconds);
        return;
    case KeypadScript::Step::Dump:
        print(stdout, ScreenDump::dump(m_mainWindow));
        break;
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
