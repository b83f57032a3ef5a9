#include "dialogs/ScreenDump.h"

#include "dialogs/PhonePage.h"
#include "dialogs/SoftKeyBar.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTableView>
#include <QTextDocumentFragment>
#include <QTextEdit>
#include <QTreeView>

#include <algorithm>

namespace ScreenDump {

namespace {

// Qt names its windows in no particular order (topLevelWidgets() is a set), so the order in
// which they were put on top is noted as it happens: each window that is shown or raised gets
// the next number of a count, kept with it as a property.
constexpr char StackedProperty[] = "fennickStackedOrder";

class StackingWatch : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if ((event->type() == QEvent::Show || event->type() == QEvent::ZOrderChange) && watched->isWidgetType()
            && static_cast<QWidget*>(watched)->isWindow())
            watched->setProperty(StackedProperty, ++m_count);
        return false;
    }

private:
    qulonglong m_count = 0;
};

// Watching starts with the application, before any window can be shown.
void watchStacking()
{
    QCoreApplication* application = QCoreApplication::instance();
    application->installEventFilter(new StackingWatch(application));
}
Q_COREAPP_STARTUP_FUNCTION(watchStacking)

// The control that keys go to is the focus widget of its window, whether or not the window is
// active (offscreen, a dialog is never activated by itself). A control shown as one line
// (a combo box, a spin box) has the focus when its inner edit has it.
bool hasKeyFocus(const QWidget* widget, bool holdsItsChildren)
{
    const QWidget* focus = widget->window()->focusWidget();
    if (!focus)
        return widget->hasFocus();
    return focus == widget || (holdsItsChildren && widget->isAncestorOf(focus));
}

QString flags(const QWidget* widget, bool holdsItsChildren = true)
{
    QString text;
    if (!widget->isEnabled())
        text += QStringLiteral(" (disabled)");
    if (hasKeyFocus(widget, holdsItsChildren))
        text += QStringLiteral(" (focus)");
    return text;
}

QString checkMark(Qt::CheckState state)
{
    switch (state) {
    case Qt::Checked: return QStringLiteral("[x] ");
    case Qt::PartiallyChecked: return QStringLiteral("[-] ");
    case Qt::Unchecked: break;
    }
    return QStringLiteral("[ ] ");
}

// The lines a label shows: rich text as the plain text it reads as, one line a line.
QStringList labelLines(const QLabel* label)
{
    QString text = label->text();
    const bool rich = label->textFormat() == Qt::RichText
                      || (label->textFormat() == Qt::AutoText && Qt::mightBeRichText(text));
    if (rich) {
        text = QTextDocumentFragment::fromHtml(text).toPlainText();
        text.replace(QChar::LineSeparator, u'\n').replace(QChar::ParagraphSeparator, u'\n').replace(QChar::Nbsp, u' ');
    } else if (label->buddy()) {
        text = withoutMnemonics(text);
    }
    return text.split(u'\n');
}

// The text of a row, with the other visible columns of a table (or of a tree that shows its
// header) after it.
QString rowText(const QAbstractItemView* view, const QModelIndex& index)
{
    const QAbstractItemModel* model = view->model();
    const QHeaderView* header = nullptr;
    if (const auto* table = qobject_cast<const QTableView*>(view))
        header = table->horizontalHeader();
    else if (const auto* tree = qobject_cast<const QTreeView*>(view); tree && !tree->isHeaderHidden())
        header = tree->header();
    if (!header || model->columnCount(index.parent()) < 2)
        return model->data(index, Qt::DisplayRole).toString();
    QStringList cells;
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        if (!header->isSectionHidden(column))
            cells << model->data(index.siblingAtColumn(column), Qt::DisplayRole).toString();
    }
    return cells.join(QLatin1String(" | "));
}

// One row as the dump shows it: the cursor, the depth, the expand button, the check box, the
// text and the bold mark.
void dumpRow(const QAbstractItemView* view, const QModelIndex& index, int depth, DumpWriter& writer)
{
    const QAbstractItemModel* model = view->model();
    const auto* tree = qobject_cast<const QTreeView*>(view);
    QString line = index == view->currentIndex() ? QStringLiteral("> ") : QStringLiteral("  ");
    line += QString(depth * 2, u' ');
    if (tree)
        line += !model->hasChildren(index) ? QStringLiteral("  ")
                : tree->isExpanded(index)  ? QStringLiteral("- ")
                                           : QStringLiteral("+ ");
    const QVariant check = model->data(index, Qt::CheckStateRole);
    if (check.isValid())
        line += checkMark(check.value<Qt::CheckState>());
    line += rowText(view, index);
    const QVariant font = model->data(index, Qt::FontRole);
    if (font.isValid() && font.value<QFont>().bold())
        line += QStringLiteral(" *");
    writer.line(line);
}

