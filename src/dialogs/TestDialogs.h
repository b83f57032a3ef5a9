#pragma once

#include <QString>

// A seam for widget tests: answer the next dialogs in advance, make a dialog's start fail,
// and see what the last dialog showed. Unused by the program itself.
namespace TestDialogs {

enum class InitFailure { None, FullScreen, SoftKeyBar };

// The next dialog to run ends at once with this code, after it was set up.
void answerNext(int code);
void failNextInit(InitFailure step);
void reset();

// The dialog id and summary of the last dialog that ran (or was answered in advance).
int lastDialogId();
QString lastShown();

// Used by the dialog frame.
bool takeAnswer(int& code);
InitFailure takeInitFailure();
void record(int dialogId, const QString& summary);

}  // namespace TestDialogs
