#include "platform/RegText.h"

#include <QStringConverter>
#include <QStringList>
#include <QtEndian>

namespace platform {
namespace RegText {

namespace {

const QLatin1String Regedit4Header("REGEDIT4");
const QLatin1String Regedit5Header("Windows Registry Editor Version 5.00");

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

// Half of a surrogate pair on its own is valid in UTF-16 data but has no UTF-8 form: a text
// holding one would come back from a UTF-8 file with a '?' in its place.
bool hasUnpairedSurrogate(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return true;
    }
    return false;
}

bool hasLineBreak(QStringView text) { return text.contains(u'\n') || text.contains(u'\r'); }

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
        if (c == 0)
            return QString();
        text[i] = QChar(c);
    }
    if (hasLineBreak(text) || hasUnpairedSurrogate(text))
        return QString();
    return text.isNull() ? QStringLiteral("") : text;
}

QString hexList(const QByteArray& data) { return QString::fromLatin1(data.toHex(',')); }

QString valueText(const RegValue& value)
{
    const QString text = plainString(value);
    if (!text.isNull())
        return u'"' + escape(text) + u'"';
    if (value.type == RegType::Dword && value.data.size() == 4)
        return QStringLiteral("dword:%1")
            .arg(qFromLittleEndian<quint32>(value.data.constData()), 8, 16, QLatin1Char('0'));
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

// The value of one hex digit, or -1.
int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// 1 to maxDigits hex digits and nothing else: no sign, no "0x", no spaces inside.
bool parseHexNumber(QStringView digits, int maxDigits, quint32& out)
{
    if (digits.isEmpty() || digits.size() > maxDigits)
        return false;
    out = 0;
    for (const QChar c : digits) {
        const int digit = hexDigit(c);
        if (digit < 0)
            return false;
        out = (out << 4) | static_cast<quint32>(digit);
    }
    return true;
}

// Reads a quoted string starting at `at` (on the opening quote); leaves `at` after the
// closing quote. False on a bad escape or a missing closing quote.
bool readQuoted(QStringView line, qsizetype& at, QString& out, QString& error)
{
    out = QStringLiteral("");
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
    const QStringView trimmed = list.trimmed();
    if (trimmed.isEmpty())
        return true;
    for (const QStringView item : trimmed.split(u',')) {
        const QStringView byte = item.trimmed();
        quint32 value = 0;
        if (!parseHexNumber(byte, 2, value)) {
            error = QStringLiteral("'%1' is not a hex byte").arg(byte.left(20));
            return false;
        }
        out.append(static_cast<char>(value));
    }
    return true;
}

bool startsWithHex(QStringView text) { return text.startsWith(QLatin1String("hex"), Qt::CaseInsensitive); }

bool parseValue(QStringView text, RegValue& value, bool& deletes, QString& error)
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
        quint32 number = 0;
        if (!parseHexNumber(text.mid(6).trimmed(), 8, number)) {
            error = QStringLiteral("a dword wants 1 to 8 hex digits");
            return false;
        }
        QByteArray data(4, '\0');
        qToLittleEndian<quint32>(number, data.data());
        value = {RegType::Dword, data};
        return true;
    }
    if (startsWithHex(text)) {
        quint32 type = RegType::Binary;
        const qsizetype colon = text.indexOf(u':');
        if (colon < 0) {
            error = QStringLiteral("hex wants a colon");
            return false;
        }
        const QStringView head = text.left(colon).trimmed();
        if (head.compare(QLatin1String("hex"), Qt::CaseInsensitive) != 0) {
            const bool shaped = head.size() > 5 && head.at(3) == u'(' && head.endsWith(u')');
            if (!shaped || !parseHexNumber(head.mid(4, head.size() - 5), 8, type)) {
                error = QStringLiteral("hex(N) wants a type of 1 to 8 hex digits");
                return false;
            }
        }
        QByteArray data;
        if (!parseHexBytes(text.mid(colon + 1), data, error))
            return false;
        value = {type, data};
        return true;
    }
    error = QStringLiteral("a value is \"text\", dword:, hex: or -");
    return false;
}

QString withoutCarriageReturn(const QString& line) { return line.endsWith(u'\r') ? line.chopped(1) : line; }

// Reads ".reg" text line by line: after the header, a key line names the key that the value
// lines below it go to. The first line that cannot be read ends the reading, and then no
// operation at all is given.
class Parser {
public:
    explicit Parser(const QString& text) : m_lines(text.split(u'\n')) {}
    ParseResult run();

private:
    // Each reads the line at m_index and returns a null text, or why the line cannot be read.
    QString readKeyLine(const QString& trimmed);
    QString readValueLine(const QString& trimmed);
    // The text after "=", with the lines that carry a hex list on joined to it (m_index
    // moves to the last of them).
    QString joinContinuedLines(QString valueText, QString& error);
    ParseResult fail(int line, const QString& why) const;

