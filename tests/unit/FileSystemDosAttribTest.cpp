#include "platform/linux/SambaDosAttrib.h"

#include <gtest/gtest.h>

#include <optional>

using platform::SambaDosAttrib;

namespace {

// Records as Samba writes them: the text copy (empty from version 4 on), the version twice,
// and the fields from the next 4-byte boundary. Hex, so that every byte shows.
TEST(FileSystemDosAttrib, ReadsTheTextFormAndSambasRecords)
{
    const struct { const char* what; QByteArray value; std::optional<quint32> bits; } cases[] = {
        {"text", "0x22", 0x22},
        {"text with its NUL", QByteArray("0x20", 5), 0x20},
        {"capital X and digits", "0X1F", 0x1F},
        {"eight digits", "0x80000020", 0x80000020u},
        {"nine digits", "0x100000020", std::nullopt},
        {"no digits", "0x", std::nullopt},
        {"not hex", "0x2g", std::nullopt},
        {"empty", "", std::nullopt},
        {"version 1", QByteArray::fromHex("0000010001000000" "22000000" "00000000"), 0x22},
        {"version 2: flags first", QByteArray::fromHex("0000020002000000" "01000000" "06000000"), 0x06},
        {"version 3 with its text copy", QByteArray::fromHex("30783200" "03000300" "11000000" "02000000"), 0x02},
        {"version 3, odd text length", QByteArray::fromHex("3078323000" "00" "03000300" "0000" "11000000" "20000000"), 0x20},
        {"version 4", QByteArray::fromBase64("AAAEAAQAAABRAAAAIAAAAJoCTPTRL9w32kJL9NEv3AE="), 0x20},
        {"version 5", QByteArray::fromBase64("AAAFAAUAAAARAAAAIAAAAABj2qpxsdkB"), 0x20},
        {"version 5, attribute not valid", QByteArray::fromHex("0000050005000000" "10000000" "22000000"), std::nullopt},
        {"unknown version", QByteArray::fromHex("0000090009000000" "01000000" "22000000"), std::nullopt},
        {"switch differs from version", QByteArray::fromHex("0000050004000000" "01000000" "22000000"), std::nullopt},
        {"cut short", QByteArray::fromHex("0000050005000000" "01000000" "2200"), std::nullopt},
        {"no end to the text", "abc", std::nullopt},
    };
    for (const auto& row : cases)
        EXPECT_EQ(SambaDosAttrib::parse(row.value), row.bits) << row.what;
}

TEST(FileSystemDosAttrib, WritesTextUnlessARecordKeepsMore)
{
    EXPECT_EQ(SambaDosAttrib::text(0x22), QByteArray("0x22"));
    EXPECT_EQ(SambaDosAttrib::withAttributes(QByteArray(), 0x2), QByteArray("0x2"));
    EXPECT_EQ(SambaDosAttrib::withAttributes("0x20", 0x6), QByteArray("0x6"));
    // A record of version 4 or 5 keeps its creation time; only the attribute changes, and it
    // is marked valid.
    const QByteArray v5 = QByteArray::fromHex("0000050005000000" "10000000" "00000000" "0063daaa71b1d901");
    const QByteArray updated = SambaDosAttrib::withAttributes(v5, 0x22);
    EXPECT_EQ(updated.toHex(), QByteArray("0000050005000000" "11000000" "22000000" "0063daaa71b1d901"));
    EXPECT_EQ(SambaDosAttrib::parse(updated), 0x22u);
    // A record whose text copy would go stale, or one of an old version, becomes text.
    const QByteArray v3 = QByteArray::fromHex("30783200" "03000300" "11000000" "02000000");
    EXPECT_EQ(SambaDosAttrib::withAttributes(v3, 0x20), QByteArray("0x20"));
    EXPECT_EQ(SambaDosAttrib::withAttributes(QByteArray::fromHex("0000010001000000" "22000000"), 0x2), QByteArray("0x2"));
    EXPECT_EQ(SambaDosAttrib::withAttributes("garbage", 0x4), QByteArray("0x4"));
}

}  // namespace
