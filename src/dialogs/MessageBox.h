#pragma once

#include "dialogs/DialogFrame.h"

#include <QString>

// A message or a yes/no question on a phone page of its own: the caption in the title strip,
// an icon and the text, and OK or Yes/No on the soft keys. The action key acknowledges a
// message, as OK does; a question has no accept key and is answered with a soft key only, so
// that a stray press confirms nothing.
class MessageBox : public DialogFrame {
    Q_OBJECT

public:
    enum class Icon { None, Error, Question, Information, Warning };
    enum class Keys { Ok, YesNo };

    MessageBox(Icon icon, const QString& caption, const QString& text, Keys keys, QWidget* parent = nullptr);

    // A failure, captioned "An error occured".
    static void error(QWidget* owner, const QString& text);
    // A confirmation; Cmd::Yes when the user chose Yes, otherwise Cmd::No (the Back key and a
    // box that could not be shown count as No, so nothing is done that was not confirmed).
    [[nodiscard]] static int question(QWidget* owner, const QString& text,
                                      const QString& caption = defaultQuestionCaption());
    static void information(QWidget* owner, const QString& text, const QString& caption);
    // An internal failure.
    static void debug(QWidget* owner, const QString& text, const QString& caption = QStringLiteral("Debug"));

    static QString defaultQuestionCaption();
    static QString iconName(Icon icon);

    QString text() const { return m_text; }
    Icon icon() const { return m_icon; }

protected:
    QString shownText() const override;
    QString shownIcon() const override;

private:
    QWidget* makeContent() const;

    Icon m_icon;
    QString m_text;
    Keys m_keys;
};
