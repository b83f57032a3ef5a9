#include "app/RegKey.h"
#include "dialogs/QuestionBox.h"
#include "dialogs/SoftKeyBar.h"
#include "dialogs/TestDialogs.h"
#include "platform/RegistryStore.h"
#include "resources/Commands.h"

#include <QImage>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

class QuestionBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QString error;
        m_store = platform::RegistryStore::open(m_folder.filePath(QStringLiteral("r.db")), &error);
        RegKey::setStore(m_store.get());
        TestDialogs::reset();
    }
    void TearDown() override
    {
        RegKey::setStore(nullptr);
        TestDialogs::reset();
    }
    // Runs a box and chooses item `item` of the pop-up under soft key `side`.
    int choose(SoftKeyBar::Side side, int item, bool& yesToAll, bool& noToAll)
    {
        QuestionBox box(QStringLiteral("A file named 'x' already exists. Overwrite?"), yesToAll, noToAll);
        QTimer::singleShot(0, &box, [&box, side, item] {
            box.softKeyBar()->press(side);
            QMenu* menu = box.softKeyBar()->menu(side);
            if (menu)
                menu->actions().at(item)->trigger();
        });
        return box.run(nullptr);
    }

    QTemporaryDir m_folder;
    std::unique_ptr<platform::RegistryStore> m_store;
};

TEST_F(QuestionBoxTest, TheFourAnswersAndTheirFlags)
{
    const struct { SoftKeyBar::Side side; int item; int code; bool yesToAll; bool noToAll; } cases[] = {
        {SoftKeyBar::Left, 0, Cmd::Yes, false, false},
        {SoftKeyBar::Left, 1, Cmd::Yes, true, false},
        {SoftKeyBar::Right, 0, Cmd::No, false, false},
        {SoftKeyBar::Right, 1, Cmd::No, false, true},
    };
    for (const auto& row : cases) {
        bool yesToAll = false;
        bool noToAll = false;
        EXPECT_EQ(choose(row.side, row.item, yesToAll, noToAll), row.code);
        EXPECT_EQ(yesToAll, row.yesToAll);
        EXPECT_EQ(noToAll, row.noToAll);
    }
    // The box only sets the flags, never clears them.
    bool yesToAll = true;
    bool noToAll = true;
    EXPECT_EQ(choose(SoftKeyBar::Left, 0, yesToAll, noToAll), Cmd::Yes);
    EXPECT_TRUE(yesToAll && noToAll);
}

TEST_F(QuestionBoxTest, ThePictureSettingsAreWrittenBackAndAMissingPictureIsNoFailure)
{
    RegKey key(platform::Hive::LocalMachine, QuestionBox::pictureKey());
    ASSERT_TRUE(key.writeString(QStringLiteral("BKBitmapFile"), m_folder.filePath(QStringLiteral("missing.png"))));
    bool yesToAll = false;
    bool noToAll = false;
    TestDialogs::answerNext(Cmd::No);
    EXPECT_EQ(QuestionBox::ask(nullptr, QStringLiteral("Overwrite?"), yesToAll, noToAll), Cmd::No);
    EXPECT_EQ(key.readDword(QStringLiteral("BKBitmapTransparent"), RegKey::NoWriteBack), 0xFF00FFu);

    // A real picture, larger than the screen, is drawn without trouble.
    QImage picture(400, 500, QImage::Format_RGB32);
    picture.fill(Qt::magenta);
    const QString file = m_folder.filePath(QStringLiteral("q.png"));
    ASSERT_TRUE(picture.save(file));
    ASSERT_TRUE(key.writeString(QStringLiteral("BKBitmapFile"), file));
    TestDialogs::answerNext(Cmd::Yes);
    EXPECT_EQ(QuestionBox::ask(nullptr, QStringLiteral("Overwrite?"), yesToAll, noToAll), Cmd::Yes);
    EXPECT_EQ(TestDialogs::lastShown().text, QStringLiteral("Overwrite?"));
}

}  // namespace
