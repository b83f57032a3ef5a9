#include "platform/RegText.h"

#include <gtest/gtest.h>

using platform::Hive;
using platform::RegValue;
using platform::RegText::Operation;
using platform::RegText::parse;
namespace RegText = platform::RegText;
namespace RegType = platform::RegType;

namespace {

QByteArray bytes(const char* data, qsizetype size) { return QByteArray(data, size); }

TEST(RegText, ReadsEveryValueForm)
{
    const auto result = parse(QStringLiteral(
        "REGEDIT4\n"
        "; a comment\n"
        "\n"
        "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Shell\\Rai\\:QuestionBox]\n"
        "\"BKBitmapFile\"=\"\\\\Windows\\\\q.bmp\"\n"
        "\"BKBitmapTransparent\"=DWORD:00FF00fF\n"
        "@=\"default\"\n"
        "\"Bytes\"=hex:01,02,\\\n"
        "  03\n"
        "\"Typed\"=hex(7):61,00,00,00\n"
        "\"Empty\"=hex(0):\n"
        "\"Gone\"=-\n"
        "[-HKCR\\.zip]\n"
        "[hkcu\\Odd [name]]\n"));
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    ASSERT_EQ(result.operations.size(), 10);
    EXPECT_EQ(result.operations.at(0).kind, Operation::CreateKey);
    const Operation& file = result.operations.at(1);
    EXPECT_EQ(file.kind, Operation::SetValue);
    EXPECT_EQ(file.hive, Hive::LocalMachine);
    EXPECT_EQ(file.keyPath, QStringLiteral("Software\\Microsoft\\Shell\\Rai\\:QuestionBox"));
    EXPECT_EQ(file.valueName, QStringLiteral("BKBitmapFile"));
    EXPECT_EQ(file.value.type, RegType::String);
    // "\Windows\q.bmp" is 14 characters, stored with its NUL.
    EXPECT_EQ(file.value.data.size(), (14 + 1) * 2);
    EXPECT_EQ(file.value.data.left(4), bytes("\\\0W\0", 4));
    EXPECT_EQ(result.operations.at(2).value.type, RegType::Dword);
    EXPECT_EQ(result.operations.at(2).value.data, bytes("\xff\0\xff\0", 4));
    EXPECT_EQ(result.operations.at(3).valueName, QStringLiteral(""));
    EXPECT_EQ(result.operations.at(3).value.data, bytes("d\0e\0f\0a\0u\0l\0t\0\0\0", 16));
    EXPECT_EQ(result.operations.at(4).value.type, RegType::Binary);
    EXPECT_EQ(result.operations.at(4).value.data, bytes("\1\2\3", 3));
    EXPECT_EQ(result.operations.at(5).value.type, 7u);
    EXPECT_EQ(result.operations.at(5).value.data, bytes("a\0\0\0", 4));
    EXPECT_EQ(result.operations.at(6).value.type, 0u);
    EXPECT_TRUE(result.operations.at(6).value.data.isEmpty());
    EXPECT_EQ(result.operations.at(7).kind, Operation::DeleteValue);
    EXPECT_EQ(result.operations.at(7).valueName, QStringLiteral("Gone"));
    EXPECT_EQ(result.operations.at(8).kind, Operation::DeleteKey);
    EXPECT_EQ(result.operations.at(8).hive, Hive::ClassesRoot);
    EXPECT_EQ(result.operations.at(8).keyPath, QStringLiteral(".zip"));
    EXPECT_EQ(result.operations.at(9).hive, Hive::CurrentUser);
    EXPECT_EQ(result.operations.at(9).keyPath, QStringLiteral("Odd [name]"));
}

TEST(RegText, ReadsRegeditVersion5WithCarriageReturns)
{
    const auto result = parse(QStringLiteral("\uFEFFWindows Registry Editor Version 5.00\r\n\r\n"
                                             "[HKEY_CURRENT_USER\\Software\\A]\r\n"
                                             "\"Bin\"=hex:0a,\\\r\n  0b\r\n"
                                             "\"S\"=\"x\"\r\n"));
    ASSERT_TRUE(result.ok) << result.error.toStdString();
    ASSERT_EQ(result.operations.size(), 3);
    EXPECT_EQ(result.operations.at(0).keyPath, QStringLiteral("Software\\A"));
    EXPECT_EQ(result.operations.at(1).value.data, bytes("\x0a\x0b", 2));
    EXPECT_EQ(result.operations.at(2).value.data, bytes("x\0\0\0", 4));
}

TEST(RegText, RefusesMalformedTextWithItsLine)
{
    const struct { const char* text; int line; } cases[] = {
        {"", 1},
        {"; only a comment\n", 1},
        {"REGEDIT5\n", 1},
        {"\n\n[HKCU\\x]\n", 3},                                          // no header
        {"REGEDIT4\n\"a\"=\"b\"\n", 2},                                  // no section yet
        {"REGEDIT4\n@=\"b\"\n", 2},
        {"REGEDIT4\n[-HKCU\\x]\n\"a\"=\"b\"\n", 3},                      // values of a deleted key
        {"REGEDIT4\n[HKEY_NOWHERE\\x]\n", 2},
        {"REGEDIT4\n[HKEY_USERS\\x]\n", 2},
        {"REGEDIT4\n[HKCU\\x\n", 2},
        {"REGEDIT4\n[HKCU\\x] trailing\n", 2},
        {"REGEDIT4\n[-HKCU]\n", 2},
        {"REGEDIT4\n[HKCU\\a\\\\b]\n", 2},
        {"REGEDIT4\n[HKCU\\a\\]\n", 2},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=\"no end\n", 3},
        {"REGEDIT4\n[HKCU\\x]\n\"no end=\"b\"\n", 3},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=\"bad \\q escape\"\n", 3},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=\"ends in a backslash\\\"\n", 3},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=\"abc\\\n\"\n", 3},                 // strings do not go on
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=dword:123456789\n", 3},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=dword:000000001\n", 3},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=dword:xyz\n", 3},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=dword:\n", 3},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=dword:0x12\n", 3},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=dword:+12\n", 3},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=dword:12 34\n", 3},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=hex:01,2g\n", 3},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=hex:01,+2\n", 3},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=hex:100\n", 3},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=hex:01,,02\n", 3},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=hex 01\n", 3},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=hex(zz):01\n", 3},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=hex(123456789):01\n", 3},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=hex():01\n", 3},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=hex:01,\\\n", 3},                  // goes on past the end
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=hex:01,\\\n 02,\\\n zz\n\"b\"=-\n", 3},  // reported where it starts
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=hex:01,\\\n 02\n\"b\"=nonsense\n", 5},  // counted past continuations
        {"REGEDIT4\r\n[HKCU\\x]\r\n\r\n\"a\"=\"b\"\r\n\"c\"=\r\n", 5},
        {"REGEDIT4\n[HKCU\\x]\n\"a\" \"b\"\n", 3},
        {"REGEDIT4\n[HKCU\\x]\n@ \"b\"\n", 3},
        {"REGEDIT4\n[HKCU\\x]\n\"a\"=\"b\" trailing\n", 3},
        {"REGEDIT4\n[HKCU\\x]\njunk\n", 3},
        {"REGEDIT4\nREGEDIT4\n", 2},
    };
    for (const auto& row : cases) {
        const auto result = parse(QString::fromUtf8(row.text));
        EXPECT_FALSE(result.ok) << row.text;
        EXPECT_EQ(result.errorLine, row.line) << row.text << " -> " << result.error.toStdString();
        EXPECT_TRUE(result.error.startsWith(QStringLiteral("line %1: ").arg(row.line))) << result.error.toStdString();
        EXPECT_TRUE(result.operations.isEmpty()) << row.text;
    }
}

