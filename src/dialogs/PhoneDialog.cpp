#include "dialogs/PhoneDialog.h"

#include "dialogs/MessageBox.h"

void PhoneDialog::tellFrameFailure(QWidget* owner, const QString& text) { MessageBox::debug(owner, text); }
