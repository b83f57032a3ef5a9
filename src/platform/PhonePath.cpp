#include "platform/PhonePath.h"

#include <QList>

namespace platform {

namespace PhonePath {

Split splitLast(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(u'\\');
    if (slash < 0)
        return {QString(), path};
    return {path.left(slash), path.mid(slash + 1)};
}

QString join(const QString& folder, const QString& name)
{
    if (folder.isEmpty())
        return u'\\' + name;
    if (folder.endsWith(u'\\'))
        return folder + name;
    return folder + u'\\' + name;
}

bool equals(const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

bool same(const QString& a, const QString& b) { return a == b; }

bool within(const QString& path, const QString& folder)
{
    const QString prefix = folder.endsWith(u'\\') ? folder : folder + u'\\';
    return path.size() > prefix.size() && path.startsWith(prefix, Qt::CaseSensitive);
}

bool liesInside(const QString& path, const QString& folder)
{
    // "\" alone is the root, inside which every other path lies.
    const QString prefix = folder.endsWith(u'\\') ? folder : folder + u'\\';
    return path.size() > prefix.size() && path.startsWith(prefix, Qt::CaseInsensitive);
}

}  // namespace PhonePath

namespace {

constexpr char16_t EscapeBase = 0xF700;
constexpr char16_t EscapeLast = 0xF7FF;

bool isEscape(char16_t c) { return c >= EscapeBase && c <= EscapeLast; }

// Length of the valid UTF-8 sequence at `i`, or 0 when the bytes there are not one.
int utf8SequenceLength(const QByteArray& bytes, qsizetype i)
{
    const auto byte = [&](qsizetype k) { return static_cast<unsigned char>(bytes.at(k)); };
    const unsigned char lead = byte(i);
    if (lead < 0x80)
        return 1;
    int length = 0;
    char32_t code = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2;
        code = lead & 0x1F;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3;
        code = lead & 0x0F;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4;
        code = lead & 0x07;
    } else
        return 0;
    if (i + length > bytes.size())
        return 0;
    for (int k = 1; k < length; ++k) {
        const unsigned char next = byte(i + k);
        if ((next & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (next & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are not valid UTF-8.
    static constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

}  // namespace

PathMapper::PathMapper(QByteArray hostRoot) : m_root(std::move(hostRoot))
{
    while (m_root.size() > 1 && m_root.endsWith('/'))
        m_root.chop(1);
    if (m_root.isEmpty())
        m_root = "/";
}

QString PathMapper::nameFromHost(const QByteArray& hostName)
{
    // Most names are plain ASCII without a backslash: they map one to one.
    bool plain = true;
    for (const char byte : hostName)
        if (static_cast<unsigned char>(byte) >= 0x80 || byte == '\\') {
            plain = false;
            break;
        }
    if (plain)
        return QString::fromLatin1(hostName);
    QString name;
    name.reserve(hostName.size());
    for (qsizetype i = 0; i < hostName.size();) {
        const int length = utf8SequenceLength(hostName, i);
        if (length == 1 && hostName.at(i) != '\\') {
            name.append(QLatin1Char(hostName.at(i)));
            ++i;
            continue;
        }
        if (length > 1) {
            const QString decoded = QString::fromUtf8(hostName.constData() + i, length);
            // A private-use character of our escape range is escaped too, byte by byte, so
            // that no phone name stands for two host names.
            if (!(decoded.size() == 1 && isEscape(decoded.at(0).unicode()))) {
                name.append(decoded);
                i += length;
                continue;
            }
            for (int k = 0; k < length; ++k)
                name.append(QChar(EscapeBase + static_cast<unsigned char>(hostName.at(i + k))));
            i += length;
            continue;
        }
        name.append(QChar(EscapeBase + static_cast<unsigned char>(hostName.at(i))));
        ++i;
    }
    return name;
}

QByteArray PathMapper::nameToHost(const QString& phoneName)
{
    QByteArray host;
    host.reserve(phoneName.size());
    bool plain = true;
    QString run;
    const auto flush = [&] {
        host.append(run.toUtf8());
        run.clear();
    };
    for (const QChar c : phoneName) {
        if (c.unicode() >= 0x80 || c == u'\\')
            plain = false;
        if (isEscape(c.unicode())) {
            flush();
            host.append(static_cast<char>(c.unicode() - EscapeBase));
        } else {
            run.append(c);
        }
    }
    flush();
    if (host.contains('/') || host.contains('\0'))
        return QByteArray();
    // A name that is not what its host name maps to (an escaped byte that needed no escape,
    // a "\", an unpaired surrogate that UTF-8 cannot carry) would let two phone names stand
    // for one host name, or lose a character on the way: it has no host form.
    if (!plain && nameFromHost(host) != phoneName)
        return QByteArray();
    return host;
}

QByteArray PathMapper::toHost(const QString& phonePath) const
{
    QByteArray host = m_root;
    if (phonePath.isEmpty() || phonePath == u"\\")
        return host;
    QStringView rest(phonePath);
    if (rest.startsWith(u'\\'))
        rest = rest.mid(1);
    if (rest.endsWith(u'\\'))
        rest.chop(1);
    for (QStringView component : rest.split(u'\\')) {
        if (component.isEmpty() || component == u"." || component == u"..")
            return QByteArray();
        const QByteArray name = nameToHost(component.toString());
        if (name.isEmpty() || name == "." || name == "..")
            return QByteArray();
        if (!host.endsWith('/'))
            host.append('/');
        host.append(name);
    }
    return host;
}

QString PathMapper::fromHost(const QByteArray& hostPath) const
{
    if (hostPath == m_root)
        return QStringLiteral("\\");
    const QByteArray prefix = m_root.endsWith('/') ? m_root : m_root + '/';
    if (!hostPath.startsWith(prefix))
        return QString();
    QString phone;
    for (const QByteArray& name : hostPath.mid(prefix.size()).split('/')) {
        if (name == "." || name == "..")
            return QString();
        if (!name.isEmpty())
            phone += u'\\' + nameFromHost(name);
    }
    return phone.isEmpty() ? QStringLiteral("\\") : phone;
}

}  // namespace platform
