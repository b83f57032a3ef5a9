#pragma once

#include "dialogs/PhoneDialog.h"

class QLabel;

// Message boxes in the phone's style: a page with an icon, the text, and soft keys.
class MessageBox : public PhoneDialog {
    Q_OBJECT
public:
    enum Icon { Error, Question, Information };
    enum Answer { Yes = 6, No = 7 };

    MessageBox(const QString& caption, const QString& text, Icon icon, bool yesNo, QWidget* parent = nullptr);

    // An error, captioned "An error occured", with an OK key.
    static void error(QWidget* owner, const QString& text);
    // A yes/no question, captioned "Confirm" unless told otherwise; Yes or No.
    static int question(QWidget* owner, const QString& text, const QString& caption = QString());
    static void information(QWidget* owner, const QString& text, const QString& caption);
    // An internal failure, captioned "Debug".
    static void debug(QWidget* owner, const QString& text);

    QString summary() const override;

protected:
    bool onCommand(int commandId) override;

private:
    QString m_text;
    bool m_yesNo;
};
