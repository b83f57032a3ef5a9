#include "app/HandOff.h"
#include "app/KeypadScript.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

TEST(HandOff, TakesTheFileOnlyWhenTheCountMatches)
{
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("FNTemp.dat"));
    const QString path = QStringLiteral("\\Storage\\\ud55c\uae00.zip");
    const qint64 bytes = HandOff::write(file, path);
    EXPECT_EQ(bytes, path.size() * 2);

    EXPECT_TRUE(HandOff::take(file, bytes + 2).isNull());   // a short read: left alone
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_TRUE(HandOff::take(file, 0).isNull());
    EXPECT_TRUE(HandOff::take(file, HandOff::MaxBytes + 2).isNull());  // never trusted as a size
    EXPECT_EQ(HandOff::take(file, bytes), path);
    EXPECT_FALSE(QFile::exists(file));                      // acted on: removed
    EXPECT_TRUE(HandOff::take(file, bytes).isNull());       // no file: nothing

    // An odd count takes the whole characters it holds.
    EXPECT_EQ(HandOff::decode(QByteArray("a\0b", 3), 3), QStringLiteral("a"));
    EXPECT_EQ(HandOff::write(file, QString(HandOff::MaxBytes, u'x')), 0);
}

TEST(KeypadScriptParser, ReadsStepsAndNamesTheLineOfAMistake)
{
    QString error;
    const auto script = KeypadScript::parse(QStringLiteral(
        "# a comment\n"
        "key F1 Down * #\n"
        "key F9 Enter   # the rest is a comment\n"
        "type New Folder 2\n"
        "\n"
        "wait idle\nwait 300\ndump\nshot out.png\nexpect screen Sel: 1\nexpect no screen Paste\nchoose Sort by type\n"), &error);
    ASSERT_TRUE(script) << error.toStdString();
    ASSERT_EQ(script->size(), 10);
    EXPECT_EQ(script->at(0).line, 2);
    EXPECT_EQ(script->at(0).keys.size(), 4);
    EXPECT_EQ(script->at(0).keys.at(3).key, Qt::Key_NumberSign);
    EXPECT_EQ(script->at(1).keys.size(), 2);
    EXPECT_EQ(script->at(2).argument, QStringLiteral("New Folder 2"));
    EXPECT_EQ(script->at(4).milliseconds, 300);
    EXPECT_EQ(script->at(7).argument, QStringLiteral("Sel: 1"));
    EXPECT_EQ(script->at(9).argument, QStringLiteral("Sort by type"));

    const struct { const char* text; const char* error; } bad[] = {
        {"key\n", "1: key needs"},
        {"dump\nkey Warp\n", "2: unknown key 'Warp'"},
        {"wait soon\n", "1: wait takes"},
        {"\n\nfly away\n", "3: cannot read"},
        {"expect screen\n", "1: cannot read"},
    };
    for (const auto& row : bad) {
        EXPECT_FALSE(KeypadScript::parse(QString::fromUtf8(row.text), &error)) << row.text;
        EXPECT_TRUE(error.startsWith(QString::fromUtf8(row.error))) << error.toStdString();
    }
}

}  // namespace