// The rows on the screen, from the one at the top of the viewport down to the first one below
// it: a folder of a million items costs what the screen shows.
void dumpRows(const QAbstractItemView* view, DumpWriter& writer)
{
    const QAbstractItemModel* model = view->model();
    const auto* tree = qobject_cast<const QTreeView*>(view);
    const auto* list = qobject_cast<const QListView*>(view);
    const int column = list ? list->modelColumn() : 0;
    const QRect viewport = view->viewport()->rect();
    const bool topDown = tree || !list
                         || (list->viewMode() == QListView::ListMode && list->flow() == QListView::TopToBottom
                             && !list->isWrapping());
    if (tree) {
        for (QModelIndex index = tree->indexAt(QPoint(0, 0)).siblingAtColumn(0); index.isValid();
             index = tree->indexBelow(index)) {
            const QRect rect = view->visualRect(index);
            if (rect.top() > viewport.bottom())
                break;
            if (!rect.isValid() || !rect.intersects(viewport))
                continue;
            int depth = 0;
            for (QModelIndex above = index.parent(); above.isValid() && above != view->rootIndex();
                 above = above.parent())
                ++depth;
            dumpRow(view, index, depth, writer);
        }
        return;
    }
    const QModelIndex parent = view->rootIndex();
    int first = 0;
    if (topDown) {
        const QModelIndex top = view->indexAt(QPoint(1, 1));
        if (top.isValid() && top.parent() == parent)
            first = top.row();
    }
    for (int row = first; row < model->rowCount(parent); ++row) {
        const QModelIndex index = model->index(row, column, parent);
        const QRect rect = view->visualRect(index);
        if (topDown && rect.isValid() && rect.top() > viewport.bottom())
            break;
        if (rect.isValid() && rect.intersects(viewport))
            dumpRow(view, index, 0, writer);
    }
}

void dumpMenu(const QMenu* menu, DumpWriter& writer)
{
    writer.line(QStringLiteral("menu:"));
    writer.indent();
    for (const QAction* action : menu->actions()) {
        if (!action->isVisible())
            continue;
        if (action->isSeparator()) {
            writer.line(QStringLiteral("----"));
            continue;
        }
        QString line = action == menu->activeAction() ? QStringLiteral("> ") : QStringLiteral("  ");
        if (action->isCheckable())
            line += action->isChecked() ? QStringLiteral("[x] ") : QStringLiteral("[ ] ");
        line += withoutMnemonics(action->text()).replace(u'\t', QLatin1String("    "));
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
            childWidget && !childWidget->isWindow() && !childWidget->isHidden())
            children.append(childWidget);
    // Top to bottom, then left to right, as a person reads the screen. Widgets side by side
    // make one row even when their tops differ a little (a label beside a taller edit): one
    // joins the row of the widget above it when it starts above that one's middle.
    std::stable_sort(children.begin(), children.end(), [](const QWidget* a, const QWidget* b) {
        return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x();
    });
    auto rowStart = children.begin();
    while (rowStart != children.end()) {
        const int middle = (*rowStart)->geometry().center().y();
        auto rowEnd = std::find_if(rowStart + 1, children.end(),
                                   [middle](const QWidget* w) { return w->y() > middle; });
        std::stable_sort(rowStart, rowEnd, [](const QWidget* a, const QWidget* b) { return a->x() < b->x(); });
        rowStart = rowEnd;
    }
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
        if (!label->text().isEmpty()) {
            const QStringList lines = labelLines(label);
            writer.line(lines.first() + flags(label));
            for (qsizetype i = 1; i < lines.size(); ++i)
                writer.line(lines.at(i));
        } else if (label->property("iconName").isValid()) {
            writer.line(QStringLiteral("[icon %1]").arg(label->property("iconName").toString()));
        }
        return;
    }
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) {
        // A password shows as the dots a person sees, not as what was typed.
        const QString text = edit->echoMode() == QLineEdit::Normal   ? edit->text()
                             : edit->echoMode() == QLineEdit::NoEcho ? QString()
                                                                     : QString(edit->text().size(), u'*');
        writer.line(QStringLiteral("[edit] ") + text + flags(edit));
        return;
    }
    if (const auto* check = qobject_cast<const QCheckBox*>(widget)) {
        writer.line(checkMark(check->checkState()) + withoutMnemonics(check->text()) + flags(check));
        return;
    }
    if (const auto* radio = qobject_cast<const QRadioButton*>(widget)) {
        writer.line(checkMark(radio->isChecked() ? Qt::Checked : Qt::Unchecked) + withoutMnemonics(radio->text())
                    + flags(radio));
        return;
    }
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        writer.line(QStringLiteral("[button] ") + withoutMnemonics(button->text()) + flags(button));
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
        const qint64 span = qint64(progress->maximum()) - progress->minimum();
        if (span <= 0) {
            writer.line(QStringLiteral("[progress busy]"));
            return;
        }
        // Before the first value a bar holds minimum - 1: that is nothing done yet.
        const qint64 done = std::clamp<qint64>(qint64(progress->value()) - progress->minimum(), 0, span);
        writer.line(QStringLiteral("[progress %1%]").arg(done * 100 / span));
        return;
    }
    if (const auto* view = qobject_cast<const QAbstractItemView*>(widget)) {
        writer.line(QStringLiteral("list:") + flags(view));
        if (view->model())
            dumpRows(view, writer);
        return;
    }
    if (qobject_cast<const QTextEdit*>(widget) || qobject_cast<const QPlainTextEdit*>(widget)) {
        const auto* textEdit = qobject_cast<const QTextEdit*>(widget);
        const auto* plainEdit = qobject_cast<const QPlainTextEdit*>(widget);
        writer.line(QStringLiteral("[text]") + flags(widget));
        writer.indent();
        for (const QString& line : (textEdit ? textEdit->toPlainText() : plainEdit->toPlainText()).split(u'\n'))
            writer.line(line);
        writer.outdent();
        return;
    }
    if (const auto* tabs = qobject_cast<const QTabBar*>(widget)) {
        QStringList names;
        for (int i = 0; i < tabs->count(); ++i)
            names << (i == tabs->currentIndex() ? QStringLiteral(">") : QString()) + withoutMnemonics(tabs->tabText(i));
        writer.line(QStringLiteral("[tabs] ") + names.join(QLatin1String(" | ")) + flags(tabs));
        return;
    }
    if (qobject_cast<const QAbstractSlider*>(widget))
        return;  // scroll bars say nothing a person reads
    if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
        const QString title = withoutMnemonics(group->title());
        writer.line((group->isCheckable() ? checkMark(group->isChecked() ? Qt::Checked : Qt::Unchecked) + title
                                          : QStringLiteral("[group] ") + title)
                    + flags(group, false));
        writer.indent();
        dumpChildren(group, writer);
        writer.outdent();
        return;
    }
    dumpChildren(widget, writer);
}

}  // namespace

