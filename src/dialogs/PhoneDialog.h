#pragma once

#include "dialogs/DialogFrame.h"

// The base of every dialog except the message boxes: the dialog frame, which tells the user
// with a "Debug" message box when it cannot be set up and its template asks for that.
class PhoneDialog : public DialogFrame {
    Q_OBJECT

public:
    using DialogFrame::DialogFrame;

protected:
    void tellFrameFailure(QWidget* owner, const QString& text) override;
};
