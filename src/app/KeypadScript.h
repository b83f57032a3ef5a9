#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// A keypad script: one step a line, as a person would press keys and look at the screen.
//   key F1 Down Enter     keys by name (see keyFromName)
//   type New Folder 2     text typed into the focused control, one key a character
//   wait idle | wait 300  until nothing is busy (bounded) | milliseconds
//   wait idle 120         the same with a bound of its own, in seconds
//   wait input            until a line arrives on standard input (a test's handshake)
//   dump                  the screen as text on standard output
//   shot FILE.png         a picture of the screen
//   expect screen TEXT    fails unless the screen text holds TEXT (expect no screen: unless not)
//   choose TEXT           in the open menu, the arrow keys to the item TEXT, then Enter
// A line starting with "#" is a comment, and so is the rest of a line from a blank, "#", a
// blank and more text; so `key * #` presses star and pound. Reading is pure text work: a
// script with a mistake is refused whole, before any of it runs.
namespace KeypadScript {

struct Key {
    int key = 0;   // Qt::Key
    QString text;  // the character it types, if any
    friend bool operator==(const Key&, const Key&) = default;
};

struct Step {
    enum Kind { Keys, Type, WaitIdle, WaitMs, WaitInput, Dump, Shot, ExpectScreen, ExpectNoScreen, Choose };
    Kind kind = Dump;
    int line = 0;      // 1-based
    QString source;    // the line as written, without its comment
    QList<Key> keys;   // Keys: the named keys; Type: one key a character of the argument
    QString argument;  // text to type, file name, expected text, menu item
    int milliseconds = 0;
};

using Script = QList<Step>;

// The steps of a script; on a mistake, nothing and "LINE: what" in `error`.
[[nodiscard]] std::optional<Script> parse(const QString& text, QString* error);

// A key by its script name; false for an unknown name.
[[nodiscard]] bool keyFromName(const QString& name, Key& out);

// The key a keyboard sends to type `character`: one character, or one surrogate pair.
Key keyTyping(QStringView character);

// The line without a trailing comment and without the blanks around it; empty for a blank
// line or a comment line.
QString withoutComment(const QString& line);

}  // namespace KeypadScript
