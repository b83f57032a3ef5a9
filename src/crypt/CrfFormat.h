#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The ".crf" encrypted file, byte for byte, as the phone writes and reads it (all integers
// little-endian):
//
//   4 bytes   N, the length of the stored name in UTF-16 units
//   2N bytes  the stored name: the bare name of the file that was encrypted, UTF-16LE
//   4 bytes   M, the length of the check block; always 8
//   M bytes   the check block: "corvane" and a NUL, encrypted
//   the rest  the file's bytes, encrypted
//
// The check block and the file's bytes are one Triple DES CBC stream with an all-zero initial
// vector and PKCS#5 padding at its very end, under a key made from the password (deriveKey).
// The format is a contract with files already stored: nothing here may change a byte of it.
// Pure functions over bytes; no file, no widget.
namespace CrfFormat {

// The reader's limits, which are the phone's buffers: a stored name of at most 259 units, a
// check block of at most 1008 bytes.
inline constexpr quint32 MaxNameLength = 259;
inline constexpr quint32 MaxCheckLength = 1008;
// Enough bytes of a file's start to hold any header the reader accepts.
inline constexpr qint64 MaxHeaderSize = 4 + 2 * MaxNameLength + 4 + MaxCheckLength;

// The plain text of the check block.
QByteArray checkText();

enum class HeaderError {
    None,
    Truncated,    // the file ends inside its header
    NameTooLong,  // N over 259
    CheckLength,  // M over 1008, under 8, or not whole blocks
    BadName,      // a name that is no bare file name (empty, ".", "..", a separator, a NUL)
};

struct Header {
    QString storedName;
    QByteArray checkBlock;  // encrypted, as stored
    qint64 size = 0;        // bytes from the start of the file to its data
};

// Reads the header at the start of `bytes` (the file's first MaxHeaderSize bytes, or all of a
// shorter file). Every length is checked against what is left before it is read.
[[nodiscard]] HeaderError parseHeader(QByteArrayView bytes, Header& out);
// The header of a file made from `name`, with the encrypted check block.
QByteArray headerBytes(const QString& name, const QByteArray& checkBlock);

// True when a decrypted check block starts with the check text: compared, as the phone does,
// as a NUL-terminated string, so only its first block counts.
bool checkMatches(QByteArrayView decrypted);

// The 24-byte Triple DES key of a password: the MD5 hash of its UTF-16LE units, widened as
// CryptoAPI's CryptDeriveKey widens a hash shorter than the key (MD5 of 64 bytes of 0x36, and
// of 64 bytes of 0x5C, each with the hash XORed into its start; the first 24 bytes of the two
// hashes). Empty when MD5 is not available.
QByteArray deriveKey(const QString& password);

// True for a name that stands for one file in the folder of the ".crf": not empty, not "."
// or "..", without "\", "/" or NUL.
bool isBareName(const QString& name);

// True for a path or name that is taken as an encrypted file: one ending in "crf", whatever
// its case (with or without a dot before it, as the phone decides).
bool isEncryptedName(const QString& name);

// The name of the encrypted file made from `name`: the name up to its last "." with ".crf"
// after it ("report.txt" -> "report.crf"). A name without an extension keeps all of itself
// ("report" -> "report.crf", ".profile" -> ".profile.crf"), where cutting at the last "."
// would leave a lone ".crf" for every such file.
QString encryptedName(const QString& name);

}  // namespace CrfFormat
