#include "app/KeypadScript.h"

#include <QRegularExpression>

namespace KeypadScript {

QString withoutComment(const QString& line)
{
    if (line.trimmed().startsWith(u'#'))
        return QString();
    // A "#" with blanks on both sides and text after it starts a comment; a "#" at the end of
    // the line, or one glued to other text, is not one, so that `key * #` presses pound.
    static const QRegularExpression comment(QStringLiteral("\\s#\\s+\\S.*$"));
    QString kept = line;
    kept.remove(comment);
    return kept.trimmed();
}

bool keyFromName(const QString& name, Key& out)
{
    static const struct {
        const char* name;
        int key;
        const char* text;
    } named[] = {
        {"F1", Qt::Key_F1, ""},
        {"F2", Qt::Key_F2, ""},
        {"Enter", Qt::Key_Return, "\r"},
        {"Escape", Qt::Key_Escape, ""},
        {"Back", Qt::Key_Escape, ""},
        {"Up", Qt::Key_Up, ""},
        {"Down", Qt::Key_Down, ""},
        {"Left", Qt::Key_Left, ""},
        {"Right", Qt::Key_Right, ""},
        {"PageUp", Qt::Key_PageUp, ""},
        {"PageDown", Qt::Key_PageDown, ""},
        {"Backspace", Qt::Key_Backspace, ""},
        {"Tab", Qt::Key_Tab, "\t"},
        {"Home", Qt::Key_Home, ""},
        {"End", Qt::Key_End, ""},
        {"Delete", Qt::Key_Delete, ""},
        {"*", Qt::Key_Asterisk, "*"},
        {"#", Qt::Key_NumberSign, "#"},
        {"F8", Qt::Key_F8, ""},
        {"F9", Qt::Key_F9, ""},
        {"Space", Qt::Key_Space, " "},
    };
    for (const auto& row : named)
        if (name == QLatin1String(row.name)) {
            out = {row.key, QString::fromLatin1(row.text)};
            return true;
        }
    if (name.size() == 1 && name.at(0).isLetterOrNumber() && name.at(0).unicode() < 128) {
        const QChar c = name.at(0);
        out = {c.isDigit() ? Qt::Key_0 + c.digitValue() : Qt::Key_A + (c.toUpper().unicode() - u'A'), QString(c)};
        return true;
    }
    return false;
}

Key keyTyping(QStringView character)
{
    if (character == u"\t")
        return {Qt::Key_Tab, QStringLiteral("\t")};
    const char32_t codePoint = character.toUcs4().value(0);
    if (codePoint < 0x20 || codePoint == 0x7f)
        return {Qt::Key_unknown, character.toString()};
    // As a keyboard does: the key of a printable character is its upper-case code, which is
    // how Qt numbers the keys (Qt::Key_A is 'A', Qt::Key_Space is ' ').
    return {static_cast<int>(QChar::toUpper(codePoint)), character.toString()};
}

namespace {

// One key a character; a surrogate pair is one character.
QList<Key> keysTyping(const QString& text)
{
    QList<Key> keys;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()
                                     ? 2
                                     : 1;
        keys.append(keyTyping(QStringView(text).mid(i, length)));
        i += length - 1;
    }
    return keys;
}

}  // namespace

std::optional<Script> parse(const QString& text, QString* error)
{
    Script script;
    QStringList lines = text.split(u'\n');
    // An editor's byte-order mark is not part of the first command.
    if (!lines.isEmpty() && lines.first().startsWith(QChar(0xFEFF)))
        lines.first().remove(0, 1);
    const auto fail = [&](int line, const QString& why) {
        *error = QStringLiteral("%1: %2").arg(line).arg(why);
        return std::nullopt;
    };
    for (qsizetype index = 0; index < lines.size(); ++index) {
        const int lineNumber = static_cast<int>(index + 1);
        const QString line = withoutComment(lines.at(index));
        if (line.isEmpty())
            continue;
        const qsizetype blank = line.indexOf(u' ');
        const QString command = blank < 0 ? line : line.left(blank);
        const QString rest = blank < 0 ? QString() : line.mid(blank + 1).trimmed();
        Step step;
        step.line = lineNumber;
        step.source = line;
        if (command == u"key") {
            step.kind = Step::Keys;
            for (const QString& name : rest.split(u' ', Qt::SkipEmptyParts)) {
                Key key;
                if (!keyFromName(name, key))
                    return fail(lineNumber, QStringLiteral("unknown key '%1'").arg(name));
                step.keys.append(key);
            }
            if (step.keys.isEmpty())
                return fail(lineNumber, QStringLiteral("key needs at least one key name"));
        } else if (command == u"type") {
            step.kind = Step::Type;
            // The text after "type " as it stands, inner and leading blanks included.
            step.argument = line.mid(5);
            if (step.argument.isEmpty())
                return fail(lineNumber, QStringLiteral("type needs text"));
            step.keys = keysTyping(step.argument);
        } else if (command == u"wait") {
            bool ok = false;
            const QStringList words = rest.split(u' ', Qt::SkipEmptyParts);
            int seconds = 0;
            if (rest == u"idle") {
                step.kind = Step::WaitIdle;
            } else if (words.size() == 2 && words[0] == u"idle" && (seconds = words[1].toInt(&ok), ok) && seconds > 0
                       && seconds <= 3600) {
                // A longer bound, for scripts that time long work (benchmarks).
                step.kind = Step::WaitIdle;
                step.milliseconds = seconds * 1000;
            } else if (rest == u"input") {
                step.kind = Step::WaitInput;
            } else if (const int ms = rest.toInt(&ok); ok && ms >= 0 && ms <= 60000) {
                step.kind = Step::WaitMs;
                step.milliseconds = ms;
            } else {
                return fail(lineNumber,
                            QStringLiteral("wait takes 'idle', 'idle SECONDS', 'input' or milliseconds up to 60000"));
            }
        } else if (command == u"choose" && !rest.isEmpty()) {
            step.kind = Step::Choose;
            step.argument = rest;
        } else if (command == u"dump" && rest.isEmpty()) {
            step.kind = Step::Dump;
        } else if (command == u"shot" && !rest.isEmpty()) {
            step.kind = Step::Shot;
            step.argument = rest;
        } else if (command == u"expect" && rest.startsWith(QLatin1String("screen "))) {
            step.kind = Step::ExpectScreen;
            step.argument = rest.mid(7);
        } else if (command == u"expect" && rest.startsWith(QLatin1String("no screen "))) {
            step.kind = Step::ExpectNoScreen;
            step.argument = rest.mid(10);
        } else {
            return fail(lineNumber, QStringLiteral("cannot read '%1'").arg(line));
        }
        script.append(step);
    }
    return script;
}

}  // namespace KeypadScript
