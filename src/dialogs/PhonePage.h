#pragma once

#include "dialogs/Dumpable.h"

#include <QWidget>

class QLabel;
class QVBoxLayout;
class SoftKeyBar;

// The page every screen of Fennick is: a title strip, the content, and the two soft keys.
class PhonePage : public QWidget, public Dumpable {
    Q_OBJECT
public:
    explicit PhonePage(QWidget* parent = nullptr);

    void setTitle(const QString& title);
    QString title() const;
    // Takes the content widget, replacing any earlier one.
    void setContent(QWidget* content);
    QWidget* content() const { return m_content; }
    SoftKeyBar* softKeyBar() const { return m_softKeys; }

    // "== title ==", the content, then the soft keys as "keys: [File] [Edit]".
    void dumpTo(DumpWriter& writer) const override;

    // The look shared by every page.
    static QString styleSheet();

private:
    QLabel* m_title;
    QWidget* m_content = nullptr;
    QVBoxLayout* m_layout;
    SoftKeyBar* m_softKeys;
};
