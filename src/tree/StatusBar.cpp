#include "tree/StatusBar.h"

#include "platform/FileSystem.h"
#include "resources/Pictures.h"
#include "resources/SizeText.h"

#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QPainter>

namespace {

constexpr int SmallPointSize = 7;

QLabel* smallLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setPointSize(SmallPointSize);
    label->setFont(font);
    return label;
}

// Read-only, hidden, system, in ROM: the attribute, the letters beside its light (the ones the
// screen dump shows), and its place in the two-by-two block.
struct Indicator {
    quint32 bit;
    const char* letters;
    int column;
    int row;
};
const Indicator Indicators[StatusBar::IndicatorCount] = {
    {platform::Attr::ReadOnly, "R", 0, 0},
    {platform::Attr::Hidden, "H", 1, 0},
    {platform::Attr::System, "S", 0, 1},
    {platform::Attr::InRom, "ROM", 1, 1},
};
constexpr QSize LightSize{8, 7};
constexpr int LightGap = 2;
constexpr int ColumnGap = 5;
constexpr int RightMargin = 4;
constexpr int TextLeft = 20;
constexpr int TextGap = 6;

}  // namespace

StatusBar::StatusBar(QWidget* parent) : QWidget(parent)
{
    setFixedHeight(Height);
    setObjectName(QStringLiteral("statusBar"));
    m_first = smallLabel(QStringLiteral(" "), this);
    m_second = smallLabel(QStringLiteral("0"), this);
    layOut();
}

void StatusBar::setLines(const QString& first, const QString& second)
{
    m_first->setText(first);
    m_second->setText(second);
}

void StatusBar::setSecondLine(const QString& second) { m_second->setText(second); }
QString StatusBar::firstLine() const { return m_first->text(); }
QString StatusBar::secondLine() const { return m_second->text(); }

void StatusBar::setIndicators(quint32 attributes)
{
    m_attributes = attributes;
    update();
}

QString StatusBar::timeText(qint64 msecsSinceEpoch)
{
    const QDateTime time = QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch).toLocalTime();
    const QLocale locale;
    return locale.toString(time.date(), QLocale::ShortFormat) + u' '
           + locale.toString(time.time(), QLocale::ShortFormat);
}

void StatusBar::showItem(const platform::FindData& item)
{
    if (item.isFolder())
        m_first->setText(timeText(item.lastWriteTime));
    else
        setLines(timeText(item.lastWriteTime), sizeText(item.size));
    setIndicators(item.attributes);
}

void StatusBar::dumpTo(DumpWriter& writer) const
{
    QStringList indicators;
    for (const Indicator& each : Indicators)
        indicators << ((m_attributes & each.bit) ? QString::fromLatin1(each.letters) : QStringLiteral("-"));
    writer.line(
        QStringLiteral("status: %1 | %2 | %3").arg(m_first->text().trimmed(), m_second->text(), indicators.join(u' ')));
}

QFont StatusBar::indicatorFont() const
{
    QFont font = this->font();
    font.setPointSize(SmallPointSize);
    font.setBold(true);
    return font;
}

// The block of indicators hangs from the right end; each column is as wide as its longest
// letters, so "ROM" is read whole.
QRect StatusBar::indicatorRect(int index) const
{
    if (index < 0 || index >= IndicatorCount)
        return {};
    const QFontMetrics metrics(indicatorFont());
    int columnWidth[2] = {0, 0};
    for (const Indicator& each : Indicators)
        columnWidth[each.column] = std::max(columnWidth[each.column],
                                            LightSize.width() + LightGap
                                                + metrics.horizontalAdvance(QString::fromLatin1(each.letters)));
    const int blockLeft = width() - RightMargin - columnWidth[0] - ColumnGap - columnWidth[1];
    const Indicator& wanted = Indicators[index];
    const int left = wanted.column == 0 ? blockLeft : blockLeft + columnWidth[0] + ColumnGap;
    const int rowHeight = Height / 2;
    return {left, wanted.row * rowHeight, columnWidth[wanted.column], rowHeight};
}

void StatusBar::layOut()
{
    // The two lines take what the indicators leave.
    const int right = std::min(indicatorRect(0).left(), indicatorRect(2).left()) - TextGap;
    const int lineWidth = std::max(0, right - TextLeft);
    m_first->setGeometry(TextLeft, 1, lineWidth, 10);
    m_second->setGeometry(TextLeft, 10, lineWidth, 10);
}

void StatusBar::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    layOut();
}

void StatusBar::paintEvent(QPaintEvent*)
{
    if (m_background.isNull() || m_background.size() != size())
        m_background = Pictures::statusBarBackground(size());
    if (m_icon.isNull()) {
        m_icon = Pictures::statusBarIcon(16);
        m_lights[0] = Pictures::indicator(false, LightSize);
        m_lights[1] = Pictures::indicator(true, LightSize);
    }
    QPainter painter(this);
    painter.drawPixmap(rect(), m_background);
    painter.drawPixmap(2, 2, m_icon);
    painter.setFont(indicatorFont());
    for (int index = 0; index < IndicatorCount; ++index) {
        const Indicator& each = Indicators[index];
        const bool set = m_attributes & each.bit;
        const QRect box = indicatorRect(index);
        const QPoint lightAt(box.left(), box.top() + (box.height() - LightSize.height() + 1) / 2);
        painter.drawPixmap(lightAt, m_lights[set ? 1 : 0]);
        // A clear indicator keeps its letters, greyed, so each one can be read as what it is.
        painter.setPen(set ? QColor(0x1e, 0x24, 0x2c) : QColor(0x7a, 0x84, 0x90));
        const QRect letters = box.adjusted(LightSize.width() + LightGap, 0, 0, 0);
        painter.drawText(letters, Qt::AlignLeft | Qt::AlignVCenter, QString::fromLatin1(each.letters));
    }
}