TEST(RegText, WritesEachValueInTheFormThatKeepsItsBytes)
{
    const struct { const char16_t* name; RegValue value; const char16_t* line; } cases[] = {
        {u"Text", {RegType::String, bytes("a\0b\0\0\0", 6)}, u"\"Text\"=\"ab\""},
        {u"", {RegType::String, bytes("d\0\0\0", 4)}, u"@=\"d\""},
        {u"Q\"uote\\", {RegType::String, bytes("\"\0\\\0\0\0", 6)}, u"\"Q\\\"uote\\\\\"=\"\\\"\\\\\""},
        {u"Empty", {RegType::String, bytes("\0\0", 2)}, u"\"Empty\"=\"\""},
        {u"Dword", {RegType::Dword, bytes("\x0a\0\0\0", 4)}, u"\"Dword\"=dword:0000000a"},
        {u"High", {RegType::Dword, bytes("\xef\xbe\xad\xde", 4)}, u"\"High\"=dword:deadbeef"},
        // Anything whose bytes a string or dword line would not carry exactly becomes hex.
        {u"NoNul", {RegType::String, bytes("a\0", 2)}, u"\"NoNul\"=hex(1):61,00"},
        {u"OddLength", {RegType::String, bytes("a\0\0", 3)}, u"\"OddLength\"=hex(1):61,00,00"},
        {u"NulInside", {RegType::String, bytes("a\0\0\0b\0\0\0", 8)}, u"\"NulInside\"=hex(1):61,00,00,00,62,00,00,00"},
        {u"Break", {RegType::String, bytes("\n\0\0\0", 4)}, u"\"Break\"=hex(1):0a,00,00,00"},
        {u"HalfPair", {RegType::String, bytes("\x00\xd8\0\0", 4)}, u"\"HalfPair\"=hex(1):00,d8,00,00"},
        {u"ShortDword", {RegType::Dword, bytes("\1\2", 2)}, u"\"ShortDword\"=hex(4):01,02"},
        {u"LongDword", {RegType::Dword, bytes("\1\2\3\4\5\6", 6)}, u"\"LongDword\"=hex(4):01,02,03,04,05,06"},
        {u"Binary", {RegType::Binary, bytes("\xff\0", 2)}, u"\"Binary\"=hex:ff,00"},
        {u"NoBytes", {RegType::Binary, QByteArray()}, u"\"NoBytes\"=hex:"},
        {u"Other", {0x2au, bytes("\x10", 1)}, u"\"Other\"=hex(2a):10"},
    };
    QList<RegText::Key> keys{{Hive::ClassesRoot, QStringLiteral(".zip\\Shell"), {}}};
    for (const auto& row : cases)
        keys.first().values.append({QString::fromUtf16(row.name), row.value});
    QString text;
    QString error;
    ASSERT_TRUE(RegText::write(keys, text, &error)) << error.toStdString();
    const QStringList lines = text.split(u'\n');
    ASSERT_GE(lines.size(), 3 + static_cast<qsizetype>(std::size(cases)));
    EXPECT_EQ(lines.at(0), QStringLiteral("REGEDIT4"));
    EXPECT_EQ(lines.at(1), QString());
    EXPECT_EQ(lines.at(2), QStringLiteral("[HKEY_CLASSES_ROOT\\.zip\\Shell]"));
    for (qsizetype i = 0; i < static_cast<qsizetype>(std::size(cases)); ++i)
        EXPECT_EQ(lines.at(3 + i), QString::fromUtf16(cases[i].line));

    const auto back = parse(text);
    ASSERT_TRUE(back.ok) << back.error.toStdString();
    ASSERT_EQ(back.operations.size(), 1 + static_cast<qsizetype>(std::size(cases)));
    for (qsizetype i = 0; i < static_cast<qsizetype>(std::size(cases)); ++i) {
        EXPECT_EQ(back.operations.at(1 + i).valueName, QString::fromUtf16(cases[i].name));
        EXPECT_EQ(back.operations.at(1 + i).value.type, cases[i].value.type) << i;
        EXPECT_EQ(back.operations.at(1 + i).value.data, cases[i].value.data) << i;
    }
}

