#include "dialogs/TestDialogs.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QQueue>
#include <QWidget>

namespace {

struct SeamState {
    QQueue<int> answers;
    std::optional<TestDialogs::InitStep> failure;
    TestDialogs::Shown lastShown;
    int shownCount = 0;
    QList<TestDialogs::Shown> history;
};

SeamState& state()
{
    static SeamState seam;
    return seam;
}

}  // namespace

void TestDialogs::answerNext(int code) { state().answers.enqueue(code); }

int TestDialogs::pendingAnswers() { return static_cast<int>(state().answers.size()); }

void TestDialogs::failNextInit(InitStep step) { state().failure = step; }

TestDialogs::Shown TestDialogs::lastShown() { return state().lastShown; }

int TestDialogs::shownCount() { return state().shownCount; }

QList<TestDialogs::Shown> TestDialogs::shownHistory() { return state().history; }

void TestDialogs::reset() { state() = SeamState(); }

std::optional<int> TestDialogs::takeAnswer()
{
    if (state().answers.isEmpty())
        return std::nullopt;
    return state().answers.dequeue();
}

bool TestDialogs::takeInitFailure(InitStep step)
{
    if (state().failure != step)
        return false;
    state().failure.reset();
    return true;
}

void TestDialogs::recordShown(const Shown& shown)
{
    state().lastShown = shown;
    ++state().shownCount;
    state().history.append(shown);
}

void TestDialogs::pressKey(QWidget* window, Qt::Key key, const QString& text)
{
    QWidget* target = QApplication::activePopupWidget();
    if (!target) {
        QWidget* top = window ? window->window() : QApplication::activeModalWidget();
        if (!top)
            return;
        target = top->focusWidget() ? top->focusWidget() : top;
    }
    // The press may close the widget that received it; the release then goes nowhere.
    QPointer<QWidget> receiver = target;
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(receiver, &press);
    if (!receiver)
        return;
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(receiver, &release);
}
