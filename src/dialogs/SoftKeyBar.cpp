#include "dialogs/SoftKeyBar.h"

#include "resources/Menus.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr int LabelMargin = 8;
constexpr int VerticalPadding = 5;

QFont labelFont(const QFont& base)
{
    QFont font = base;
    font.setBold(true);
    return font;
}

}  // namespace

SoftKeyBar::SoftKeyBar(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

SoftKeyBar::SoftKeyBar(int barId, QWidget* parent) : SoftKeyBar(parent)
{
    // A bar that cannot be made stays empty; an owner that must know asks setBar() itself.
    (void)setBar(barId);
}

bool SoftKeyBar::setBar(int barId)
{
    const SoftKeyBarData* found = SoftKeyBars::bar(barId);
    if (!found) {
        clear();
        return false;
    }
    return setBar(*found);
}

bool SoftKeyBar::setBar(const SoftKeyBarData& bar)
{
    clear();
    if (bar.buttons.size() > 2)
        return false;
    for (qsizetype index = 0; index < bar.buttons.size(); ++index) {
        const SoftKeyButton& button = bar.buttons.at(index);
        Key& target = m_keys[index];
        target.present = true;
        target.button = button;
        target.label = button.labelText();
        target.enabled = button.enabled;
        if (!button.dropDown)
            continue;
        const QList<MenuItem>* items = Menus::menu(bar.menuId);
        if (!items) {
            clear();
            return false;
        }
        if (button.popupIndex == SoftKeyButton::WholeMenu) {
            target.menu = buildMenu(*items, target.label);
        } else if (button.popupIndex >= 0 && button.popupIndex < items->size()
                   && items->at(button.popupIndex).isPopup()) {
            const MenuItem& popup = items->at(button.popupIndex);
            target.menu = buildMenu(popup.children, popup.text);
        } else {
            clear();
            return false;
        }
    }
    m_data = bar;
    update();
    return true;
}

void SoftKeyBar::clear()
{
    for (Key& each : m_keys) {
        // Later, because the bar may be changed from a slot of that menu's own item.
        if (each.menu) {
            each.menu->hide();
            each.menu->deleteLater();
        }
        each = Key();
    }
    m_actions.clear();
    m_data = SoftKeyBarData();
    update();
}

QMenu* SoftKeyBar::buildMenu(const QList<MenuItem>& items, const QString& title)
{
    auto* menu = new QMenu(title, this);
    // A pop-up is a window of its own and would not take the page's font by itself.
    menu->setFont(font());
    menu->installEventFilter(this);
    addItems(menu, items);
    return menu;
}

void SoftKeyBar::addItems(QMenu* menu, const QList<MenuItem>& items)
{
    for (const MenuItem& item : items) {
        if (item.isSeparator()) {
            menu->addSeparator();
        } else if (item.isPopup()) {
            QMenu* sub = menu->addMenu(item.text);
            sub->setFont(font());
            sub->installEventFilter(this);
            addItems(sub, item.children);
        } else {
            QAction* action = menu->addAction(item.text);
            action->setData(item.commandId);
            const int commandId = item.commandId;
            connect(action, &QAction::triggered, this, [this, commandId] { emit commandTriggered(commandId); });
            if (!m_actions.contains(commandId))
                m_actions.insert(commandId, action);
        }
    }
}

void SoftKeyBar::setLabel(Side side, const QString& text)
{
    key(side).label = text;
    update();
}

QString SoftKeyBar::label(Side side) const { return key(side).label; }

void SoftKeyBar::setEnabled(Side side, bool enabled)
{
    key(side).enabled = enabled;
    update();
}

bool SoftKeyBar::isEnabled(Side side) const { return key(side).present && key(side).enabled; }

bool SoftKeyBar::hasButton(Side side) const { return key(side).present; }

int SoftKeyBar::commandId(Side side) const
{
    const Key& target = key(side);
    return target.present && !target.button.dropDown ? target.button.commandId : 0;
}

QMenu* SoftKeyBar::menu(Side side) const { return key(side).menu; }

QAction* SoftKeyBar::action(int commandId) const { return m_actions.value(commandId, nullptr); }

bool SoftKeyBar::handleKey(QKeyEvent* event)
{
    if (event->key() != Qt::Key_F1 && event->key() != Qt::Key_F2)
        return false;
    if (event->type() == QEvent::KeyPress && !event->isAutoRepeat())
        press(event->key() == Qt::Key_F1 ? Left : Right);
    return true;
}

void SoftKeyBar::press(Side side)
{
    if (!isEnabled(side))
        return;
    if (key(side).button.dropDown)
        showMenu(side);
    else
        emit commandTriggered(key(side).button.commandId);
}

void SoftKeyBar::showMenu(Side side)
{
    emit menuAboutToShow();
    // The owner may have changed the bar or the key while it brought the items up to date.
    QMenu* menu = key(side).menu;
    if (!menu || !isEnabled(side))
        return;
    const QSize size = menu->sizeHint();
    const QPoint barTopLeft = mapToGlobal(QPoint(0, 0));
    const int x = side == Left ? barTopLeft.x() : barTopLeft.x() + width() - size.width();
    menu->popup(QPoint(x, barTopLeft.y() - size.height()));
    // As on the phone, the pop-up opens on its first item that can be chosen, so the soft key
    // and then the action key pick it, and one Down reaches the second. The menu's own Down
    // does exactly that in a pop-up with no highlighted item, and unlike setActiveAction() it
    // does not open a sub-menu that comes first.
    if (!menu->activeAction()) {
        QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
        QCoreApplication::sendEvent(menu, &down);
    }
}

QSize SoftKeyBar::sizeHint() const
{
    const QFontMetrics metrics(labelFont(font()));
    return {metrics.horizontalAdvance(QStringLiteral("Cancel")) * 2 + 4 * LabelMargin,
            metrics.height() + 2 * VerticalPadding};
}

QSize SoftKeyBar::minimumSizeHint() const { return sizeHint(); }

void SoftKeyBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = rect();
    QLinearGradient background(area.topLeft(), area.bottomLeft());
    background.setColorAt(0.0, QColor(0xf6, 0xf8, 0xfb));
    background.setColorAt(1.0, QColor(0xd8, 0xde, 0xe7));
    painter.fillRect(area, background);
    painter.setPen(QColor(0xa4, 0xae, 0xbc));
    painter.drawLine(area.topLeft(), area.topRight());
    if (key(Left).present && key(Right).present) {
        const int middle = area.width() / 2;
        painter.drawLine(middle, area.top() + VerticalPadding, middle, area.bottom() - VerticalPadding);
    }

    painter.setFont(labelFont(font()));
    const int halfWidth = area.width() / 2 - 2 * LabelMargin;
    for (const Side side : {Left, Right}) {
        const Key& each = key(side);
        if (!each.present)
            continue;
        painter.setPen(each.enabled ? QColor(0x16, 0x2a, 0x46) : QColor(0x9a, 0xa3, 0xad));
        const QRect box = side == Left ? QRect(LabelMargin, 0, halfWidth, area.height())
                                       : QRect(area.width() - LabelMargin - halfWidth, 0, halfWidth, area.height());
        const QString text = painter.fontMetrics().elidedText(each.label, Qt::ElideRight, box.width());
        painter.drawText(box, Qt::AlignVCenter | (side == Left ? Qt::AlignLeft : Qt::AlignRight), text);
    }
}

// As on the phone, a soft key pressed while a pop-up is open closes it.
bool SoftKeyBar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && qobject_cast<QMenu*>(watched)) {
        const int pressed = static_cast<QKeyEvent*>(event)->key();
        if (pressed == Qt::Key_F1 || pressed == Qt::Key_F2) {
            for (const Key& each : m_keys) {
                if (each.menu)
                    each.menu->hide();
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SoftKeyBar::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::FontChange) {
        for (const Key& each : m_keys) {
            if (!each.menu)
                continue;
            each.menu->setFont(font());
            for (QMenu* sub : each.menu->findChildren<QMenu*>())
                sub->setFont(font());
        }
        updateGeometry();
    }
    QWidget::changeEvent(event);
}

void SoftKeyBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint()))
        return;
    const Side side = event->position().x() < width() / 2.0 ? Left : Right;
    // A bar with one key answers on its whole width.
    press(key(side).present ? side : Left);
}
