#pragma once

#include "resources/SoftKeyBars.h"

#include <QHash>
#include <QWidget>

class QAction;
class QKeyEvent;
class QLabel;
class QMenu;

// The two soft keys at the bottom of every page. A plain key sends its command; a drop-down
// key opens a pop-up of the bar's menu above it. F1 and F2 press the keys, as does a click.
class SoftKeyBar : public QWidget {
    Q_OBJECT
public:
    enum Side { Left, Right };

    explicit SoftKeyBar(QWidget* parent = nullptr);

    // Shows a bar of the bar table, or a bar made for one page.
    void setBar(int barId);
    void setKeys(const SoftKeyBarData& data);
    int barId() const { return m_data.id; }

    void setLabel(Side side, const QString& text);
    QString label(Side side) const;
    void setKeyEnabled(Side side, bool enabled);

    // F1 and F2; true when the key was taken.
    bool handleKey(QKeyEvent* event);
    void press(Side side);

    // The menu item of a command, to enable, check or rename; null when the bar has none.
    QAction* action(int commandId) const { return m_actions.value(commandId); }
    QMenu* popup(int index) const;

signals:
    void commandTriggered(int commandId);
    // A pop-up is about to open: the owner brings its items up to date.
    void menuAboutToShow();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildMenus();

    SoftKeyBarData m_data;
    QLabel* m_left;
    QLabel* m_right;
    QList<QMenu*> m_popups;
    QHash<int, QAction*> m_actions;
};
