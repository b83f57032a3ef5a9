// Reading keypad scripts: every command, the comment rules, typed text as keys, and mistakes
// named by their line before anything runs.
#include "app/KeypadScript.h"

#include <gtest/gtest.h>

namespace {

using KeypadScript::Key;
using KeypadScript::Step;

QString keysText(const QList<Key>& keys)
{
    QStringList parts;
    for (const Key& key : keys)
        parts << QStringLiteral("%1:%2").arg(key.key, 0, 16).arg(key.text);
    return parts.join(u' ');
}

TEST(KeypadScriptTest, ReadsEachCommand)
{
    const struct {
        const char* line;
        Step::Kind kind;
        QList<Key> keys;
        const char* argument;
        int milliseconds;
    } cases[] = {
        {"key F1 F2 Enter Escape", Step::Keys,
         {{Qt::Key_F1, {}}, {Qt::Key_F2, {}}, {Qt::Key_Return, QStringLiteral("\r")}, {Qt::Key_Escape, {}}}, "", 0},
        {"key Up Down Left Right PageUp PageDown", Step::Keys,
         {{Qt::Key_Up, {}}, {Qt::Key_Down, {}}, {Qt::Key_Left, {}}, {Qt::Key_Right, {}}, {Qt::Key_PageUp, {}}, {Qt::Key_PageDown, {}}}, "", 0},
        {"key Backspace Tab Home End Delete", Step::Keys,
         {{Qt::Key_Backspace, {}}, {Qt::Key_Tab, QStringLiteral("\t")}, {Qt::Key_Home, {}}, {Qt::Key_End, {}}, {Qt::Key_Delete, {}}}, "", 0},
        {"key F8 F9 * #", Step::Keys,
         {{Qt::Key_F8, {}}, {Qt::Key_F9, {}}, {Qt::Key_Asterisk, QStringLiteral("*")}, {Qt::Key_NumberSign, QStringLiteral("#")}}, "", 0},
        // Blank, "#", blank and more text: the rest of the line is a comment.
        {"key * # F8 F9", Step::Keys, {{Qt::Key_Asterisk, QStringLiteral("*")}}, "", 0},
        {"key 0 9 a Z", Step::Keys,
         {{Qt::Key_0, QStringLiteral("0")}, {Qt::Key_9, QStringLiteral("9")}, {Qt::Key_A, QStringLiteral("a")}, {Qt::Key_Z, QStringLiteral("Z")}}, "", 0},
        {"key   Up    Down  ", Step::Keys, {{Qt::Key_Up, {}}, {Qt::Key_Down, {}}}, "", 0},
        {"type New 2", Step::Type,
         {{Qt::Key_N, QStringLiteral("N")}, {Qt::Key_E, QStringLiteral("e")}, {Qt::Key_W, QStringLiteral("w")},
          {Qt::Key_Space, QStringLiteral(" ")}, {Qt::Key_2, QStringLiteral("2")}}, "New 2", 0},
        // Blanks after the one that ends the command are part of the text.
        {"type  a.b", Step::Type,
         {{Qt::Key_Space, QStringLiteral(" ")}, {Qt::Key_A, QStringLiteral("a")}, {Qt::Key_Period, QStringLiteral(".")},
          {Qt::Key_B, QStringLiteral("b")}}, " a.b", 0},
        {"type é#", Step::Type, {{Qt::Key_Eacute, QStringLiteral("é")}, {Qt::Key_NumberSign, QStringLiteral("#")}}, "é#", 0},
        // A character outside the basic plane is one key, not two halves.
        {"type \xF0\x9F\x93\x81", Step::Type, {{0x1F4C1, QStringLiteral("\U0001F4C1")}}, "\xF0\x9F\x93\x81", 0},
        {"wait idle", Step::WaitIdle, {}, "", 0},
        {"wait 0", Step::WaitMs, {}, "", 0},
        {"wait 300", Step::WaitMs, {}, "", 300},
        {"wait idle 120", Step::WaitIdle, {}, "", 120000},
        {"wait input", Step::WaitInput, {}, "", 0},
        {"dump", Step::Dump, {}, "", 0},
        {"shot out dir/screen.png", Step::Shot, {}, "out dir/screen.png", 0},
        {"expect screen Sel: 1", Step::ExpectScreen, {}, "Sel: 1", 0},
        {"expect screen >     one.txt", Step::ExpectScreen, {}, ">     one.txt", 0},
        {"expect no screen Paste", Step::ExpectNoScreen, {}, "Paste", 0},
        {"choose Sort by type", Step::Choose, {}, "Sort by type", 0},
    };
    for (const auto& row : cases) {
        QString error;
        const auto script = KeypadScript::parse(QString::fromUtf8(row.line), &error);
        ASSERT_TRUE(script) << row.line << ": " << error.toStdString();
        ASSERT_EQ(script->size(), 1) << row.line;
        const Step& step = script->first();
        EXPECT_EQ(step.kind, row.kind) << row.line;
        EXPECT_EQ(step.line, 1) << row.line;
        EXPECT_EQ(keysText(step.keys).toStdString(), keysText(row.keys).toStdString()) << row.line;
        EXPECT_EQ(step.argument, QString::fromUtf8(row.argument)) << row.line;
        EXPECT_EQ(step.milliseconds, row.milliseconds) << row.line;
    }
}

TEST(KeypadScriptTest, CommentsBlankLinesAndLineNumbers)
{
    QString error;
    const auto script = KeypadScript::parse(QStringLiteral(
        "\xFEFF# a byte-order mark, then a comment\n"   // 1
        "   # an indented comment\n"                     // 2
        "\n"                                             // 3
        "key * #\r\n"                                    // 4: a "#" at the end is the pound key
        "key F9 Down   # the rest is a comment\n"        // 5
        "type a#b\n"                                     // 6: "#" inside text is text
        "type #tag\n"                                    // 7
        "type New Folder 2      # typed without the blanks before the comment\n"  // 8
        "expect screen Sel: 1\t# a tab before the comment\n"  // 9
        "\t\n"                                           // 10
        "dump"),                                         // 11: no line end
        &error);
    ASSERT_TRUE(script) << error.toStdString();
    ASSERT_EQ(script->size(), 7);
    const int lines[] = {4, 5, 6, 7, 8, 9, 11};
    for (qsizetype i = 0; i < script->size(); ++i)
        EXPECT_EQ(script->at(i).line, lines[i]) << i;
    EXPECT_EQ(script->at(0).keys, (QList<Key>{{Qt::Key_Asterisk, QStringLiteral("*")}, {Qt::Key_NumberSign, QStringLiteral("#")}}));
    EXPECT_EQ(script->at(0).source, QStringLiteral("key * #"));
    EXPECT_EQ(script->at(1).keys.size(), 2);
    EXPECT_EQ(script->at(1).source, QStringLiteral("key F9 Down"));
    EXPECT_EQ(script->at(2).argument, QStringLiteral("a#b"));
    EXPECT_EQ(script->at(3).argument, QStringLiteral("#tag"));
    EXPECT_EQ(script->at(4).argument, QStringLiteral("New Folder 2"));
    EXPECT_EQ(script->at(5).argument, QStringLiteral("Sel: 1"));
}

TEST(KeypadScriptTest, MistakesAreNamedByTheirLineAndNothingIsKept)
{
    const struct { const char* text; const char* error; } cases[] = {
        {"key\n", "1: key needs at least one key name"},
        // Blank, "#", blank and more: a comment, so no key is left. F9 is the safe spelling.
        {"dump\nkey # Down\n", "2: key needs at least one key name"},
        {"dump\nkey Warp\n", "2: unknown key 'Warp'"},
        {"key Down enter\n", "1: unknown key 'enter'"},
        {"key **\n", "1: unknown key '**'"},
        {"key ä\n", "1: unknown key 'ä'"},
        {"type\n", "1: type needs text"},
        {"type    # nothing but a comment\n", "1: type needs text"},
        {"wait\n", "1: wait takes"},
        {"wait soon\n", "1: wait takes"},
        {"wait -5\n", "1: wait takes"},
        {"wait 60001\n", "1: wait takes"},
        {"wait 300ms\n", "1: wait takes"},
        {"wait idle 0\n", "1: wait takes"},
        {"\n# comment\nfly away\n", "3: cannot read 'fly away'"},
        {"Dump\n", "1: cannot read 'Dump'"},
        {"dump now\n", "1: cannot read 'dump now'"},
        {"shot\n", "1: cannot read 'shot'"},
        {"expect screen\n", "1: cannot read 'expect screen'"},
        {"expect screen   # only a comment\n", "1: cannot read 'expect screen'"},
        {"expect the screen\n", "1: cannot read"},
        {"choose\n", "1: cannot read 'choose'"},
        {"key Up\nwait idle\nkey Down\nkey Upp\nkey Lefft\n", "4: unknown key 'Upp'"},
    };
    for (const auto& row : cases) {
        QString error;
        const auto script = KeypadScript::parse(QString::fromUtf8(row.text), &error);
        EXPECT_FALSE(script) << row.text;
        EXPECT_TRUE(error.startsWith(QString::fromUtf8(row.error))) << row.text << " gave: " << error.toStdString();
    }
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
