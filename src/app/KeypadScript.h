#pragma once

#include <QList>
#include <QString>

#include <optional>

// A keypad script: one step a line, as a person would press keys and look at the screen.
//   key F1 Down Enter     keys by name (see keyFromName)
//   type New Folder 2     text typed into the focused control
//   wait idle | wait 300  until nothing is busy (bounded) | milliseconds
//   dump                  the screen as text on standard output
//   shot FILE.png         a picture of the screen
//   expect screen TEXT    fails unless the screen text holds TEXT (expect no screen: unless not)
//   choose TEXT           in the open menu, the arrow keys to the item TEXT, then Enter
// A line starting with "#" is a comment, and so is the rest of a line from a blank, "#", a
// blank and more text; so `key * #` presses star and pound.
namespace KeypadScript {

struct Key {
    int key = 0;     // Qt::Key
    QString text;    // the character it types, if any
};

struct Step {
    enum Kind { Keys, Type, WaitIdle, WaitMs, Dump, Shot, ExpectScreen, ExpectNoScreen, Choose };
    Kind kind = Dump;
    int line = 0;
    QString source;       // the line as written, without its comment
    QList<Key> keys;
    QString argument;     // text to type, file name, expected text
    int milliseconds = 0;
};

using Script = QList<Step>;

// The steps of a script; on a mistake, nothing and "LINE: what" in `error`.
std::optional<Script> parse(const QString& text, QString* error);

// A key by its script name; false for an unknown name.
bool keyFromName(const QString& name, Key& out);

}  // namespace KeypadScript
