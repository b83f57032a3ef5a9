#include "open/DesktopEntry.h"

#include "platform/RegularFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>

namespace {

// The escapes every string value of a desktop file may hold.
QString unescapeValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar next = value.at(++i);
        switch (next.unicode()) {
        case 's': out += u' '; break;
        case 'n': out += u'\n'; break;
        case 't': out += u'\t'; break;
        case 'r': out += u'\r'; break;
        case '\\': out += u'\\'; break;
        default:
            out += c;
            out += next;
            break;  // kept for the Exec quoting below
        }
    }
    return out;
}

// The Exec line's own quoting: blanks separate arguments; a double-quoted argument keeps
// blanks, and in it a backslash escapes " ` $ and \. The second of each pair tells whether the
// argument was quoted, since field codes inside quotes are not expanded.
bool splitExec(const QString& line, QList<std::pair<QString, bool>>& out)
{
    QString word;
    bool inWord = false;
    bool quoted = false;
    bool inQuotes = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (inQuotes) {
            if (c == u'"') {
                inQuotes = false;
            } else if (c == u'\\' && i + 1 < line.size() && QStringLiteral("\"`$\\").contains(line.at(i + 1))) {
                word += line.at(++i);
            } else {
                word += c;
            }
        } else if (c == u' ' || c == u'\t') {
            if (inWord)
                out.append({word, quoted});
            word.clear();
            inWord = quoted = false;
        } else if (c == u'"') {
            inQuotes = quoted = inWord = true;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inQuotes)
        return false;
    if (inWord)
        out.append({word, quoted});
    return true;
}

}  // namespace

bool DesktopEntry::parse(const QByteArray& text)
{
    m_name.clear();
    m_icon.clear();
    m_exec.clear();
    m_tryExec.clear();
    m_terminal = false;
    bool inEntry = false;
    bool found = false;
    for (const QByteArray& rawLine : text.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            found = found || inEntry;
            continue;
        }
        if (!inEntry)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0)
            continue;
        // Localised keys ("Name[de]") are left for the plain one.
        const QString key = line.left(equals).trimmed();
        const QString value = unescapeValue(line.mid(equals + 1).trimmed());
        if (key == QLatin1String("Name") && m_name.isEmpty())
            m_name = value;
        else if (key == QLatin1String("Icon") && m_icon.isEmpty())
            m_icon = value;
        else if (key == QLatin1String("Exec") && m_exec.isEmpty())
            m_exec = value;
        else if (key == QLatin1String("TryExec"))
            m_tryExec = value;
        else if (key == QLatin1String("Terminal"))
            m_terminal = value == QLatin1String("true");
    }
    return found && !m_exec.isEmpty();
}

bool DesktopEntry::load(const QString& hostPath)
{
    // A desktop file is small; a larger one is not one. Only a regular file is read: a named
    // pipe in its place must not hold the caller.
    QByteArray bytes;
    return platform::readRegularFile(QFile::encodeName(hostPath), platform::Links::Follow, 1024 * 1024, bytes)
               == platform::FsError::None
           && parse(bytes);
}

bool DesktopEntry::canStart() const
{
    const auto found = [](const QString& program) {
        if (program.isEmpty())
            return false;
        if (program.contains(u'/')) {
            const QFileInfo info(program);
            return info.isFile() && info.isExecutable();
        }
        return !QStandardPaths::findExecutable(program).isEmpty();
    };
    QList<std::pair<QString, bool>> words;
    if (!splitExec(m_exec, words) || words.isEmpty() || !found(words.first().first))
        return false;
    if (!m_tryExec.isEmpty() && !found(m_tryExec))
        return false;
    if (!m_terminal)
        return true;
    // The desktop's opener runs such a program in $TERMINAL, else in x-terminal-emulator.
    const QString terminal = qEnvironmentVariable("TERMINAL").trimmed().section(u' ', 0, 0);
    return found(terminal.isEmpty() ? QStringLiteral("x-terminal-emulator") : terminal);
}

QStringList DesktopEntry::command(const QString& file, const QString& entryFile) const
{
    QList<std::pair<QString, bool>> words;
    if (!splitExec(m_exec, words) || words.isEmpty())
        return {};
    const QString url = QUrl::fromLocalFile(file).toString(QUrl::FullyEncoded);
    QStringList out;
    bool filePlaced = false;
    for (const auto& [word, quoted] : words) {
        if (quoted) {
            out << word;
            continue;
        }
        // Codes that stand for a list or an option are whole arguments of their own.
        if (word == QLatin1String("%F") || word == QLatin1String("%U")) {
            out << (word == QLatin1String("%F") ? file : url);
            filePlaced = true;
            continue;
        }
        if (word == QLatin1String("%i")) {
            if (!m_icon.isEmpty())
                out << QStringLiteral("--icon") << m_icon;
            continue;
        }
        QString expanded;
        for (qsizetype i = 0; i < word.size(); ++i) {
            if (word.at(i) != u'%' || i + 1 == word.size()) {
                expanded += word.at(i);
                continue;
            }
            switch (word.at(++i).unicode()) {
            case 'f':
                expanded += file;
                filePlaced = true;
                break;
            case 'u':
                expanded += url;
                filePlaced = true;
                break;
            case 'c': expanded += m_name; break;
            case 'k': expanded += entryFile; break;
            case '%': expanded += u'%'; break;
            default: break;  // deprecated or unknown codes vanish
            }
        }
        if (!expanded.isEmpty() || !word.contains(u'%'))
            out << expanded;
    }
    if (out.isEmpty())
        return {};
    if (!filePlaced)
        out << file;
    return out;
}