QString withoutMnemonics(const QString& text)
{
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'&' && i + 1 < text.size())
            ++i;  // "&&" shows one "&"; "&x" shows "x"
        shown += text.at(i);
    }
    return shown;
}

void dumpWidgetTo(const QWidget* widget, DumpWriter& writer) { dumpWidget(widget, writer); }

QWidget* topWindow(QWidget* mainWindow)
{
    QWidget* modal = QApplication::activeModalWidget();
    return modal && modal->isVisible() ? modal : mainWindow;
}

QList<QWidget*> shownPopups()
{
    QList<QWidget*> popups;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->isVisible() && window->windowType() == Qt::Popup)
            popups.append(window);
    std::stable_sort(popups.begin(), popups.end(), [](const QWidget* a, const QWidget* b) {
        return a->property(StackedProperty).toULongLong() < b->property(StackedProperty).toULongLong();
    });
    return popups;
}

QString dump(QWidget* mainWindow)
{
    const QWidget* top = topWindow(mainWindow);
    if (!top)
        return QString();
    DumpWriter writer;
    dumpChildren(top, writer);
    // Open pop-ups, outermost (the first opened) first: menus, then other pop-ups such as a
    // combo box's list.
    QList<const QMenu*> menus;
    QList<const QWidget*> otherPopups;
    for (const QWidget* window : shownPopups()) {
        if (const auto* menu = qobject_cast<const QMenu*>(window))
            menus.append(menu);
        else
            otherPopups.append(window);
    }
    for (const QMenu* menu : menus)
        dumpMenu(menu, writer);
    for (const QWidget* popup : otherPopups) {
        writer.line(QStringLiteral("popup:"));
        writer.indent();
        dumpChildren(popup, writer);
        writer.outdent();
    }
    QString text = writer.text();
    // A phone page draws its own title strip; any other window is named by its title.
    if (!text.startsWith(QLatin1String("== "))) {
        const QString title = QStringLiteral("== %1 ==\n").arg(top->windowTitle());
        text = text == u"\n" ? title : title + text;
    }
    return text;
}

}  // namespace ScreenDump
