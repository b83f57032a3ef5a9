#include "dialogs/ProgressStrip.h"

#include <QPainter>

#include <algorithm>

ProgressStrip::ProgressStrip() { setFixedHeight(12); }

void ProgressStrip::setPart(double part)
{
    const int permille = static_cast<int>(std::clamp(part, 0.0, 1.0) * 1000);
    if (permille != m_permille) {
        m_permille = permille;
        update();
    }
}

void ProgressStrip::dumpTo(DumpWriter& writer) const
{
    writer.line(QStringLiteral("[progress %1%]").arg(m_permille / 10));
}

void ProgressStrip::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect frame = rect().adjusted(0, 0, -1, -1);
    painter.setPen(palette().color(QPalette::Mid));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRect(frame);
    const int done = (frame.width() - 1) * m_permille / 1000;
    if (done > 0)
        painter.fillRect(QRect(frame.left() + 1, frame.top() + 1, done, frame.height() - 1),
                         palette().color(QPalette::Highlight));
}