    const QStringList m_lines;
    qsizetype m_index = 0;
    // Values may follow a "[KEY]" line, but not the start of the file or a "[-KEY]" line:
    // they would have no key to go to.
    bool m_inSection = false;
    Hive m_hive = Hive::CurrentUser;
    QString m_keyPath;
    QList<Operation> m_operations;
};

ParseResult Parser::run()
{
    bool headerSeen = false;
    for (m_index = 0; m_index < m_lines.size(); ++m_index) {
        const int lineNumber = static_cast<int>(m_index + 1);
        QString line = withoutCarriageReturn(m_lines.at(m_index));
        if (m_index == 0 && line.startsWith(QChar(0xFEFF)))
            line.remove(0, 1);
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(u';'))
            continue;
        if (!headerSeen) {
            if (trimmed != Regedit4Header && trimmed != Regedit5Header)
                return fail(lineNumber,
                            QStringLiteral("the file must start with %1 or %2").arg(Regedit4Header, Regedit5Header));
            headerSeen = true;
            continue;
        }
        QString error;
        if (trimmed.startsWith(u'['))
            error = readKeyLine(trimmed);
        else if (trimmed.startsWith(u'"') || trimmed.startsWith(u'@'))
            error = readValueLine(trimmed);
        else
            error = QStringLiteral("cannot read '%1'").arg(trimmed.left(40));
        if (!error.isNull())
            return fail(lineNumber, error);
    }
    if (!headerSeen)
        return fail(1, QStringLiteral("the header %1 or %2 is missing").arg(Regedit4Header, Regedit5Header));
    ParseResult result;
    result.ok = true;
    result.operations = m_operations;
    return result;
}

QString Parser::readKeyLine(const QString& trimmed)
{
    if (!trimmed.endsWith(u']') || trimmed.size() < 2)
        return QStringLiteral("a key line is [KEY]");
    QString name = trimmed.mid(1, trimmed.size() - 2);
    const bool deletes = name.startsWith(u'-');
    if (deletes)
        name.remove(0, 1);
    const qsizetype slash = name.indexOf(u'\\');
    const QString hiveName = slash < 0 ? name : name.left(slash);
    if (!hiveFromName(hiveName, m_hive))
        return QStringLiteral("unknown hive '%1'").arg(hiveName.left(40));
    m_keyPath = slash < 0 ? QString() : name.mid(slash + 1);
    if (slash >= 0 && m_keyPath.split(u'\\').contains(QString()))
        return QStringLiteral("a key name is empty");
    if (deletes && m_keyPath.isEmpty())
        return QStringLiteral("a whole hive cannot be deleted");
    Operation operation;
    operation.kind = deletes ? Operation::DeleteKey : Operation::CreateKey;
    operation.hive = m_hive;
    operation.keyPath = m_keyPath;
    m_operations.append(operation);
    m_inSection = !deletes;
    return QString();
}

QString Parser::readValueLine(const QString& trimmed)
{
    if (!m_inSection)
        return QStringLiteral("a value outside a key section");
    QString name;
    qsizetype at = 0;
    QString error;
    if (trimmed.startsWith(u'@')) {
        name = QStringLiteral("");
        at = 1;
    } else if (!readQuoted(trimmed, at, name, error)) {
        return error;
    }
    while (at < trimmed.size() && trimmed.at(at).isSpace())
        ++at;
    if (at >= trimmed.size() || trimmed.at(at) != u'=')
        return QStringLiteral("a value line is \"NAME\"=VALUE");
    const QString valueText = joinContinuedLines(trimmed.mid(at + 1).trimmed(), error);
    if (!error.isNull())
        return error;
    RegValue value;
    bool deletes = false;
    if (!parseValue(valueText, value, deletes, error))
        return error;
    Operation operation;
    operation.kind = deletes ? Operation::DeleteValue : Operation::SetValue;
    operation.hive = m_hive;
    operation.keyPath = m_keyPath;
    operation.valueName = name;
    operation.value = value;
    m_operations.append(operation);
    return QString();
}

