#include "TemporaryRegistry.h"
#include "dialogs/QuestionBox.h"
#include "dialogs/SoftKeyBar.h"
#include "dialogs/TestDialogs.h"
#include "resources/Commands.h"
#include "settings/RegKey.h"

#include <QImage>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

class QuestionBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_registry.isOpen());
        TestDialogs::reset();
    }
    void TearDown() override
    {
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
    TemporaryRegistry m_registry;
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
    // A named pipe in the setting would hold the question in its open: it is passed over.
    const QString pipe = m_folder.filePath(QStringLiteral("pipe.png"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    ASSERT_TRUE(key.writeString(QStringLiteral("BKBitmapFile"), pipe));
    TestDialogs::answerNext(Cmd::No);
    EXPECT_EQ(QuestionBox::ask(nullptr, QStringLiteral("Overwrite?"), yesToAll, noToAll), Cmd::No);

    // A real picture, larger than the screen, is drawn in the lower right corner with its
    // transparent colour cut out: the box as painted shows the blue corner and no magenta.
    QImage picture(400, 500, QImage::Format_RGB32);
    picture.fill(Qt::magenta);
    for (int y = 450; y < 500; ++y)
        for (int x = 350; x < 400; ++x)
            picture.setPixel(x, y, qRgb(0, 0, 255));
    const QString file = m_folder.filePath(QStringLiteral("q.png"));
    ASSERT_TRUE(picture.save(file));
    ASSERT_TRUE(key.writeString(QStringLiteral("BKBitmapFile"), file));
    QuestionBox box(QStringLiteral("Overwrite?"), yesToAll, noToAll);
    QImage painted;
    QTimer::singleShot(0, &box, [&box, &painted] {
        painted = box.grab().toImage().convertToFormat(QImage::Format_RGB32);
        box.sendCommand(Cmd::QuestionYes);
    });
    EXPECT_EQ(box.run(nullptr), Cmd::Yes);
    ASSERT_FALSE(painted.isNull());
    int blue = 0, magenta = 0;
    for (int y = 0; y < painted.height(); ++y)
        for (int x = 0; x < painted.width(); ++x) {
            const QRgb pixel = painted.pixel(x, y);
            blue += pixel == qRgb(0, 0, 255);
            magenta += pixel == qRgb(255, 0, 255);
        }
    EXPECT_GT(blue, 0);
    EXPECT_EQ(magenta, 0);
    EXPECT_EQ(TestDialogs::lastShown().text, QStringLiteral("Overwrite?"));
}

}  // namespace
