#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// A freedesktop ".desktop" file as far as opening a file with it goes: its name, its icon and
// its Exec line, which becomes a program and its arguments as the desktop makes them (the
// freedesktop rules for quoting and field codes).
class DesktopEntry {
public:
    // Reads the "[Desktop Entry]" group of a file's text. False when there is none or it has no
    // Exec line.
    [[nodiscard]] bool parse(const QByteArray& text);
    // Reads the file at a host path; false when it cannot be read or parsed.
    [[nodiscard]] bool load(const QString& hostPath);

    QString name() const { return m_name; }
    QString icon() const { return m_icon; }
    QString exec() const { return m_exec; }
    // "Terminal=true": the program runs in a terminal emulator, which the desktop opens for it.
    bool terminal() const { return m_terminal; }
    // True when this machine can start the entry: its program (the Exec line's first word, or
    // TryExec) is an executable file or found on PATH, and a terminal emulator is there when
    // the entry needs one.
    bool canStart() const;

    // The program and its arguments that open `file` (a host path): %f and %F give the path,
    // %u and %U its file URL, %i the icon option, %c the name, %k the entry's own file, %% a
    // per cent sign; deprecated codes vanish. An Exec line without a file code gets the path
    // appended, since the user asked for this file to be opened. Empty when the line cannot be
    // split (an unterminated quote).
    QStringList command(const QString& file, const QString& entryFile = QString()) const;

private:
    QString m_name;
    QString m_icon;
    QString m_exec;
    QString m_tryExec;
    bool m_terminal = false;
};
