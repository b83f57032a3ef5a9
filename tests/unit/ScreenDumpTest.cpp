// The screen as text: small windows made here, dumped as a keypad script's `dump` prints them.
#include "dialogs/ScreenDump.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

// A widget that tells its own story; its children are not walked.
class SelfDescribed : public QWidget, public Dumpable {
public:
    explicit SelfDescribed(QWidget* parent) : QWidget(parent) { new QLabel(QStringLiteral("inner label"), this); }
    void dumpTo(DumpWriter& writer) const override { writer.line(QStringLiteral("counted: 3 items")); }
};

TEST(ScreenDumpTest, TreeRowsShowDepthExpandStateChecksBoldAndTheCurrentRow)
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("Files"));
    window.resize(240, 320);
    auto* view = new QTreeView(&window);
    view->setHeaderHidden(true);
    new QVBoxLayout(&window);
    window.layout()->addWidget(view);

    QStandardItemModel model;
    auto* root = new QStandardItem(QStringLiteral("\\"));
    auto* docs = new QStandardItem(QStringLiteral("Docs"));
    QFont bold;
    bold.setBold(true);
    docs->setFont(bold);
    auto* file = new QStandardItem(QStringLiteral("a.txt"));
    auto* sub = new QStandardItem(QStringLiteral("Sub"));
    sub->appendRow(new QStandardItem(QStringLiteral("hidden inside")));
    docs->appendRow(file);
    docs->appendRow(sub);
    auto* music = new QStandardItem(QStringLiteral("Music"));
    music->setCheckable(true);
    music->setCheckState(Qt::Checked);
    root->appendRow(docs);
    root->appendRow(music);
    model.appendRow(root);
    view->setModel(&model);
    view->expand(root->index());
    view->expand(docs->index());
    view->setCurrentIndex(file->index());
    window.show();
    view->setFocus();

    EXPECT_EQ(ScreenDump::dump(&window).toStdString(),
              "== Files ==\n"
              "list: (focus)\n"
              "  - \\\n"
              "    - Docs *\n"
              ">       a.txt\n"
              "      + Sub\n"
              "      [x] Music\n");

    // Rows scrolled out of the viewport are not on the screen.
    view->setFixedHeight(view->visualRect(root->index()).height() * 2 + view->frameWidth() * 2);
    window.layout()->activate();
    view->scrollTo(file->index(), QAbstractItemView::PositionAtTop);
    const QString scrolled = ScreenDump::dump(&window);
    EXPECT_FALSE(scrolled.contains(QStringLiteral("Docs"))) << scrolled.toStdString();
    EXPECT_TRUE(scrolled.contains(QStringLiteral(">       a.txt"))) << scrolled.toStdString();
    EXPECT_FALSE(scrolled.contains(QStringLiteral("Music"))) << scrolled.toStdString();
}

// A long list shows, and the dump prints, only the rows in its viewport, wherever it is
// scrolled: the rows above it as much as those below.
TEST(ScreenDumpTest, AScrolledListShowsTheRowsInItsViewportOnly)
{
    QWidget window;
    window.resize(240, 320);
    auto* view = new QListView(&window);
    new QVBoxLayout(&window);
    window.layout()->addWidget(view);
    QStandardItemModel model;
    for (int row = 0; row < 1000; ++row)
        model.appendRow(new QStandardItem(QStringLiteral("row %1.").arg(row)));
    view->setModel(&model);
    window.show();
    view->scrollTo(model.index(500, 0), QAbstractItemView::PositionAtTop);
    const QString dump = ScreenDump::dump(&window);
    EXPECT_TRUE(dump.contains(QStringLiteral("row 500."))) << dump.toStdString();
    EXPECT_TRUE(dump.contains(QStringLiteral("row 501."))) << dump.toStdString();
    for (const int away : {0, 499, 600, 999})
        EXPECT_FALSE(dump.contains(QStringLiteral("row %1.").arg(away))) << away;
}

