#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QWidget;
namespace platform {
class FileSystem;
}

// The one way the program opens a file or runs a command, as the shell's "open" does, with the
// shell's error codes for what went wrong:
// - a file type with an association of ours (HKEY_CLASSES_ROOT ".ext" -> class ->
//   "Shell\Open\Command") runs that command, split into words as a shell would but without a
//   shell, "%1" standing for the file's host path (appended when the command has none);
// - a shortcut (".lnk") opens its target;
// - a file the user may execute runs;
// - anything else goes to the desktop's default application, through the desktop opener
//   (`xdg-open`, or the program named by the environment variable FENNICK_OPENER), when the
//   freedesktop MIME database names an application for its type; otherwise code 31.
// Started programs run on their own; they are not waited for.
class Launcher {
public:
    static constexpr int Started = -1;
    enum Code {
        Unknown = 0,
        FileNotFound = 2,
        PathNotFound = 3,
        AccessDenied = 5,
        NoAssociation = 31,
        // Not a shell code: a named pipe, a device or a socket, which is never opened.
        NotRegularFile = 1920,
    };

    explicit Launcher(platform::FileSystem& fileSystem) : m_fileSystem(fileSystem) {}

    // Opens `file`: a phone path ("\Docs\a.txt"), a host path ("/usr/bin/tool"), or a program
    // name found on PATH ("gedit"). `parameters` are shell words added after the file's own.
    // Started, or the shell's code for the failure. Widget-free.
    int start(const QString& file, const QString& parameters) const;

    // Opens `file` (a phone or host path) with `program`: a program file (phone path, host path
    // or a name on PATH) given the file's host path as its one argument, or a ".desktop" file
    // started as the desktop starts it. Started, or the shell's code. Widget-free.
    int startWith(const QString& program, const QString& file) const;
    void launchWith(QWidget* owner, const QString& program, const QString& file) const;

    // Opens `file` and tells the user in a message box over `owner` when it fails.
    void launchItem(QWidget* owner, const QString& file, const QString& parameters) const;

    // The text the shell gives for a code ("File not found"; "Unknown error" for any it does
    // not know).
    static QString codeText(int code);

private:
    int open(const QByteArray& host, const QStringList& arguments, int depth) const;
    // Runs a program given by a phone path, host path or name; a ".desktop" file is started
    // with its Exec line and `file` (a host path; empty for none).
    int runProgram(const QString& program, const QStringList& arguments, const QString& file) const;

    platform::FileSystem& m_fileSystem;
};
