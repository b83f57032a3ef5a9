#include "dialogs/TestDialogs.h"

#include <QList>

namespace TestDialogs {

namespace {
struct State {
    QList<int> answers;
    InitFailure failure = InitFailure::None;
    int lastId = 0;
    QString lastSummary;
};
State& state()
{
    static State instance;
    return instance;
}
}  // namespace

void answerNext(int code) { state().answers.append(code); }
void failNextInit(InitFailure step) { state().failure = step; }
void reset() { state() = State(); }
int lastDialogId() { return state().lastId; }
QString lastShown() { return state().lastSummary; }

bool takeAnswer(int& code)
{
    if (state().answers.isEmpty())
        return false;
    code = state().answers.takeFirst();
    return true;
}

InitFailure takeInitFailure()
{
    const InitFailure failure = state().failure;
    state().failure = InitFailure::None;
    return failure;
}

void record(int dialogId, const QString& summary)
{
    state().lastId = dialogId;
    state().lastSummary = summary;
}

}  // namespace TestDialogs
