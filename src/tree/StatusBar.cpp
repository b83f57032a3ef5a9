#include "tree/StatusBar.h"

#include "platform/FileSystem.h"
#include "resources/Pictures.h"
#include "tree/SizeText.h"

#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QPainter>

namespace {

QLabel* smallLabel(const QString& text, const QRect& rect, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setGeometry(rect);
    label->setTextFormat(Qt::PlainText);
    QFont font = label->font();
    font.setPointSize(7);
    label->setFont(font);
    return label;
}

// Indicator positions: read-only, hidden, system, in ROM.
const QPoint IndicatorPositions[] = {{134, 2}, {161, 2}, {134, 12}, {161, 12}};
const quint32 IndicatorBits[] = {platform::Attr::ReadOnly, platform::Attr::Hidden, platform::Attr::System,
                                 platform::Attr::InRom};
constexpr QSize IndicatorSize{8, 7};

}  // namespace

StatusBar::StatusBar(QWidget* parent) : QWidget(parent)
{
    setFixedHeight(Height);
    setObjectName(QStringLiteral("statusBar"));
    m_first = smallLabel(QStringLiteral(" "), QRect(QPoint(20, 1), QPoint(120, 11)), this);
    m_second = smallLabel(QStringLiteral("0"), QRect(QPoint(20, 10), QPoint(120, 21)), this);
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
    return locale.toString(time.date(), QLocale::ShortFormat) + u' ' + locale.toString(time.time(), QLocale::ShortFormat);
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
    static const char* const names[] = {"R", "H", "S", "ROM"};
    QStringList indicators;
    for (size_t i = 0; i < std::size(IndicatorBits); ++i)
        indicators << ((m_attributes & IndicatorBits[i]) ? QString::fromLatin1(names[i]) : QStringLiteral("-"));
    writer.line(QStringLiteral("status: %1 | %2 | %3").arg(m_first->text().trimmed(), m_second->text(), indicators.join(u' ')));
}

void StatusBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawPixmap(rect(), Pictures::statusBarBackground(size()));
    painter.drawPixmap(2, 2, Pictures::statusBarIcon(16));
    for (size_t i = 0; i < std::size(IndicatorBits); ++i)
        painter.drawPixmap(IndicatorPositions[i], Pictures::indicator(m_attributes & IndicatorBits[i], IndicatorSize));
}
