#pragma once

#include "dialogs/PhoneDialog.h"

#include <QImage>

// The full-screen question asked when a paste meets an existing target: a heading, the
// question, and the shell's question picture in the lower right corner. Besides Yes and No it
// offers "Yes to all" and "No to all", which set the caller's flags (never clear them).
class QuestionBox : public PhoneDialog {
    Q_OBJECT
public:
    QuestionBox(const QString& question, bool& yesToAll, bool& noToAll, QWidget* parent = nullptr);

    // Runs the box over `owner`; Cmd::Yes (6) or Cmd::No (7).
    [[nodiscard]] static int ask(QWidget* owner, const QString& question, bool& yesToAll, bool& noToAll);

    // The key of the registry (HKEY_LOCAL_MACHINE) that names the picture.
    static QString pictureKey();

protected:
    bool initialise() override;
    bool onCommand(int commandId) override;
    QString shownText() const override { return m_question; }

private:
    class Page;
    QString m_question;
    bool& m_yesToAll;
    bool& m_noToAll;
    Page* m_page = nullptr;
};
