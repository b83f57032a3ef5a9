// The ".crf" format byte for byte: the key of a password, the header, and the names. The
// known answers come from outside this program, as written beside each.
#include "crypt/CrfFormat.h"

#include <QtEndian>

#include <gtest/gtest.h>

namespace {

QByteArray le32(quint32 value)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian(value, bytes.data());
    return bytes;
}

QByteArray utf16le(const QString& text)
{
    QByteArray bytes;
    for (const QChar c : text) {
        bytes.append(static_cast<char>(c.unicode() & 0xff));
        bytes.append(static_cast<char>(c.unicode() >> 8));
    }
    return bytes;
}

// The keys were computed with Python's hashlib from the published description of CryptoAPI's
// CryptDeriveKey, not with this program's code:
//   h = md5(password.encode('utf-16-le')).digest()
//   a = bytes(0x36 ^ h[i] if i < 16 else 0x36 for i in range(64))
//   b = bytes(0x5c ^ h[i] if i < 16 else 0x5c for i in range(64))
//   key = (md5(a).digest() + md5(b).digest())[:24]
// and the one of "secret" once more with `openssl dgst -md5` on the same bytes.
TEST(CrfFormat, KeysAreThoseCryptDeriveKeyMakesFromTheMd5OfThePassword)
{
    const struct {
        QString password;
        const char* key;
    } cases[] = {
        {QString(), "02da5b002ba7567feb33bada86b8284cabf23763f9c8c381"},  // the MD5 of nothing
        {QStringLiteral("secret"), "4d54864f86d740a5c47c7e0202e38c237a17b87f1735717d"},
        {QStringLiteral("Secret"), "1c8aedaa68af96270bfa60b593e7b0e715309f793f573d70"},
        {QStringLiteral("0123456789").repeated(100), "b5a27a0db51cc55f2a428be548ced672687585773ead61ae"},
        // U+1F600 is two UTF-16 units, each hashed as it stands; then a blank and "kéy".
        {QString::fromUtf8("\xF0\x9F\x98\x80 k\xC3\xA9y"), "2ce3f81f49fde0728a9326d154bb978371bb82997f98b388"},
    };
    for (const auto& row : cases)
        EXPECT_EQ(CrfFormat::deriveKey(row.password).toHex(), QByteArray(row.key)) << row.password.size();
}

TEST(CrfFormat, AHeaderIsWrittenAndReadBackAsThePhoneLaysItOut)
{
    const QByteArray check = QByteArray::fromHex("2dd3edf6be71c0e7");
    const QByteArray header = CrfFormat::headerBytes(QStringLiteral("report.txt"), check);
    EXPECT_EQ(header.toHex(), QByteArray("0a000000"                                   // N = 10 units
                                         "7200650070006f00720074002e00740078007400"   // "report.txt"
                                         "08000000"                                   // M = 8
                                         "2dd3edf6be71c0e7"));
    CrfFormat::Header read;
    ASSERT_EQ(CrfFormat::parseHeader(header + "data after the header", read), CrfFormat::HeaderError::None);
    EXPECT_EQ(read.storedName, QStringLiteral("report.txt"));
    EXPECT_EQ(read.checkBlock, check);
    EXPECT_EQ(read.size, header.size());

    // The longest name and check block the phone's buffers take are read whole.
    const QString longest(259, u'n');
    const QByteArray longCheck(1008, 'c');
    ASSERT_EQ(CrfFormat::parseHeader(CrfFormat::headerBytes(longest, longCheck), read), CrfFormat::HeaderError::None);
    EXPECT_EQ(read.storedName, longest);
    EXPECT_EQ(read.checkBlock, longCheck);
}

