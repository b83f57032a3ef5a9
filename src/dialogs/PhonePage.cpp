#include "dialogs/PhonePage.h"

#include "dialogs/SoftKeyBar.h"

#include <QEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QVBoxLayout>

namespace {

constexpr int TitlePadding = 4;
constexpr int TitleMargin = 6;
// Texts are set in 9 points, as on the phone, whatever size the desktop's own font has.
constexpr int PagePointSize = 9;

}  // namespace

PhonePage::PhonePage(QWidget* parent) : QWidget(parent)
{
    QFont pageFont = font();
    pageFont.setPointSize(PagePointSize);
    setFont(pageFont);

    QPalette light = palette();
    light.setColor(QPalette::Window, Qt::white);
    light.setColor(QPalette::WindowText, QColor(0x1e, 0x24, 0x2c));
    light.setColor(QPalette::Base, Qt::white);
    light.setColor(QPalette::Text, QColor(0x1e, 0x24, 0x2c));
    setPalette(light);
    setAutoFillBackground(true);

    m_softKeyBar = new SoftKeyBar(this);
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, titleStripHeight(), 0, 0);
    m_layout->setSpacing(0);
    m_layout->addStretch(1);
    m_layout->addWidget(m_softKeyBar);
    watchWindow();
}

void PhonePage::setContent(QWidget* content)
{
    if (content == m_content)
        return;
    if (m_content) {
        m_layout->removeWidget(m_content);
        delete m_content;
    }
    // The stretch that kept the bar at the bottom of an empty page.
    if (QLayoutItem* first = m_layout->itemAt(0); first && first->spacerItem())
        delete m_layout->takeAt(0);
    m_content = content;
    if (content)
        m_layout->insertWidget(0, content, 1);
    else
        m_layout->insertStretch(0, 1);
}

QString PhonePage::title() const { return window()->windowTitle(); }

QFont PhonePage::titleFont() const
{
    QFont bold = font();
    bold.setBold(true);
    return bold;
}

int PhonePage::titleStripHeight() const { return QFontMetrics(titleFont()).height() + 2 * TitlePadding; }

QSize PhonePage::sizeHint() const { return {DefaultWidth, DefaultHeight}; }

bool PhonePage::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::ParentChange:
    case QEvent::Show: watchWindow(); break;
    case QEvent::FontChange:
        // The strip's height follows the font; the constructor sets the font before the layout.
        if (m_layout)
            m_layout->setContentsMargins(0, titleStripHeight(), 0, 0);
        break;
    case QEvent::WindowTitleChange: update(); break;
    default: break;
    }
    return QWidget::event(event);
}

// The strip shows the title of whatever window holds the page, which changes when the page is
// put into a window after it was made.
void PhonePage::watchWindow()
{
    QWidget* top = window();
    if (top == m_watchedWindow)
        return;
    if (m_watchedWindow && m_watchedWindow != this)
        m_watchedWindow->removeEventFilter(this);
    m_watchedWindow = top;
    if (top != this)
        top->installEventFilter(this);
    update();
}

bool PhonePage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_watchedWindow && event->type() == QEvent::WindowTitleChange)
        update();
    return QWidget::eventFilter(watched, event);
}

void PhonePage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect strip(0, 0, width(), titleStripHeight());
    QLinearGradient background(strip.topLeft(), strip.bottomLeft());
    background.setColorAt(0.0, QColor(0x3d, 0x73, 0xb0));
    background.setColorAt(1.0, QColor(0x2a, 0x58, 0x8e));
    painter.fillRect(strip, background);

    painter.setFont(titleFont());
    painter.setPen(Qt::white);
    const QRect textBox = strip.adjusted(TitleMargin, 0, -TitleMargin, 0);
    const QString text = painter.fontMetrics().elidedText(title(), Qt::ElideRight, textBox.width());
    painter.drawText(textBox, Qt::AlignVCenter | Qt::AlignLeft, text);
}
