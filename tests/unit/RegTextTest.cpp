#include "platform/RegText.h"

#include <gtest/gtest.h>

using platform::RegText::Operation;
using platform::RegText::parse;
namespace RegType = platform::RegType;

namespace {

TEST(RegText, ReadsEveryValueForm)
{
    const auto result = parse(QStringLiteral(
        "REGEDIT4\n"
        "; a comment\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Shell\\Rai\\:QuestionBox]\n"
        "\"BKBitmapFile\"=\"\\\\Windows\\\\q.bmp\"\n"
        "\"BKBitmapTransparent\"=dword:00FF00FF\n"
        "@=\"default\"\n"
        "\"Bytes\"=hex:01,02,\\\n"
        "  03\n"
        "\"Typed\"=hex(7):61,00,00,00\n"));
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    ASSERT_EQ(result.operations.size(), 6);
    const Operation& file = result.operations.at(1);
    EXPECT_EQ(file.hive, platform::Hive::LocalMachine);
    EXPECT_EQ(file.keyPath, QStringLiteral("Software\\Microsoft\\Shell\\Rai\\:QuestionBox"));
    EXPECT_EQ(file.value.type, RegType::String);
    EXPECT_EQ(file.value.data.size(), (14 + 1) * 2);
    EXPECT_EQ(result.operations.at(2).value.data, QByteArray("\xff\0\xff\0", 4));
    EXPECT_EQ(result.operations.at(3).valueName, QStringLiteral(""));
    EXPECT_EQ(result.operations.at(4).value.data, QByteArray("\1\2\3", 3));
    EXPECT_EQ(result.operations.at(5).value.type, 7u);
}

TEST(RegText, RefusesMalformedTextWithItsLine)
{
    const struct { const char* text; int line; } cases[] = {
        {"", 1},
        {"REGEDIT5\n", 1},
        {"REGEDIT4\n\"a\"=\"b\"\n", 2},                                  // no section yet
        {"REGEDIT4\n[HKEY_NOWHERE\\x]\n", 2},
        {"REGEDIT4\n[HKCU\\x\n", 2},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=\"no end\n", 3},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=\"bad \\q escape\"\n", 3},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=dword:123456789\n", 3},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=dword:xyz\n", 3},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=hex:01,2g\n", 3},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=hex:01,\\\n", 3},                  // goes on past the end
        {"REGEDIT4\n[HKCU\\x]\n\"a\" \"b\"\n", 3},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=\"b\" trailing\n", 3},
        {"REGEDIT4\n[HKCU\\x]\njunk\n", 3},
        {"REGEDIT4\n[-HKCU]\n", 2},
        {"REGEDIT4\n[HKCU\\a\\\\b]\n", 2},
    };
    for (const auto& row : cases) {
        const auto result = parse(QString::fromUtf8(row.text));
        EXPECT_FALSE(result.ok) << row.text;
        EXPECT_EQ(result.errorLine, row.line) << row.text << " -> " << result.error.toStdString();
        EXPECT_TRUE(result.operations.isEmpty());
    }
}

TEST(RegText, DecodesUtf16FilesWithTheirMark)
{
    const QString text = QStringLiteral("Windows Registry Editor Version 5.00\r\n[HKCU\\x]\r\n\"\u00e9\"=\"\u20ac\"\r\n");
    QByteArray utf16("\xff\xfe", 2);
    for (const QChar c : text)
        utf16.append(static_cast<char>(c.unicode() & 0xff)).append(static_cast<char>(c.unicode() >> 8));
    EXPECT_EQ(platform::RegText::decodeRegFile(utf16), text);
    EXPECT_EQ(platform::RegText::decodeRegFile(text.toUtf8()), text);
    EXPECT_TRUE(parse(platform::RegText::decodeRegFile(utf16)).ok);
}

}  // namespace
