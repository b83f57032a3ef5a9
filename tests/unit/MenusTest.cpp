// The menus and soft-key bars as data, and the soft-key bar that shows them: every command of
// the main window has its one menu item, every bar opens a menu that exists, and the pop-ups
// are driven with the keys.
#include "dialogs/SoftKeyBar.h"
#include "dialogs/TestDialogs.h"
#include "resources/Commands.h"
#include "resources/Menus.h"
#include "resources/SoftKeyBars.h"
#include "resources/StringTable.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include <gtest/gtest.h>

namespace {

void collectCommands(const QList<MenuItem>& items, QList<int>& ids)
{
    for (const MenuItem& item : items) {
        if (item.isPopup())
            collectCommands(item.children, ids);
        else if (!item.isSeparator())
            ids.append(item.commandId);
    }
}

// Compares a pop-up as Qt shows it with the data it was built from, entry by entry.
void expectMenuMatches(const QMenu* menu, const QList<MenuItem>& items, const QString& where)
{
    const QList<QAction*> actions = menu->actions();
    ASSERT_EQ(actions.size(), items.size()) << where.toStdString();
    for (qsizetype index = 0; index < items.size(); ++index) {
        const MenuItem& item = items.at(index);
        const QAction* action = actions.at(index);
        const QString at = where + QLatin1Char('/') + QString::number(index);
        if (item.isSeparator()) {
            EXPECT_TRUE(action->isSeparator()) << at.toStdString();
        } else if (item.isPopup()) {
            ASSERT_NE(action->menu(), nullptr) << at.toStdString();
            EXPECT_EQ(action->text(), item.text) << at.toStdString();
            expectMenuMatches(action->menu(), item.children, at);
        } else {
            EXPECT_EQ(action->text(), item.text) << at.toStdString();
            EXPECT_EQ(action->data().toInt(), item.commandId) << at.toStdString();
        }
    }
}

void pressSoftKey(SoftKeyBar& bar, Qt::Key key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    EXPECT_TRUE(bar.handleKey(&press));
}

// Keys go where a real key would: to the pop-up that is open at the time.
void pressInPopup(Qt::Key key)
{
    ASSERT_NE(QApplication::activePopupWidget(), nullptr);
    TestDialogs::pressKey(nullptr, key);
}

// The commands a bar sends, in order.
struct CommandLog {
    explicit CommandLog(SoftKeyBar& bar)
    {
        QObject::connect(&bar, &SoftKeyBar::commandTriggered, &bar, [this](int id) { ids.append(id); });
    }
    QList<int> ids;
};

void click(QWidget* widget, QPoint at)
{
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

void closePopups()
{
    while (QWidget* popup = QApplication::activePopupWidget())
        popup->close();
}

}  // namespace

TEST(MenusTest, EveryMainWindowCommandHasExactlyOneItemInTheMainMenu)
{
    const QList<MenuItem>* mainMenu = Menus::menu(Menus::Main);
    ASSERT_NE(mainMenu, nullptr);
    QList<int> inMenu;
    collectCommands(*mainMenu, inMenu);

    const QList<int>& table = Cmd::mainWindowCommands();
    for (int id : table) {
        const bool sentWithoutMenu = id == Cmd::HandOffPath || id == Cmd::HandOffFile;
        EXPECT_EQ(inMenu.count(id), sentWithoutMenu ? 0 : 1) << "command " << id;
        EXPECT_EQ(Cmd::text(id).isEmpty(), sentWithoutMenu) << "command " << id;
    }
    for (int id : inMenu)
        EXPECT_TRUE(table.contains(id)) << "menu item " << id << " is no command of the main window";
}

TEST(MenusTest, EveryItemOfEveryMenuHasItsText)
{
    for (int menuId : Menus::ids()) {
        QList<int> ids;
        collectCommands(*Menus::menu(menuId), ids);
        EXPECT_FALSE(ids.isEmpty()) << "menu " << menuId;
        for (int id : ids)
            EXPECT_FALSE(Cmd::text(id).isEmpty()) << "menu " << menuId << " command " << id;
    }
}

TEST(MenusTest, EveryBarExistsAndOpensAMenuThatExists)
{
    for (int barId = 1; barId <= 15; ++barId) {
        const SoftKeyBarData* bar = SoftKeyBars::bar(barId);
        // There has never been a bar 6.
        ASSERT_EQ(bar != nullptr, barId != 6) << "bar " << barId;
        if (!bar)
            continue;
        const QList<MenuItem>* menu = Menus::menu(bar->menuId);
        ASSERT_NE(menu, nullptr) << "bar " << barId;
        ASSERT_TRUE(bar->buttons.size() == 1 || bar->buttons.size() == 2) << "bar " << barId;
        for (const SoftKeyButton& button : bar->buttons) {
            EXPECT_FALSE(button.labelText().isEmpty()) << "bar " << barId;
            if (button.dropDown && button.popupIndex != SoftKeyButton::WholeMenu) {
                ASSERT_GE(button.popupIndex, 0) << "bar " << barId;
                ASSERT_LT(button.popupIndex, menu->size()) << "bar " << barId;
                EXPECT_TRUE(menu->at(button.popupIndex).isPopup()) << "bar " << barId;
            }
        }
        SoftKeyBar widget;
        EXPECT_TRUE(widget.setBar(barId)) << "bar " << barId;
    }
    SoftKeyBar widget;
    EXPECT_FALSE(widget.setBar(6));
    EXPECT_FALSE(widget.hasButton(SoftKeyBar::Left));
}

TEST(MenusTest, LeftSoftKeyOfTheMainWindowOpensTheFilePopupAsTheDataDescribes)
{
    SoftKeyBar bar(1, nullptr);
    EXPECT_EQ(bar.label(SoftKeyBar::Left), Str::text(Str::File));
    EXPECT_EQ(bar.label(SoftKeyBar::Right), Str::text(Str::Edit));
    int aboutToShow = 0;
    QObject::connect(&bar, &SoftKeyBar::menuAboutToShow, &bar, [&aboutToShow] { ++aboutToShow; });

    pressSoftKey(bar, Qt::Key_F1);

    EXPECT_EQ(aboutToShow, 1);
    ASSERT_NE(bar.menu(SoftKeyBar::Left), nullptr);
    EXPECT_EQ(QApplication::activePopupWidget(), bar.menu(SoftKeyBar::Left));
    expectMenuMatches(bar.menu(SoftKeyBar::Left), Menus::menu(Menus::Main)->at(0).children, QStringLiteral("File"));
    closePopups();
}

TEST(MenusTest, ChoosingAnItemWithTheKeysSendsItsCommand)
{
    struct Case {
        int barId;
        Qt::Key softKey;
        QList<Qt::Key> keys;
        int expected;
    };
    // Every pop-up opens on its first item, so the action key alone picks that one.
    const Case cases[] = {
        {1, Qt::Key_F2, {Qt::Key_Return}, Cmd::SelectItem},
        {15, Qt::Key_F1, {Qt::Key_Return}, Cmd::QuestionYes},
        {15, Qt::Key_F2, {Qt::Key_Return}, Cmd::QuestionNo},
        {11, Qt::Key_F2, {Qt::Key_Return}, Cmd::FavoriteMoveUp},
        {1, Qt::Key_F1, {Qt::Key_Right, Qt::Key_Return}, Cmd::Open},
        {1, Qt::Key_F1, {Qt::Key_Right, Qt::Key_Down, Qt::Key_Down, Qt::Key_Return}, Cmd::Run},
        {1, Qt::Key_F2, {Qt::Key_Down, Qt::Key_Return}, Cmd::ClearSelection},
        {1, Qt::Key_F2, {Qt::Key_Up, Qt::Key_Return}, Cmd::About},
        {15, Qt::Key_F2, {Qt::Key_Down, Qt::Key_Return}, Cmd::QuestionNoToAll},
        {11, Qt::Key_F2, {Qt::Key_Up, Qt::Key_Return}, Cmd::MenuCancel},
        {1, Qt::Key_F2, {Qt::Key_Down, Qt::Key_Escape}, 0},
        // A soft key closes an open pop-up, a sub-menu too.
        {1, Qt::Key_F1, {Qt::Key_F1}, 0},
        {1, Qt::Key_F1, {Qt::Key_Right, Qt::Key_F2}, 0},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(testing::Message() << "bar " << test.barId << " expecting " << test.expected);
        SoftKeyBar bar(test.barId, nullptr);
        CommandLog log(bar);
        pressSoftKey(bar, test.softKey);
        for (Qt::Key key : test.keys)
            pressInPopup(key);
        const QList<int> expected = test.expected ? QList<int>{test.expected} : QList<int>{};
        EXPECT_EQ(log.ids, expected);
        EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
        closePopups();
    }
}

// Every drop-down key of every bar opens its pop-up with the first item highlighted, and a
// sub-menu in first place is highlighted, not opened.
TEST(MenusTest, EveryPopupOpensOnItsFirstItem)
{
    int dropDowns = 0;
    for (int barId : SoftKeyBars::ids()) {
        SoftKeyBar bar(barId, nullptr);
        for (const SoftKeyBar::Side side : {SoftKeyBar::Left, SoftKeyBar::Right}) {
            QMenu* menu = bar.menu(side);
            if (!menu)
                continue;
            SCOPED_TRACE(testing::Message() << "bar " << barId << " side " << side);
            ++dropDowns;
            pressSoftKey(bar, side == SoftKeyBar::Left ? Qt::Key_F1 : Qt::Key_F2);
            EXPECT_EQ(QApplication::activePopupWidget(), menu);
            ASSERT_NE(menu->activeAction(), nullptr);
            EXPECT_EQ(menu->activeAction(), menu->actions().first());
            // Opened again after the user moved on and left, it starts over at the top.
            pressInPopup(Qt::Key_Down);
            pressInPopup(Qt::Key_Escape);
            pressSoftKey(bar, side == SoftKeyBar::Left ? Qt::Key_F1 : Qt::Key_F2);
            EXPECT_EQ(menu->activeAction(), menu->actions().first());
            closePopups();
        }
    }
    EXPECT_GE(dropDowns, 8);
}

// The owner brings the items up to date just before the pop-up opens; the pop-up then opens
// on the first item left enabled, and the keys pass over what it disabled.
TEST(MenusTest, ItemsDisabledBeforeThePopupOpensAreSkipped)
{
    SoftKeyBar bar(8, nullptr);
    QObject::connect(&bar, &SoftKeyBar::menuAboutToShow, &bar, [&bar] {
        bar.action(Cmd::NewSearch)->setEnabled(false);
        bar.action(Cmd::RevealInTree)->setEnabled(false);
    });
    CommandLog log(bar);

    pressSoftKey(bar, Qt::Key_F2);
    pressInPopup(Qt::Key_Return);
    pressSoftKey(bar, Qt::Key_F2);
    pressInPopup(Qt::Key_Down);
    pressInPopup(Qt::Key_Return);

    EXPECT_EQ(log.ids, (QList<int>{Cmd::BackToCriteria, Cmd::OpenOrExecute}));
    closePopups();
}

TEST(MenusTest, PlainSoftKeysSendTheirCommandByKeyAndByClick)
{
    SoftKeyBar bar(2, nullptr);
    bar.resize(240, bar.sizeHint().height());
    CommandLog log(bar);

    pressSoftKey(bar, Qt::Key_F1);
    pressSoftKey(bar, Qt::Key_F2);
    click(&bar, QPoint(230, bar.height() / 2));
    click(&bar, QPoint(10, bar.height() / 2));
    bar.setEnabled(SoftKeyBar::Left, false);
    pressSoftKey(bar, Qt::Key_F1);
    QKeyEvent other(QEvent::KeyPress, Qt::Key_5, Qt::NoModifier);
    EXPECT_FALSE(bar.handleKey(&other));

    EXPECT_EQ(log.ids, (QList<int>{Cmd::Ok, Cmd::DialogCancel, Cmd::DialogCancel, Cmd::Ok}));
}
