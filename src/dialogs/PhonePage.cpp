#include "dialogs/PhonePage.h"

#include "dialogs/ScreenDump.h"
#include "dialogs/SoftKeyBar.h"

#include <QLabel>
#include <QVBoxLayout>

PhonePage::PhonePage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("phonePage"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(styleSheet());
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("titleStrip"));
    m_title->setTextFormat(Qt::PlainText);
    m_title->setFixedHeight(22);
    m_softKeys = new SoftKeyBar(this);
    m_layout->addWidget(m_title);
    m_layout->addStretch(1);
    m_layout->addWidget(m_softKeys);
}

void PhonePage::setTitle(const QString& title) { m_title->setText(title); }

QString PhonePage::title() const { return m_title->text(); }

void PhonePage::setContent(QWidget* content)
{
    if (m_content) {
        m_layout->removeWidget(m_content);
        m_content->deleteLater();
    } else {
        delete m_layout->takeAt(1);  // the stretch that held the place
    }
    m_content = content;
    content->setParent(this);
    m_layout->insertWidget(1, content, 1);
}

QString PhonePage::styleSheet()
{
    return QStringLiteral(
        "#phonePage { background: #ffffff; }"
        "#titleStrip { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #2f5f9f, stop:1 #1d4177);"
        "  color: white; font-weight: bold; padding-left: 6px; }"
        "#softKeyBar { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #4a4f57, stop:1 #2b2e33); }"
        "#softKeyLeft, #softKeyRight { color: white; font-weight: bold; }"
        "#softKeyLeft:disabled, #softKeyRight:disabled { color: #8a8f96; }"
        "QMenu#softKeyMenu, QMenu { background: #f7f7f7; border: 1px solid #4a4f57; }"
        "QMenu::item { padding: 3px 18px 3px 10px; }"
        "QMenu::item:selected { background: #2f5f9f; color: white; }"
        "QMenu::item:disabled { color: #9a9a9a; }");
}

void PhonePage::dumpTo(DumpWriter& writer) const
{
    writer.line(QStringLiteral("== %1 ==").arg(m_title->text()));
    if (m_content)
        ScreenDump::dumpWidgetTo(m_content, writer);
    QString keys = QStringLiteral("keys:");
    for (SoftKeyBar::Side side : {SoftKeyBar::Left, SoftKeyBar::Right}) {
        const QString label = m_softKeys->label(side);
        if (!label.isEmpty())
            keys += QStringLiteral(" [%1]").arg(label);
    }
    writer.line(keys);
}
