#pragma once

#include <QByteArray>
#include <QSize>
#include <QString>
#include <QStringList>

#include <cstdio>
#include <memory>

#include <sys/types.h>

// Serves the screen to VNC viewers through TigerVNC's Xvnc: an X server of Fennick's own on a
// free display, which hands its screen to the viewers. Fennick then shows its window on that
// display through Qt's xcb platform. Qt's own vnc platform cannot do this: it listens on every
// interface and never asks for a password.
//
// Xvnc is a child of Fennick and never outlives it: it is stopped when this object goes, and
// the kernel sends it SIGTERM when Fennick ends any other way (a crash, SIGKILL). It runs in
// a process group of its own, so that Ctrl+C in a terminal reaches Fennick alone, which then
// ends as Quit does and stops the server last.
class VncServer {
public:
    struct Options {
        // The IP address to listen on; empty for the loopback interfaces only (127.0.0.1
        // and ::1), which only this machine reaches.
        QString address;
        int port = 0;
        // The password file, as vncpasswd writes it; empty for none. Viewers then connect
        // without a password, which only the loopback interfaces allow.
        QString passwordFile;
        QSize size{240, 320};
        // A folder only this user may enter, for the X authority file that keeps other users
        // of this machine off the X display.
        QString privateFolder;
    };

    // Refuses what needs no server to be refused: an address other machines reach without a
    // password, or a password file that is missing, unreadable, not what vncpasswd writes,
    // or readable by other users (it can be turned back into the password).
    [[nodiscard]] static bool check(const Options& options, QString* error);

    // Starts Xvnc and waits until it listens. Null, with a message, when it cannot: Xvnc is
    // not installed, the port is taken, the address is not this machine's, Xvnc failed.
    [[nodiscard]] static std::unique_ptr<VncServer> start(const Options& options, QString* error);

    ~VncServer();
    VncServer(const VncServer&) = delete;
    VncServer& operator=(const VncServer&) = delete;

    // What a client of the X display needs: DISPLAY and XAUTHORITY.
    QString display() const { return QStringLiteral(":%1").arg(m_displayNumber); }
    QString authorityFile() const { return m_authorityFile; }
    // Where viewers connect, for a person: "127.0.0.1:5900 (this machine only)".
    QString description() const;

    // Xvnc's log after start-up (connections and errors), read as it comes: the descriptor to
    // watch, and the call that copies the complete lines that arrived to `stream`. False once
    // Xvnc has closed its end.
    int logDescriptor() const { return m_log; }
    bool forwardLog(FILE* stream);

private:
    VncServer() = default;
    // Starts Xvnc with its display pipe and log pipe; `displayRead` is the end of the display
    // pipe to read (the caller closes it).
    bool spawn(const QString& program, const QStringList& arguments, int& displayRead, QString* error);
    // Waits until Xvnc says its display number, or gives up, or the limit passes.
    bool awaitDisplay(int displayPipe, QString* error);
    void stop();

    Options m_options;
    pid_t m_pid = -1;
    int m_displayNumber = -1;
    int m_log = -1;
    QByteArray m_pendingLog;
    QString m_authorityFile;
    int m_authorityLock = -1;
};