TEST(CrfFormat, BadHeadersAreRefusedWithoutReadingPastTheirBytes)
{
    using Error = CrfFormat::HeaderError;
    const QByteArray check(8, 'c');
    const QByteArray name = le32(1) + utf16le(QStringLiteral("a"));
    const struct {
        const char* what;
        QByteArray bytes;
        Error error;
    } cases[] = {
        {"empty", QByteArray(), Error::Truncated},
        {"half a length", QByteArray("\x01\x00", 2), Error::Truncated},
        {"name cut short", le32(4) + utf16le(QStringLiteral("ab")), Error::Truncated},
        {"no check length", name, Error::Truncated},
        {"check block cut short", name + le32(8) + "1234567", Error::Truncated},
        {"name of 260 units", le32(260) + QByteArray(520, 'a') + le32(8) + check, Error::NameTooLong},
        {"name length near 2^32", le32(0xFFFFFFFF) + QByteArray(64, 'a'), Error::NameTooLong},
        {"check block of 1016", name + le32(1016) + QByteArray(1016, 'c'), Error::CheckLength},
        {"check length near 2^32", name + le32(0xFFFFFFF8) + check, Error::CheckLength},
        {"no check block", name + le32(0) + check, Error::CheckLength},
        {"check block of 12", name + le32(12) + QByteArray(12, 'c'), Error::CheckLength},
        {"no name", le32(0) + le32(8) + check, Error::BadName},
        {"dot dot", le32(2) + utf16le(QStringLiteral("..")) + le32(8) + check, Error::BadName},
        {"a folder", le32(6) + utf16le(QStringLiteral("..\\x.t")) + le32(8) + check, Error::BadName},
        {"a slash", le32(5) + utf16le(QStringLiteral("a/b.t")) + le32(8) + check, Error::BadName},
        {"a NUL", le32(3) + utf16le(QStringLiteral("a")) + QByteArray(2, '\0') + utf16le(QStringLiteral("b"))
                      + le32(8) + check, Error::BadName},
        // Plain text named "x.CRF": its first four bytes read as a huge name length.
        {"plain text", QByteArray("This is no encrypted file at all."), Error::NameTooLong},
    };
    for (const auto& row : cases) {
        CrfFormat::Header header;
        EXPECT_EQ(CrfFormat::parseHeader(row.bytes, header), row.error) << row.what;
    }
}

TEST(CrfFormat, TheCheckBlockMatchesAsTheNulTerminatedTextCorvane)
{
    EXPECT_TRUE(CrfFormat::checkMatches(QByteArray("corvane\0", 8)));
    EXPECT_TRUE(CrfFormat::checkMatches(QByteArray("corvane\0anything", 16)));  // only the text counts
    EXPECT_FALSE(CrfFormat::checkMatches(QByteArray("corvanes", 8)));
    EXPECT_FALSE(CrfFormat::checkMatches(QByteArray("Corvane\0", 8)));
    EXPECT_FALSE(CrfFormat::checkMatches(QByteArray("corvane", 7)));
}

TEST(CrfFormat, NamesOfEncryptedFiles)
{
    const struct {
        const char* name;
        const char* encrypted;
    } cases[] = {
        {"report.txt", "report.crf"},
        {"archive.tar.gz", "archive.tar.crf"},
        {"report", "report.crf"},        // no extension: the whole name stays
        {".profile", ".profile.crf"},    // a leading dot starts no extension
        {"notes.", "notes.crf"},
    };
    for (const auto& row : cases)
        EXPECT_EQ(CrfFormat::encryptedName(QString::fromUtf8(row.name)), QString::fromUtf8(row.encrypted)) << row.name;

    // What is decrypted rather than encrypted: a name ending in "crf", whatever its case.
    for (const char* name : {"x.crf", "x.CRF", "x.Crf", "xcrf"})
        EXPECT_TRUE(CrfFormat::isEncryptedName(QString::fromUtf8(name))) << name;
    for (const char* name : {"x.crf.txt", "x.cr", "crf.txt"})
        EXPECT_FALSE(CrfFormat::isEncryptedName(QString::fromUtf8(name))) << name;
}

}  // namespace
