#include "crypt/CrfFormat.h"

#include "crypt/CrfCipher.h"

#include <QtEndian>

namespace CrfFormat {

QByteArray checkText() { return QByteArray("corvane", 8); }

HeaderError parseHeader(QByteArrayView bytes, Header& out)
{
    qint64 at = 0;
    const auto left = [&] { return bytes.size() - at; };
    const auto readLength = [&](quint32& value) {
        if (left() < 4)
            return false;
        value = qFromLittleEndian<quint32>(bytes.data() + at);
        at += 4;
        return true;
    };
    quint32 nameLength = 0;
    if (!readLength(nameLength))
        return HeaderError::Truncated;
    if (nameLength > MaxNameLength)
        return HeaderError::NameTooLong;
    if (left() < 2 * qint64(nameLength))
        return HeaderError::Truncated;
    QString name(static_cast<qsizetype>(nameLength), Qt::Uninitialized);
    for (quint32 i = 0; i < nameLength; ++i)
        name[i] = QChar(qFromLittleEndian<quint16>(bytes.data() + at + 2 * i));
    at += 2 * qint64(nameLength);
    quint32 checkLength = 0;
    if (!readLength(checkLength))
        return HeaderError::Truncated;
    // The phone writes 8; a longer block of whole blocks is read as it would read it, and
    // anything that is not whole blocks could never have come from its cipher.
    if (checkLength > MaxCheckLength || checkLength < quint32(CrfCipher::BlockSize)
        || checkLength % CrfCipher::BlockSize != 0)
        return HeaderError::CheckLength;
    if (left() < qint64(checkLength))
        return HeaderError::Truncated;
    if (!isBareName(name))
        return HeaderError::BadName;
    out.storedName = name;
    out.checkBlock = bytes.sliced(at, checkLength).toByteArray();
    out.size = at + checkLength;
    return HeaderError::None;
}

QByteArray headerBytes(const QString& name, const QByteArray& checkBlock)
{
    QByteArray header(4 + 2 * name.size() + 4, '\0');
    char* at = header.data();
    qToLittleEndian<quint32>(static_cast<quint32>(name.size()), at);
    at += 4;
    for (const QChar c : name) {
        qToLittleEndian<quint16>(c.unicode(), at);
        at += 2;
    }
    qToLittleEndian<quint32>(static_cast<quint32>(checkBlock.size()), at);
    return header + checkBlock;
}

bool checkMatches(QByteArrayView decrypted)
{
    return decrypted.size() >= CrfCipher::BlockSize && decrypted.first(CrfCipher::BlockSize) == checkText();
}

QByteArray deriveKey(const QString& password)
{
    QByteArray units(2 * password.size(), '\0');
    for (qsizetype i = 0; i < password.size(); ++i)
        qToLittleEndian<quint16>(password.at(i).unicode(), units.data() + 2 * i);
    const QByteArray hash = CrfCipher::md5(units);
    if (hash.size() != 16)
        return QByteArray();
    QByteArray inner(64, '\x36');
    QByteArray outer(64, '\x5c');
    for (int i = 0; i < hash.size(); ++i) {
        inner[i] = static_cast<char>(inner.at(i) ^ hash.at(i));
        outer[i] = static_cast<char>(outer.at(i) ^ hash.at(i));
    }
    const QByteArray key = CrfCipher::md5(inner) + CrfCipher::md5(outer);
    return key.size() == 32 ? key.left(CrfCipher::KeySize) : QByteArray();
}

bool isBareName(const QString& name)
{
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'\\') && !name.contains(u'/')
           && !name.contains(QChar(0));
}

bool isEncryptedName(const QString& name) { return name.endsWith(QLatin1String("crf"), Qt::CaseInsensitive); }

QString encryptedName(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return (dot > 0 ? name.left(dot) : name) + QStringLiteral(".crf");
}

}  // namespace CrfFormat
