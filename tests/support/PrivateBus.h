#pragma once

// A dbus-daemon of the test's own, on a socket in a temporary folder, with no service files:
// nothing on it is started on demand, so a test meets only the services it started itself,
// and never the user's own buses. It ends with the object, or with the test process.

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <string>

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

class PrivateBus {
public:
    // `type` is "session" or "system": only what the daemon calls itself.
    explicit PrivateBus(const char* type)
    {
        if (!m_folder.isValid())
            return;
        const QByteArray config = m_folder.filePath(QStringLiteral("bus.conf")).toLocal8Bit();
        QFile out(QString::fromLocal8Bit(config));
        if (!out.open(QIODevice::WriteOnly))
            return;
        out.write(QByteArray("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                             " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                             "<busconfig>\n  <type>")
                  + type + "</type>\n  <listen>unix:dir=" + m_folder.path().toLocal8Bit()
                  + "</listen>\n"
                    "  <policy context=\"default\">\n"
                    "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                    "    <allow eavesdrop=\"true\"/>\n"
                    "    <allow own=\"*\"/>\n"
                    "  </policy>\n"
                    "</busconfig>\n");
        out.close();
        int pipeEnds[2];
        if (::pipe(pipeEnds) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            // The daemon goes with the test, however the test ends.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            ::close(pipeEnds[0]);
            const std::string configArgument = "--config-file=" + config.toStdString();
            const std::string addressArgument = "--print-address=" + std::to_string(pipeEnds[1]);
            ::execlp("dbus-daemon", "dbus-daemon", configArgument.c_str(), "--nofork", addressArgument.c_str(),
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(pipeEnds[1]);
        // The daemon prints its address once it listens.
        char c = 0;
        while (m_pid > 0 && ::read(pipeEnds[0], &c, 1) == 1 && c != '\n')
            m_address += c;
        ::close(pipeEnds[0]);
    }
    ~PrivateBus()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    // Empty when the daemon could not be started.
    const QByteArray& address() const { return m_address; }

private:
    QTemporaryDir m_folder;
    pid_t m_pid = -1;
    QByteArray m_address;
};
