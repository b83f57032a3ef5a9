#pragma once

#include <QByteArray>
#include <QList>
#include <QSize>
#include <QString>

// The options of the fennick command. The program itself takes only the optional PATH; the
// options belong to the Linux platform layer (where the phone's file system and registry are,
// how the screen is shown, keypad scripts).
struct CommandLine {
    QByteArray root = "/";  // host bytes; absolute and real after resolveRoot()
    QString registryFile;   // empty: the default under $XDG_CONFIG_HOME
    QSize screenSize{240, 320};
    QString playScript;
    // --vnc: the port (0: no VNC server), and the address to serve on as an IP address in
    // its usual form, empty for this machine's loopback interfaces only.
    int vncPort = 0;
    QString vncAddress;
    // --vnc-passwd: the VNC password file; empty for the default one, used when it exists.
    QString vncPasswordFile;
    bool exportRegistry = false;
    QString importRegistryFile;
    bool showHelp = false;
    bool showVersion = false;
    // The optional PATH, typically a ZIP archive, as the text that is handed over: bytes that
    // are not UTF-8 are kept as private-use characters (HandOff::pathFromHost).
    QString path;

    // Parses the arguments as the bytes the program was given (without the program name). On
    // failure returns false with a message for standard error.
    [[nodiscard]] bool parse(const QList<QByteArray>& arguments, QString* error);

    // Makes the root absolute and real (links and "." resolved), so that it is compared with
    // the mount table as the kernel names folders. False, with a message, for a root that is
    // empty, missing or not a folder: the tree would show nothing, or another folder.
    [[nodiscard]] bool resolveRoot(QString* error);

    static QString helpText();
    // $XDG_CONFIG_HOME/fennick/registry.db, or ~/.config/fennick/registry.db.
    static QString defaultRegistryFile();
    // $XDG_CONFIG_HOME/fennick/vncpasswd, or ~/.config/fennick/vncpasswd.
    static QString defaultVncPasswordFile();
};
