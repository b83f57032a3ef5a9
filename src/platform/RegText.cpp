#include "platform/RegText.h"

#include <QStringConverter>
#include <QStringList>
#include <QtEndian>

namespace platform {
namespace RegText {

namespace {

QString escape(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    for (const QChar c : text) {
        if (c == u'\\' || c == u'"')
            out.append(u'\\');
        out.append(c);
    }
    return out;
}

// The text of a REG_SZ value when its bytes are exactly that text and one NUL, with nothing
// a quoted line cannot carry; else a null string.
QString plainString(const RegValue& value)
{
    const QByteArray& data = value.data;
    if (value.type != RegType::String || data.size() < 2 || data.size() % 2 != 0)
        return QString();
    const qsizetype characters = data.size() / 2 - 1;
    if (qFromLittleEndian<quint16>(data.constData() + characters * 2) != 0)
        return QString();
    QString text(characters, Qt::Uninitialized);
    for (qsizetype i = 0; i < characters; ++i) {
        const char16_t c = qFromLittleEndian<quint16>(data.constData() + i * 2);
        if (c == 0 || c == u'\n' || c == u'\r')
            return QString();
        text[i] = QChar(c);
    }
    return text.isNull() ? QStringLiteral("") : text;
}

QString hexList(const QByteArray& data)
{
    QStringList bytes;
    bytes.reserve(data.size());
    for (const char byte : data)
        bytes << QStringLiteral("%1").arg(static_cast<unsigned char>(byte), 2, 16, QLatin1Char('0'));
    return bytes.join(u',');
}

QString valueText(const RegValue& value)
{
    const QString text = plainString(value);
    if (!text.isNull())
        return u'"' + escape(text) + u'"';
    if (value.type == RegType::Dword && value.data.size() == 4)
        return QStringLiteral("dword:%1").arg(qFromLittleEndian<quint32>(value.data.constData()), 8, 16, QLatin1Char('0'));
    if (value.type == RegType::Binary)
        return QStringLiteral("hex:") + hexList(value.data);
    return QStringLiteral("hex(%1):").arg(value.type, 0, 16) + hexList(value.data);
}

QByteArray encodeString(const QString& text)
{
    QByteArray data((text.size() + 1) * 2, '\0');
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian<quint16>(text.at(i).unicode(), data.data() + i * 2);
    return data;
}

// Reads a quoted string starting at `at` (on the opening quote); leaves `at` after the
// closing quote. False on a bad escape or a missing closing quote.
bool readQuoted(const QString& line, qsizetype& at, QString& out, QString& error)
{
    out.clear();
    ++at;
    while (at < line.size()) {
        const QChar c = line.at(at);
        if (c == u'"') {
            ++at;
            return true;
        }
        if (c == u'\\') {
            if (at + 1 >= line.size() || (line.at(at + 1) != u'\\' && line.at(at + 1) != u'"')) {
                error = QStringLiteral("a backslash in a string must be followed by \\ or \"");
                return false;
            }
            out.append(line.at(at + 1));
            at += 2;
            continue;
        }
        out.append(c);
        ++at;
    }
    error = QStringLiteral("the string has no closing quote");
    return false;
}

bool parseHexBytes(QStringView list, QByteArray& out, QString& error)
{
    out.clear();
    const QString trimmed = list.toString().trimmed();
    if (trimmed.isEmpty())
        return true;
    for (const QString& item : trimmed.split(u',')) {
        const QString byte = item.trimmed();
        bool ok = false;
        const uint value = byte.toUInt(&ok, 16);
        if (!ok || byte.size() > 2 || value > 0xFF) {
            error = QStringLiteral("'%1' is not a hex byte").arg(byte);
            return false;
        }
        out.append(static_cast<char>(value));
    }
    return true;
}

bool parseValue(const QString& text, RegValue& value, bool& deletes, QString& error)
{
    deletes = false;
    if (text == u"-") {
        deletes = true;
        return true;
    }
    if (text.startsWith(u'"')) {
        qsizetype at = 0;
        QString string;
        if (!readQuoted(text, at, string, error))
            return false;
        if (!text.mid(at).trimmed().isEmpty()) {
            error = QStringLiteral("unexpected text after the string");
            return false;
        }
        value = {RegType::String, encodeString(string)};
        return true;
    }
    if (text.startsWith(QLatin1String("dword:"), Qt::CaseInsensitive)) {
        const QString digits = text.mid(6).trimmed();
        bool ok = false;
        const uint number = digits.toUInt(&ok, 16);
        if (!ok || digits.isEmpty() || digits.size() > 8 || digits.startsWith(u'+') || digits.startsWith(u'-')) {
            error = QStringLiteral("a dword wants 1 to 8 hex digits");
            return false;
        }
        QByteArray data(4, '\0');
        qToLittleEndian<quint32>(number, data.data());
        value = {RegType::Dword, data};
        return true;
    }
    if (text.startsWith(QLatin1String("hex"), Qt::CaseInsensitive)) {
        quint32 type = RegType::Binary;
        qsizetype colon = text.indexOf(u':');
        if (colon < 0) {
            error = QStringLiteral("hex wants a colon");
            return false;
        }
        const QString head = text.left(colon);
        if (head.compare(QLatin1String("hex"), Qt::CaseInsensitive) != 0) {
            const bool shaped = head.size() > 5 && head.at(3) == u'(' && head.endsWith(u')');
            bool ok = false;
            type = shaped ? head.mid(4, head.size() - 5).toUInt(&ok, 16) : 0;
            if (!ok) {
                error = QStringLiteral("hex(N) wants a hex type number");
                return false;
            }
        }
        QByteArray data;
        if (!parseHexBytes(QStringView(text).mid(colon + 1), data, error))
            return false;
        value = {type, data};
        return true;
    }
    error = QStringLiteral("a value is \"text\", dword:, hex: or -");
    return false;
}

}  // namespace

bool hiveFromName(const QString& name, Hive& hive)
{
    const struct { const char* longName; const char* shortName; Hive hive; } hives[] = {
        {"HKEY_CURRENT_USER", "HKCU", Hive::CurrentUser},
        {"HKEY_CLASSES_ROOT", "HKCR", Hive::ClassesRoot},
        {"HKEY_LOCAL_MACHINE", "HKLM", Hive::LocalMachine},
    };
    for (const auto& row : hives)
        if (name.compare(QLatin1String(row.longName), Qt::CaseInsensitive) == 0
            || name.compare(QLatin1String(row.shortName), Qt::CaseInsensitive) == 0) {
            hive = row.hive;
            return true;
        }
    return false;
}

ParseResult parse(const QString& text)
{
    ParseResult result;
    const QStringList lines = text.split(u'\n');
    const auto fail = [&result](int line, const QString& why) {
        result.ok = false;
        result.operations.clear();
        result.errorLine = line;
        result.error = QStringLiteral("line %1: %2").arg(line).arg(why);
        return result;
    };

    bool headerSeen = false;
    bool inSection = false;
    Hive hive = Hive::CurrentUser;
    QString keyPath;
    for (qsizetype index = 0; index < lines.size(); ++index) {
        const int lineNumber = static_cast<int>(index + 1);
        QString line = lines.at(index);
        if (line.endsWith(u'\r'))
            line.chop(1);
        if (index == 0 && line.startsWith(QChar(0xFEFF)))
            line.remove(0, 1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u';'))
            continue;
        if (!headerSeen) {
            if (trimmed != u"REGEDIT4" && trimmed != u"Windows Registry Editor Version 5.00")
                return fail(lineNumber, QStringLiteral("the file must start with REGEDIT4 or "
                                                       "Windows Registry Editor Version 5.00"));
            headerSeen = true;
            continue;
        }
        if (trimmed.startsWith(u'[')) {
            const qsizetype close = trimmed.lastIndexOf(u']');
            if (close < 0 || !trimmed.mid(close + 1).trimmed().isEmpty())
                return fail(lineNumber, QStringLiteral("a key line is [KEY]"));
            QString name = trimmed.mid(1, close - 1);
            const bool deletes = name.startsWith(u'-');
            if (deletes)
                name.remove(0, 1);
            const qsizetype slash = name.indexOf(u'\\');
            const QString hiveName = slash < 0 ? name : name.left(slash);
            if (!hiveFromName(hiveName, hive))
                return fail(lineNumber, QStringLiteral("unknown hive '%1'").arg(hiveName));
            keyPath = slash < 0 ? QString() : name.mid(slash + 1);
            if (keyPath.split(u'\\').contains(QString()) && !keyPath.isEmpty())
                return fail(lineNumber, QStringLiteral("a key name is empty"));
            Operation operation;
            operation.kind = deletes ? Operation::DeleteKey : Operation::CreateKey;
            operation.hive = hive;
            operation.keyPath = keyPath;
            if (deletes && keyPath.isEmpty())
                return fail(lineNumber, QStringLiteral("a whole hive cannot be deleted"));
            result.operations.append(operation);
            // Values after a deleted key would have nowhere to go.
            inSection = !deletes;
            continue;
        }
        if (trimmed.startsWith(u'"') || trimmed.startsWith(u'@')) {
            if (!inSection)
                return fail(lineNumber, QStringLiteral("a value outside a key section"));
            // Continuation lines of hex lists end in a backslash.
            QString full = trimmed;
            const int firstLine = lineNumber;
            while (full.endsWith(u'\\')) {
                if (index + 1 >= lines.size())
                    return fail(firstLine, QStringLiteral("the value goes on past the end of the file"));
                full.chop(1);
                QString next = lines.at(++index);
                if (next.endsWith(u'\r'))
                    next.chop(1);
                full += next.trimmed();
            }
            QString name;
            qsizetype at = 0;
            QString error;
            if (trimmed.startsWith(u'@')) {
                name = QStringLiteral("");
                at = 1;
            } else if (!readQuoted(full, at, name, error)) {
                return fail(firstLine, error);
            }
            while (at < full.size() && full.at(at).isSpace())
                ++at;
            if (at >= full.size() || full.at(at) != u'=')
                return fail(firstLine, QStringLiteral("a value line is \"NAME\"=VALUE"));
            RegValue value;
            bool deletes = false;
            if (!parseValue(full.mid(at + 1).trimmed(), value, deletes, error))
                return fail(firstLine, error);
            Operation operation;
            operation.kind = deletes ? Operation::DeleteValue : Operation::SetValue;
            operation.hive = hive;
            operation.keyPath = keyPath;
            operation.valueName = name;
            operation.value = value;
            result.operations.append(operation);
            continue;
        }
        return fail(lineNumber, QStringLiteral("cannot read '%1'").arg(trimmed.left(40)));
    }
    if (!headerSeen)
        return fail(1, QStringLiteral("the file is empty"));
    result.ok = true;
    return result;
}

QString decodeRegFile(const QByteArray& bytes)
{
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        auto decoder = QStringDecoder(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        return decoder(bytes.mid(2));
    }
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    return QString::fromUtf8(bytes);
}

QString write(const QList<Key>& keys)
{
    QString out = QStringLiteral("REGEDIT4\n");
    for (const Key& key : keys) {
        out += QStringLiteral("\n[") + RegistryStore::hiveName(key.hive);
        if (!key.path.isEmpty())
            out += u'\\' + key.path;
        out += QStringLiteral("]\n");
        for (const auto& [name, value] : key.values) {
            out += name.isEmpty() ? QStringLiteral("@") : u'"' + escape(name) + u'"';
            out += u'=' + valueText(value) + u'\n';
        }
    }
    return out;
}

}  // namespace RegText
}  // namespace platform
