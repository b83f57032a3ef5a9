#pragma once

#include "resources/SoftKeyBars.h"

#include <QHash>
#include <QWidget>

class QAction;
class QKeyEvent;
class QMenu;
struct MenuItem;

// The two soft keys at the bottom of a phone page. A plain key sends its command; a drop-down
// key opens its pop-up menu above itself, and the chosen item sends its command. The menus are
// built once per bar from the menu data, so the owner can keep their items' enabled state,
// check marks and texts up to date at any time through action().
class SoftKeyBar : public QWidget {
    Q_OBJECT

public:
    enum Side { Left = 0, Right = 1 };

    explicit SoftKeyBar(QWidget* parent = nullptr);
    SoftKeyBar(int barId, QWidget* parent);

    // Shows the bar of that number, or a bar made in code; false (and an empty bar) for a
    // number that is no bar or a bar whose menu or pop-up does not exist.
    [[nodiscard]] bool setBar(int barId);
    [[nodiscard]] bool setBar(const SoftKeyBarData& bar);
    int barId() const { return m_data.id; }

    void setLabel(Side side, const QString& text);
    QString label(Side side) const;
    using QWidget::setEnabled;
    void setEnabled(Side side, bool enabled);
    bool isEnabled(Side side) const;
    bool hasButton(Side side) const;
    int commandId(Side side) const;  // 0 for a drop-down or a missing key

    // The pop-up a drop-down key opens; nullptr for a plain or missing key.
    QMenu* menu(Side side) const;
    // The item of a command in the bar's menus; nullptr when they have none.
    QAction* action(int commandId) const;

    // F1 and F2 press the left and right key; true when the event was one of them.
    bool handleKey(QKeyEvent* event);
    // What pressing a key does: send its command or open its pop-up.
    void press(Side side);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void commandTriggered(int commandId);
    // Sent before a pop-up opens, so the owner can bring its items up to date.
    void menuAboutToShow();

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    struct Key {
        bool present = false;
        QString label;
        bool enabled = false;
        SoftKeyButton button;
        QMenu* menu = nullptr;
    };

    void clear();
    QMenu* buildMenu(const QList<MenuItem>& items, const QString& title);
    void addItems(QMenu* menu, const QList<MenuItem>& items);
    void showMenu(Side side);
    Key& key(Side side) { return m_keys[side]; }
    const Key& key(Side side) const { return m_keys[side]; }

    SoftKeyBarData m_data;
    Key m_keys[2];
    QHash<int, QAction*> m_actions;
};
