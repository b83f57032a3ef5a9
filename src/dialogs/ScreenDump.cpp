#include "dialogs/ScreenDump.h"

#include "dialogs/PhonePage.h"
#include "dialogs/SoftKeyBar.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QRadioButton>
#include <QSpinBox>
#include <QTreeView>

#include <algorithm>

namespace ScreenDump {

namespace {

QString flags(const QWidget* widget)
{
    QString text;
    if (!widget->isEnabled())
        text += QStringLiteral(" (disabled)");
    if (widget->hasFocus() || QApplication::focusWidget() == widget)
        text += QStringLiteral(" (focus)");
    return text;
}

void dumpRows(const QAbstractItemView* view, const QModelIndex& parent, int depth, DumpWriter& writer)
{
    const QAbstractItemModel* model = view->model();
    const auto* tree = qobject_cast<const QTreeView*>(view);
    const QRect viewport = view->viewport()->rect();
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, 0, parent);
        const QRect rect = view->visualRect(index);
        const bool expanded = tree && tree->isExpanded(index);
        if (rect.isValid() && rect.intersects(viewport)) {
            QString line = index == view->currentIndex() ? QStringLiteral("> ") : QStringLiteral("  ");
            line += QString(depth * 2, u' ');
            if (tree)
                line += !model->hasChildren(index) ? QStringLiteral("  ") : expanded ? QStringLiteral("- ") : QStringLiteral("+ ");
            const QVariant check = model->data(index, Qt::CheckStateRole);
            if (check.isValid())
                line += check.toInt() == Qt::Checked ? QStringLiteral("[x] ") : QStringLiteral("[ ] ");
            line += model->data(index, Qt::DisplayRole).toString();
            const QVariant font = model->data(index, Qt::FontRole);
            if (font.isValid() && font.value<QFont>().bold())
                line += QStringLiteral(" *");
            writer.line(line);
        }
        if (expanded)
            dumpRows(view, index, depth + 1, writer);
    }
}

void dumpMenu(const QMenu* menu, DumpWriter& writer)
{
    writer.line(QStringLiteral("menu:"));
    writer.indent();
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            writer.line(QStringLiteral("----"));
            continue;
        }
        QString line = action == menu->activeAction() ? QStringLiteral("> ") : QStringLiteral("  ");
        if (action->isCheckable())
            line += action->isChecked() ? QStringLiteral("[x] ") : QStringLiteral("[ ] ");
        line += QString(action->text()).replace(u'\t', QLatin1String("    ")).replace(QLatin1String("&&"), QLatin1String("&"));
        if (action->menu())
            line += QStringLiteral(" >");
        if (!action->isEnabled())
            line += QStringLiteral(" (disabled)");
        writer.line(line);
    }
    writer.outdent();
}

void dumpWidget(const QWidget* widget, DumpWriter& writer);

void dumpChildren(const QWidget* widget, DumpWriter& writer)
{
    QList<const QWidget*> children;
    for (const QObject* child : widget->children())
        if (const auto* childWidget = qobject_cast<const QWidget*>(child);
            childWidget && !childWidget->isWindow() && childWidget->isVisible())
            children.append(childWidget);
    // Top to bottom, then left to right, as a person reads the screen.
    std::stable_sort(children.begin(), children.end(), [](const QWidget* a, const QWidget* b) {
        if (a->y() != b->y())
            return a->y() < b->y();
        return a->x() < b->x();
    });
    for (const QWidget* child : children)
        dumpWidget(child, writer);
}

void dumpWidget(const QWidget* widget, DumpWriter& writer)
{
    if (const auto* self = dynamic_cast<const Dumpable*>(widget)) {
        self->dumpTo(writer);
        return;
    }
    if (const auto* page = qobject_cast<const PhonePage*>(widget)) {
        // "== title ==", the content, then the soft keys as "keys: [File] [Edit]".
        writer.line(QStringLiteral("== %1 ==").arg(page->title()));
        if (page->content())
            dumpWidget(page->content(), writer);
        QString keys = QStringLiteral("keys:");
        for (SoftKeyBar::Side side : {SoftKeyBar::Left, SoftKeyBar::Right})
            if (page->softKeyBar()->hasButton(side))
                keys += QStringLiteral(" [%1]").arg(page->softKeyBar()->label(side))
                      + (page->softKeyBar()->isEnabled(side) ? QString() : QStringLiteral("(disabled)"));
        writer.line(keys);
        return;
    }
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        if (!label->text().isEmpty())
            writer.line(label->text() + flags(label));
        else if (label->property("iconName").isValid())
            writer.line(QStringLiteral("[icon %1]").arg(label->property("iconName").toString()));
        return;
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) {
        writer.line(QStringLiteral("[edit] ") + edit->text() + flags(edit));
        return;
    }
    if (const auto* check = qobject_cast<const QCheckBox*>(widget)) {
        writer.line((check->isChecked() ? QStringLiteral("[x] ") : QStringLiteral("[ ] ")) + check->text() + flags(check));
        return;
    }
    if (const auto* radio = qobject_cast<const QRadioButton*>(widget)) {
        writer.line((radio->isChecked() ? QStringLiteral("(o) ") : QStringLiteral("( ) ")) + radio->text() + flags(radio));
        return;
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        writer.line(QStringLiteral("[button] ") + button->text() + flags(button));
        return;
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(widget)) {
        writer.line(QStringLiteral("[choice] ") + combo->currentText() + flags(combo));
        return;
    }
    if (const auto* spin = qobject_cast<const QAbstractSpinBox*>(widget)) {
        writer.line(QStringLiteral("[spin] ") + spin->text() + flags(spin));
        return;
    }
    if (const auto* progress = qobject_cast<const QProgressBar*>(widget)) {
        const int span = progress->maximum() - progress->minimum();
        const int percent = span > 0 ? (progress->value() - progress->minimum()) * 100 / span : 0;
        writer.line(QStringLiteral("[progress %1%]").arg(percent));
        return;
    }
    if (const auto* view = qobject_cast<const QAbstractItemView*>(widget)) {
        writer.line(QStringLiteral("list:") + flags(view));
        if (view->model())
            dumpRows(view, view->rootIndex(), 0, writer);
        return;
    }
    dumpChildren(widget, writer);
}

}  // namespace

void dumpWidgetTo(const QWidget* widget, DumpWriter& writer) { dumpWidget(widget, writer); }

QWidget* topWindow(QWidget* mainWindow)
{
    QWidget* modal = QApplication::activeModalWidget();
    return modal && modal->isVisible() ? modal : mainWindow;
}

QString dump(QWidget* mainWindow)
{
    DumpWriter writer;
    dumpChildren(topWindow(mainWindow), writer);
    // Open pop-ups, outermost first.
    QList<const QMenu*> menus;
    for (const QWidget* window : QApplication::topLevelWidgets())
        if (const auto* menu = qobject_cast<const QMenu*>(window); menu && menu->isVisible())
            menus.append(menu);
    std::sort(menus.begin(), menus.end(), [](const QMenu* a, const QMenu* b) { return a->x() < b->x(); });
    for (const QMenu* menu : menus)
        dumpMenu(menu, writer);
    return writer.text();
}

}  // namespace ScreenDump
