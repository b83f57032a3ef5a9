// The message boxes: what each kind shows, and the keys that answer or acknowledge them.
#include "DialogKeys.h"
#include "dialogs/MessageBox.h"
#include "dialogs/PhonePage.h"
#include "dialogs/TestDialogs.h"
#include "resources/Commands.h"
#include "resources/StringTable.h"

#include <QScrollBar>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace {

class MessageBoxTest : public testing::Test {
protected:
    MessageBoxTest() { owner.setGeometry(20, 30, PhonePage::DefaultWidth, PhonePage::DefaultHeight); }
    void SetUp() override { TestDialogs::reset(); }
    void TearDown() override { TestDialogs::reset(); }

    // A page-sized window for the boxes to cover.
    QWidget owner;
};

}  // namespace

TEST_F(MessageBoxTest, MessageBoxesShowTheirCaptionIconTextAndKeys)
{
    const QString text = QStringLiteral("Unable to find this item!");
    struct Case {
        std::function<void()> show;
        QString caption;
        QString icon;
        QString leftKey;
        QString rightKey;
    };
    const Case cases[] = {
        {[&] { MessageBox::error(&owner, text); }, Str::text(Str::ErrorCaption), QStringLiteral("dialog-error"),
         QStringLiteral("OK"), QString()},
        {[&] { (void)MessageBox::question(&owner, text); }, Str::text(Str::Confirm), QStringLiteral("dialog-question"),
         QStringLiteral("Yes"), QStringLiteral("No")},
        {[&] { MessageBox::information(&owner, text, Str::text(Str::Done)); }, Str::text(Str::Done),
         QStringLiteral("dialog-information"), QStringLiteral("OK"), QString()},
        {[&] { MessageBox::debug(&owner, text); }, QStringLiteral("Debug"), QStringLiteral("dialog-warning"),
         QStringLiteral("OK"), QString()},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.caption.toStdString());
        TestDialogs::reset();
        TestDialogs::answerNext(Cmd::Ok);
        test.show();
        EXPECT_EQ(TestDialogs::pendingAnswers(), 0);
        const TestDialogs::Shown shown = TestDialogs::lastShown();
        EXPECT_EQ(shown.caption, test.caption);
        EXPECT_EQ(shown.text, text);
        EXPECT_EQ(shown.icon, test.icon);
        EXPECT_EQ(shown.leftKey, test.leftKey);
        EXPECT_EQ(shown.rightKey, test.rightKey);
    }
}

TEST_F(MessageBoxTest, QuestionIsAnsweredWithTheSoftKeysOnly)
{
    const struct {
        QList<Qt::Key> keys;
        int expected;
    } cases[] = {
        {{Qt::Key_F1}, Cmd::Yes},
        {{Qt::Key_F2}, Cmd::No},
        {{Qt::Key_Escape}, Cmd::No},
        // The action key must not answer: the box is still open for the soft key after it.
        {{Qt::Key_Return, Qt::Key_F1}, Cmd::Yes},
    };
    for (const auto& test : cases) {
        const int answer = runPressing([&] { return MessageBox::question(&owner, QStringLiteral("Delete?")); }, test.keys);
        EXPECT_EQ(answer, test.expected);
    }
    // Answered in advance, as a feature's test does; only Yes counts as yes.
    TestDialogs::answerNext(Cmd::Yes);
    EXPECT_EQ(MessageBox::question(&owner, QStringLiteral("Delete?")), Cmd::Yes);
    TestDialogs::answerNext(Cmd::Ok);
    EXPECT_EQ(MessageBox::question(&owner, QStringLiteral("Delete?")), Cmd::No);
}

TEST_F(MessageBoxTest, MessageIsAcknowledgedWithOkActionOrBack)
{
    const struct {
        Qt::Key key;
        int expected;
    } cases[] = {{Qt::Key_F1, Cmd::Ok}, {Qt::Key_Return, Cmd::Ok}, {Qt::Key_Escape, Cmd::Cancel}, {Qt::Key_F2, StillOpen}};
    for (const auto& test : cases) {
        MessageBox box(MessageBox::Icon::Error, Str::text(Str::ErrorCaption), QStringLiteral("An error"),
                       MessageBox::Keys::Ok);
        EXPECT_EQ(runPressing([&] { return box.run(&owner); }, {test.key}), test.expected) << test.key;
    }
}

TEST_F(MessageBoxTest, LongMessageWrapsAndScrollsWithTheArrowKeysOnAPhoneSizedScreen)
{
    // A deep path has few spaces to wrap at, and a name may be wider than the screen; the
    // message must still be readable to its end.
    QString path = QStringLiteral("\\Storage Card\\");
    for (int depth = 0; depth < 20; ++depth)
        path += QStringLiteral("Documents_of_the_quarterly_report_folder_%1\\").arg(depth);
    MessageBox box(MessageBox::Icon::Question, Str::text(Str::Confirm), Str::arg(Str::ZipSourceUnreadable, path),
                   MessageBox::Keys::YesNo);
    int before = -1;
    int after = -1;
    int maximum = 0;
    int sideways = -1;
    QTimer::singleShot(0, &box, [&] {
        auto* view = box.findChild<QTextEdit*>();
        QScrollBar* bar = view->verticalScrollBar();
        maximum = bar->maximum();
        before = bar->value();
        sideways = view->horizontalScrollBar()->maximum();
        for (int step = 0; step < 40; ++step)
            TestDialogs::pressKey(&box, Qt::Key_Down);
        after = bar->value();
        box.done(StillOpen);
    });
    EXPECT_EQ(box.run(&owner), StillOpen);
    EXPECT_GT(maximum, 0);
    EXPECT_EQ(before, 0);
    EXPECT_EQ(after, maximum);
    EXPECT_EQ(sideways, 0);
}
