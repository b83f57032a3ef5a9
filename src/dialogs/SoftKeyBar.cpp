#include "dialogs/SoftKeyBar.h"

#include "resources/Menus.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>

namespace {

void fillMenu(QMenu* menu, const QList<MenuItem>& items, QHash<int, QAction*>& actions)
{
    for (const MenuItem& item : items) {
        switch (item.kind) {
        case MenuItem::Separator:
            menu->addSeparator();
            break;
        case MenuItem::Popup: {
            QMenu* sub = menu->addMenu(item.text);
            fillMenu(sub, item.children, actions);
            break;
        }
        case MenuItem::Command: {
            QAction* action = menu->addAction(item.text);
            action->setData(item.commandId);
            actions.insert(item.commandId, action);
            break;
        }
        }
    }
}

}  // namespace

SoftKeyBar::SoftKeyBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("softKeyBar"));
    setAttribute(Qt::WA_StyledBackground);
    setFixedHeight(26);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 0, 6, 0);
    m_left = new QLabel(this);
    m_right = new QLabel(this);
    m_left->setObjectName(QStringLiteral("softKeyLeft"));
    m_right->setObjectName(QStringLiteral("softKeyRight"));
    m_right->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_left->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (QLabel* key : {m_left, m_right}) {
        key->setTextFormat(Qt::PlainText);
        key->installEventFilter(this);
        layout->addWidget(key, 1);
    }
}

void SoftKeyBar::setBar(int barId)
{
    if (const SoftKeyBarData* found = SoftKeyBars::bar(barId))
        setKeys(*found);
}

void SoftKeyBar::setKeys(const SoftKeyBarData& keys)
{
    m_data = keys;
    m_left->setText(keys.left.label);
    m_right->setText(keys.right.label);
    m_left->setEnabled(true);
    m_right->setEnabled(keys.hasRight());
    buildMenus();
}

void SoftKeyBar::buildMenus()
{
    qDeleteAll(m_popups);
    m_popups.clear();
    m_actions.clear();
    for (const MenuItem& popupItem : Menus::menu(m_data.menuId)) {
        auto* menu = new QMenu(this);
        menu->setObjectName(QStringLiteral("softKeyMenu"));
        fillMenu(menu, popupItem.children, m_actions);
        connect(menu, &QMenu::triggered, this, [this](QAction* chosen) {
            // A sub-menu's own action carries no command.
            if (chosen->data().isValid())
                emit commandTriggered(chosen->data().toInt());
        });
        m_popups.append(menu);
    }
}

QMenu* SoftKeyBar::popup(int index) const { return m_popups.value(index); }

void SoftKeyBar::setLabel(Side side, const QString& text) { (side == Left ? m_left : m_right)->setText(text); }

QString SoftKeyBar::label(Side side) const { return (side == Left ? m_left : m_right)->text(); }

void SoftKeyBar::setKeyEnabled(Side side, bool enabled) { (side == Left ? m_left : m_right)->setEnabled(enabled); }

bool SoftKeyBar::handleKey(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1) {
        press(Left);
        return true;
    }
    if (event->key() == Qt::Key_F2) {
        press(Right);
        return true;
    }
    return false;
}

void SoftKeyBar::press(Side side)
{
    const SoftKey& key = side == Left ? m_data.left : m_data.right;
    QLabel* label = side == Left ? m_left : m_right;
    if (key.label.isEmpty() || !label->isEnabled())
        return;
    if (!key.isDropDown()) {
        emit commandTriggered(key.commandId);
        return;
    }
    QMenu* menu = popup(key.popupIndex);
    if (!menu)
        return;
    emit menuAboutToShow();
    // The pop-up opens upward from its key, as on the phone.
    const QSize size = menu->sizeHint();
    QPoint corner = label->mapToGlobal(side == Left ? QPoint(0, 0) : QPoint(label->width(), 0));
    if (side == Right)
        corner.rx() -= size.width();
    corner.ry() -= size.height();
    menu->popup(corner);
}

bool SoftKeyBar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease && (watched == m_left || watched == m_right)) {
        press(watched == m_left ? Left : Right);
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
