#pragma once

#include "dialogs/Dumpable.h"

#include <QPixmap>
#include <QWidget>

class QLabel;
namespace platform {
struct FindData;
}

// The band below the tree: two small lines about the current item (its date and size, or a
// folder's counts, or a card's size and free space) and four attribute indicators, each a
// light with its letters beside it (R read-only, H hidden, S system, ROM in ROM), two above
// two at the right end.
class StatusBar : public QWidget, public Dumpable {
    Q_OBJECT
public:
    static constexpr int Height = 20;
    static constexpr int IndicatorCount = 4;

    explicit StatusBar(QWidget* parent = nullptr);

    void setLines(const QString& first, const QString& second);
    void setSecondLine(const QString& second);
    QString firstLine() const;
    QString secondLine() const;
    // The read-only, hidden, system and in-ROM indicators from the item's attributes.
    void setIndicators(quint32 attributes);
    // A file's date, time and size; a folder's date (its counts come separately).
    void showItem(const platform::FindData& item);

    // "status: FIRST | SECOND | R H S ROM", each indicator shown when set, "-" when clear.
    void dumpTo(DumpWriter& writer) const override;

    // The date and time text of a time stamp, in the user's locale.
    static QString timeText(qint64 msecsSinceEpoch);

    // Where indicator `index` (read-only, hidden, system, in ROM) is drawn, its light and its
    // letters; and the two lines' labels. For tests of the layout.
    QRect indicatorRect(int index) const;
    const QLabel* firstLineLabel() const { return m_first; }
    const QLabel* secondLineLabel() const { return m_second; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QFont indicatorFont() const;
    void layOut();

    QLabel* m_first;
    QLabel* m_second;
    quint32 m_attributes = 0;
    // The pictures rendered from their SVGs at the first paint, and the background again after
    // a resize: the bar repaints whenever the current item's lines change, and parsing six
    // SVGs each time would hold the window after every move of the cursor.
    QPixmap m_background;
    QPixmap m_icon;
    QPixmap m_lights[2];
};