TEST(RegText, WriteRefusesNamesNoLineCanCarry)
{
    const RegValue value{RegType::Dword, bytes("\0\0\0\0", 4)};
    const QString halfPair = QStringLiteral("a") + QChar(0xD800);
    const struct { const char* what; QString keyPath; QString valueName; } cases[] = {
        {"value name with a line break", QStringLiteral("Software"), QStringLiteral("a\nb")},
        {"value name with a carriage return", QStringLiteral("Software"), QStringLiteral("a\rb")},
        {"value name with half a surrogate pair", QStringLiteral("Software"), halfPair},
        {"key name with a line break", QStringLiteral("Software\\x]\n\"Injected\"=\"y\"\n[HKCU\\y"), QStringLiteral("v")},
        {"key name with half a surrogate pair", halfPair, QStringLiteral("v")},
    };
    for (const auto& row : cases) {
        QString text = QStringLiteral("untouched");
        QString error;
        EXPECT_FALSE(RegText::write({{Hive::CurrentUser, row.keyPath, {{row.valueName, value}}}}, text, &error)) << row.what;
        EXPECT_FALSE(error.isEmpty()) << row.what;
        EXPECT_EQ(text, QStringLiteral("untouched")) << row.what;
    }
    // A full pair, an accent and a NUL are fine.
    QString text;
    const QString fine = QStringLiteral("\U0001F600 \u00e9 ") + QChar(0) + QStringLiteral("end");
    ASSERT_TRUE(RegText::write({{Hive::CurrentUser, fine, {{fine, value}}}}, text, nullptr));
    const auto back = parse(RegText::decodeRegFile(text.toUtf8()).text);
    ASSERT_TRUE(back.ok) << back.error.toStdString();
    EXPECT_EQ(back.operations.at(1).keyPath, fine);
    EXPECT_EQ(back.operations.at(1).valueName, fine);
}