TEST(ScreenDumpTest, ControlsInReadingOrderWithTheirValuesAndStates)
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("Form"));
    window.resize(240, 320);
    // Placed by hand so that the reading order does not come from the order of creation.
    auto place = [](QWidget* widget, int x, int y, int width, int height) {
        widget->setGeometry(x, y, width, height);
        return widget;
    };
    auto* okButton = new QPushButton(QStringLiteral("&OK"), &window);
    place(okButton, 5, 210, 60, 24);
    auto* rich = new QLabel(QStringLiteral("<b>Two</b><br>lines"), &window);
    place(rich, 5, 240, 200, 40);
    // The label sits a little lower than the taller edit beside it: still one row.
    auto* edit = new QLineEdit(QStringLiteral("Report"), &window);
    place(edit, 60, 4, 120, 26);
    place(new QLabel(QStringLiteral("Name:"), &window), 5, 9, 50, 16);
    auto* password = new QLineEdit(QStringLiteral("secret"), &window);
    password->setEchoMode(QLineEdit::Password);
    place(password, 5, 34, 120, 22);
    auto* overwrite = new QCheckBox(QStringLiteral("&Overwrite"), &window);
    overwrite->setChecked(true);
    overwrite->setEnabled(false);
    place(overwrite, 5, 60, 150, 20);
    auto* move = new QRadioButton(QStringLiteral("Move"), &window);
    place(move, 120, 86, 100, 20);
    auto* copy = new QRadioButton(QStringLiteral("Copy"), &window);
    copy->setChecked(true);
    place(copy, 5, 84, 100, 20);
    auto* combo = new QComboBox(&window);
    combo->addItems({QStringLiteral("Name"), QStringLiteral("Size")});
    combo->setCurrentIndex(1);
    place(combo, 5, 110, 100, 24);
    auto* spin = new QSpinBox(&window);
    spin->setSuffix(QStringLiteral(" days"));
    spin->setValue(7);
    place(spin, 5, 140, 100, 24);
    auto* progress = new QProgressBar(&window);
    progress->setRange(0, 200);
    progress->setValue(80);
    place(progress, 5, 170, 200, 20);
    auto* gone = new QLabel(QStringLiteral("not shown"), &window);
    place(gone, 5, 195, 100, 10);
    gone->hide();
    place(new SelfDescribed(&window), 5, 290, 100, 20);
    window.show();
    edit->setFocus();

    EXPECT_EQ(ScreenDump::dump(&window).toStdString(),
              "== Form ==\n"
              "Name:\n"
              "[edit] Report (focus)\n"
              "[edit] ******\n"
              "[x] Overwrite (disabled)\n"
              "[x] Copy\n"
              "[ ] Move\n"
              "[choice] Size\n"
              "[spin] 7 days\n"
              "[progress 40%]\n"
              "[button] OK\n"
              "Two\n"
              "lines\n"
              "counted: 3 items\n");

    // The focus follows the control keys go to, even in a window that is not active.
    combo->setFocus();
    const QString moved = ScreenDump::dump(&window);
    EXPECT_TRUE(moved.contains(QStringLiteral("[edit] Report\n"))) << moved.toStdString();
    EXPECT_TRUE(moved.contains(QStringLiteral("[choice] Size (focus)\n"))) << moved.toStdString();

    // A bar before its first value, and one without a range, show as nothing done and busy.
    progress->reset();
    EXPECT_TRUE(ScreenDump::dump(&window).contains(QStringLiteral("[progress 0%]")));
    progress->setRange(0, 0);
    EXPECT_TRUE(ScreenDump::dump(&window).contains(QStringLiteral("[progress busy]")));
}

TEST(ScreenDumpTest, AModalDialogIsDumpedInsteadOfTheWindowBeneath)
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("Main"));
    new QLabel(QStringLiteral("beneath"), &window);
    window.show();
    EXPECT_EQ(ScreenDump::topWindow(&window), &window);

    QDialog dialog(&window);
    dialog.setWindowTitle(QStringLiteral("Ask"));
    new QLabel(QStringLiteral("Replace it?"), &dialog);
    dialog.setModal(true);
    dialog.show();
    EXPECT_EQ(ScreenDump::topWindow(&window), &dialog);
    EXPECT_EQ(ScreenDump::dump(&window).toStdString(), "== Ask ==\nReplace it?\n");

    dialog.hide();
    EXPECT_EQ(ScreenDump::dump(&window).toStdString(), "== Main ==\nbeneath\n");
    EXPECT_TRUE(ScreenDump::dump(nullptr).isEmpty());
}

TEST(ScreenDumpTest, AnOpenMenuShowsItsItemsAfterTheWindow)
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("Main"));
    window.resize(240, 320);
    new QLabel(QStringLiteral("Hello"), &window);
    window.show();

    QMenu menu(&window);
    QAction* open = menu.addAction(QStringLiteral("Open"));
    menu.addAction(QStringLiteral("Rename..."))->setEnabled(false);
    menu.addSeparator();
    QAction* byName = menu.addAction(QStringLiteral("Sort by name"));
    byName->setCheckable(true);
    byName->setChecked(true);
    menu.addAction(QStringLiteral("Show hidden"))->setCheckable(true);
    menu.addMenu(QStringLiteral("Send to"))->addAction(QStringLiteral("Mail"));
    menu.addAction(QStringLiteral("Left out"))->setVisible(false);
    menu.addAction(QStringLiteral("&Copy && paste\tCtrl+C"));
    menu.popup(QPoint(10, 10));
    menu.setActiveAction(open);

    EXPECT_EQ(ScreenDump::dump(&window).toStdString(),
              "== Main ==\n"
              "Hello\n"
              "menu:\n"
              "  > Open\n"
              "    Rename... (disabled)\n"
              "  ----\n"
              "    [x] Sort by name\n"
              "    [ ] Show hidden\n"
              "    Send to >\n"
              "    Copy & paste    Ctrl+C\n");

    menu.close();
    EXPECT_FALSE(ScreenDump::dump(&window).contains(QStringLiteral("menu:")));
}

TEST(ScreenDumpTest, MnemonicsAreNotShown)
{
    const struct { const char* text; const char* shown; } cases[] = {
        {"&Open", "Open"}, {"Save &as", "Save as"}, {"Cut && paste", "Cut & paste"},
        {"a&&&b", "a&b"}, {"ends with &", "ends with &"}, {"", ""},
    };
    for (const auto& row : cases)
        EXPECT_EQ(ScreenDump::withoutMnemonics(QString::fromUtf8(row.text)), QString::fromUtf8(row.shown)) << row.text;
}

}  // namespace
