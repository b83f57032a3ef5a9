#pragma once

#include <QString>
#include <QStringList>

// Splits a command line into words as a POSIX shell would, without running a shell: blanks
// separate words; single quotes keep everything literally; double quotes keep blanks, with a
// backslash escaping only \ " $ and `; outside quotes a backslash keeps the next character.
// Nothing is expanded. An unterminated quote runs to the end of the text.
namespace ShellWords {

QStringList split(const QString& text);

}  // namespace ShellWords
