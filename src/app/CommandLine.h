#pragma once

#include <QSize>
#include <QString>
#include <QStringList>

// The options of the fennick command. The program itself takes only the optional PATH; the
// options belong to the Linux platform layer (where the phone's file system and registry are,
// how the screen is shown, keypad scripts).
struct CommandLine {
    QString root = QStringLiteral("/");
    QString registryFile;          // empty: the default under $XDG_CONFIG_HOME
    QSize screenSize{240, 320};
    QString playScript;
    int vncPort = 0;
    bool exportRegistry = false;
    QString importRegistryFile;
    bool showHelp = false;
    bool showVersion = false;
    QString path;                  // the optional PATH, typically a ZIP archive

    // Parses the arguments (without the program name). On failure returns false with a
    // message for standard error.
    [[nodiscard]] bool parse(const QStringList& arguments, QString* error);

    static QString helpText();
    // $XDG_CONFIG_HOME/fennick/registry.db, or ~/.config/fennick/registry.db.
    static QString defaultRegistryFile();
};