TEST(RegText, DecodesFilesByTheirMark)
{
    const QString text = QStringLiteral("Windows Registry Editor Version 5.00\r\n[HKCU\\x]\r\n\"\u00e9\"=\"\u20ac\"\r\n");
    QByteArray littleEndian("\xff\xfe", 2);
    QByteArray bigEndian("\xfe\xff", 2);
    for (const QChar c : text) {
        littleEndian.append(static_cast<char>(c.unicode() & 0xff)).append(static_cast<char>(c.unicode() >> 8));
        bigEndian.append(static_cast<char>(c.unicode() >> 8)).append(static_cast<char>(c.unicode() & 0xff));
    }
    for (const QByteArray& bytes : {littleEndian, bigEndian, text.toUtf8(), "\xef\xbb\xbf" + text.toUtf8()}) {
        const RegText::DecodeResult decoded = RegText::decodeRegFile(bytes);
        EXPECT_TRUE(decoded.ok) << decoded.error.toStdString();
        EXPECT_EQ(decoded.text, text);
    }
    const auto parsed = parse(RegText::decodeRegFile(littleEndian).text);
    ASSERT_TRUE(parsed.ok) << parsed.error.toStdString();
    EXPECT_EQ(parsed.operations.at(1).valueName, QStringLiteral("\u00e9"));
}

QByteArray utf16(bool littleEndian, const std::u16string& units)
{
    QByteArray bytes = littleEndian ? QByteArray("\xff\xfe", 2) : QByteArray("\xfe\xff", 2);
    for (const char16_t unit : units) {
        const char low = static_cast<char>(unit & 0xff);
        const char high = static_cast<char>(unit >> 8);
        bytes.append(littleEndian ? low : high).append(littleEndian ? high : low);
    }
    return bytes;
}

TEST(RegText, RefusesBytesThatAreNotTextWithTheirLine)
{
    const struct { QByteArray bytes; int line; } refused[] = {
        // A REGEDIT4 file saved in Windows-1252, as older Windows tools wrote them.
        {"REGEDIT4\n\n[HKEY_CURRENT_USER\\Software]\n\"caf\xe9\"=\"\x80 5\"\n", 4},
        {"REGEDIT4\n\"\xed\xa0\x80\"=\"lone surrogate, encoded\"\n", 2},
        {"REGEDIT4\n\"\xed\xbf\xbf\"=\"another\"\n", 2},
        {"\xc0\xafREGEDIT4\n", 1},                                   // an overlong "/"
        {"REGEDIT4\n\n\n\"\xf4\x90\x80\x80\"=\"past U+10FFFF\"\n", 4},
        {"REGEDIT4\n\"cut short \xe2\x82", 2},
        {"\xef\xbb\xbfREGEDIT4\n\"\xff\"=\"\"\n", 2},
        {utf16(true, u"Windows Registry Editor Version 5.00\r\n\r\n\"\xd800\"=\"\"\r\n"), 3},
        {utf16(false, u"Windows Registry Editor Version 5.00\r\n\"x\xdc00\"=\"\"\r\n"), 2},
        {utf16(true, u"Windows Registry Editor Version 5.00\r\n\"\xdbff\"=\"\"\r\n"), 2},  // high, then no low
        {utf16(true, u"Windows Registry Editor Version 5.00\r\n") + 'x', 2},   // half a unit at the end
    };
    for (const auto& row : refused) {
        const RegText::DecodeResult decoded = RegText::decodeRegFile(row.bytes);
        EXPECT_FALSE(decoded.ok) << row.bytes.toHex().toStdString();
        EXPECT_EQ(decoded.errorLine, row.line) << row.bytes.toHex().toStdString();
        EXPECT_TRUE(decoded.error.startsWith(QStringLiteral("line %1: ").arg(row.line))) << decoded.error.toStdString();
        EXPECT_TRUE(decoded.text.isEmpty());
    }
    EXPECT_TRUE(RegText::decodeRegFile("REGEDIT4\n\"\xe9\"=\"\"\n").error.contains(QStringLiteral("0xE9")));

    // Every well-formed character passes, the largest of each length included.
    const QString accepted = QStringLiteral("REGEDIT4\n\"\u007f\u07ff\uffff\U0010ffff\U0001f600\ud7ff\ue000\"=\"\"\n");
    const RegText::DecodeResult decoded = RegText::decodeRegFile(accepted.toUtf8());
    EXPECT_TRUE(decoded.ok) << decoded.error.toStdString();
    EXPECT_EQ(decoded.text, accepted);
    EXPECT_EQ(RegText::decodeRegFile(utf16(true, accepted.toStdU16String())).text, accepted);
}

}  // namespace