QString Parser::joinContinuedLines(QString valueText, QString& error)
{
    // Only hex lists go on over several lines, each but the last ending in a backslash.
    if (!startsWithHex(valueText))
        return valueText;
    while (valueText.endsWith(u'\\')) {
        if (m_index + 1 >= m_lines.size()) {
            error = QStringLiteral("the value goes on past the end of the file");
            return QString();
        }
        valueText.chop(1);
        valueText += withoutCarriageReturn(m_lines.at(++m_index)).trimmed();
    }
    return valueText;
}

ParseResult Parser::fail(int line, const QString& why) const
{
    ParseResult result;
    result.errorLine = line;
    result.error = QStringLiteral("line %1: %2").arg(line).arg(why);
    return result;
}

}  // namespace

bool hiveFromName(const QString& name, Hive& hive)
{
    const struct {
        const char* longName;
        const char* shortName;
        Hive hive;
    } hives[] = {
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

bool isWritableName(const QString& name) { return !hasLineBreak(name) && !hasUnpairedSurrogate(name); }

ParseResult parse(const QString& text) { return Parser(text).run(); }

DecodeResult decodeRegFile(const QByteArray& bytes)
{
    DecodeResult result;
    const auto fail = [&result](int line, const QString& why) {
        result.errorLine = line;
        result.error = QStringLiteral("line %1: %2").arg(line).arg(why);
        return result;
    };
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        const bool littleEndian = bytes.startsWith("\xFF\xFE");
        const qsizetype units = (bytes.size() - 2) / 2;
        QString text(units, Qt::Uninitialized);
        for (qsizetype i = 0; i < units; ++i) {
            const char* at = bytes.constData() + 2 + i * 2;
            text[i] = QChar(littleEndian ? qFromLittleEndian<quint16>(at) : qFromBigEndian<quint16>(at));
        }
        int line = 1;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text.at(i);
            if (c == u'\n')
                ++line;
            else if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
                ++i;
            else if (c.isSurrogate())
                return fail(line, QStringLiteral("the UTF-16 text holds half of a character (U+%1 on its own)")
                                      .arg(QString::number(c.unicode(), 16).toUpper()));
        }
        if (bytes.size() % 2 != 0)
            return fail(line, QStringLiteral("the UTF-16 text ends in half a character"));
        result.ok = true;
        result.text = text;
        return result;
    }
    const qsizetype start = bytes.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    const auto byteAt = [&bytes](qsizetype i) { return static_cast<unsigned char>(bytes.at(i)); };
    int line = 1;
    for (qsizetype i = start; i < bytes.size();) {
        const unsigned char lead = byteAt(i);
        if (lead < 0x80) {
            line += lead == '\n';
            ++i;
            continue;
        }
        // The well-formed sequences of the Unicode standard (table 3-7): no overlong forms, no
        // encoded surrogates, nothing beyond U+10FFFF.
        int length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        }
        bool valid = length > 0 && i + length <= bytes.size();
        for (int k = 1; valid && k < length; ++k) {
            const unsigned char next = byteAt(i + k);
            valid = k == 1 ? next >= low && next <= high : next >= 0x80 && next <= 0xBF;
        }
        if (!valid)
            return fail(line, QStringLiteral("the text is not UTF-8 (byte 0x%1); a file in another encoding, such as "
                                             "Windows-1252, can be converted first with iconv -f WINDOWS-1252 -t UTF-8")
                                  .arg(QString::number(lead, 16).toUpper()));
        i += length;
    }
    result.ok = true;
    result.text = QString::fromUtf8(bytes.constData() + start, bytes.size() - start);
    return result;
}

bool write(const QList<Key>& keys, QString& text, QString* error)
{
    QString out = Regedit4Header + u'\n';
    for (const Key& key : keys) {
        QString keyName = RegistryStore::hiveName(key.hive);
        if (!key.path.isEmpty())
            keyName += u'\\' + key.path;
        if (!isWritableName(key.path)) {
            if (error)
                *error = QStringLiteral("the key [%1] has a name that a .reg file cannot hold "
                                        "(a line break or a broken UTF-16 character)")
                             .arg(keyName);
            return false;
        }
        out += QStringLiteral("\n[") + keyName + QStringLiteral("]\n");
        for (const auto& [name, value] : key.values) {
            if (!isWritableName(name)) {
                if (error)
                    *error = QStringLiteral("the value \"%1\" in [%2] has a name that a .reg file cannot hold "
                                            "(a line break or a broken UTF-16 character)")
                                 .arg(name, keyName);
                return false;
            }
            out += name.isEmpty() ? QStringLiteral("@") : u'"' + escape(name) + u'"';
            out += u'=' + valueText(value) + u'\n';
        }
    }
    text = out;
    return true;
}

}  // namespace RegText
}  // namespace platform
