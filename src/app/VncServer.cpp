#include "app/VncServer.h"

#include "app/CommandLine.h"
#include "app/IpAddress.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QStringList>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Xvnc is listening about 50 ms after it was started on a small machine; one that takes
// longer than this is given up on. The same for the way out, before it is killed.
constexpr int StartLimitMs = 10000;
constexpr int StopLimitMs = 3000;

QString systemError(int code) { return QString::fromLocal8Bit(std::strerror(code)); }

IpAddress addressOf(const QString& text)
{
    IpAddress address;
    (void)address.parse(text);  // a null address when it is none
    return address;
}

bool servesThisMachineOnly(const VncServer::Options& options)
{
    return options.address.isEmpty() || addressOf(options.address).isLoopback();
}

QString hostAndPort(const QString& address, int port)
{
    return addressOf(address).isIpv6() ? QStringLiteral("[%1]:%2").arg(address).arg(port)
                                       : QStringLiteral("%1:%2").arg(address).arg(port);
}

// Binds the port as Xvnc will (SO_REUSEADDR, so that connections still closing do not count;
// an IPv6 socket for IPv6 only) and lets it go at once, so that a taken port or an address of
// another machine is told in plain words, not in Xvnc's log. `optional`: an address family
// this machine lacks is no failure, as Xvnc skips it too.
bool checkPort(const QString& address, int port, bool optional, QString* error)
{
    sockaddr_storage storage{};
    const socklen_t length = addressOf(address).toSocketAddress(static_cast<quint16>(port), storage);
    const int probe = ::socket(storage.ss_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int code = errno;
    if (probe >= 0) {
        const int on = 1;
        ::setsockopt(probe, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (storage.ss_family == AF_INET6)
            ::setsockopt(probe, IPPROTO_IPV6, IPV6_V6ONLY, &on, sizeof on);
        const int bound = ::bind(probe, reinterpret_cast<const sockaddr*>(&storage), length);
        code = errno;
        ::close(probe);
        if (bound == 0)
            return true;
    }
    if (optional && (code == EADDRNOTAVAIL || code == EAFNOSUPPORT))
        return true;
    if (code == EADDRINUSE)
        *error =
            QStringLiteral("port %1 is already in use on %2; choose another one with --vnc").arg(port).arg(address);
    else
        *error = QStringLiteral("cannot serve the screen on %1: %2").arg(hostAndPort(address, port), systemError(code));
    return false;
}

constexpr char AuthorityPrefix[] = "Xauthority-";

// Removes the X authority files that no running Fennick holds (a crash or SIGKILL left them):
// a file's owner keeps a lock on it while its server runs.
void removeAbandonedAuthorityFiles(const QString& folder)
{
    const QStringList names = QDir(folder).entryList({QLatin1String(AuthorityPrefix) + u'*'},
                                                     QDir::Files | QDir::Hidden);
    for (const QString& name : names) {
        const QByteArray path = QFile::encodeName(folder + u'/' + name);
        const int descriptor = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (descriptor < 0)
            continue;
        if (::flock(descriptor, LOCK_EX | LOCK_NB) == 0)
            ::unlink(path.constData());
        ::close(descriptor);
    }
}

// An X authority file with one random cookie for any display. Xvnc admits only clients that
// show it, and without one every user of this machine could connect to the display (its
// socket is open to all) and read the screen or type into Fennick. Returns the descriptor that
// holds the file's lock, or -1. The file is made under another name and gets its own only once
// locked, so that no other start takes it for abandoned.
int writeAuthorityFile(const QString& folder, QString& file, QString* error)
{
    removeAbandonedAuthorityFiles(folder);
    QByteArray name = QFile::encodeName(folder + QStringLiteral("/.") + QLatin1String(AuthorityPrefix)
                                        + QStringLiteral("XXXXXX"));
    const int descriptor = ::mkostemp(name.data(), O_CLOEXEC);  // mode 0600
    if (descriptor < 0) {
        *error = QStringLiteral("cannot make an X authority file in %1: %2").arg(folder, systemError(errno));
        return -1;
    }
    std::array<quint32, 4> cookie{};
    QRandomGenerator::system()->fillRange(cookie.data(), cookie.size());
    QByteArray entry;
    const auto field = [&entry](const QByteArray& bytes) {
        entry.append(static_cast<char>(bytes.size() >> 8)).append(static_cast<char>(bytes.size() & 0xff)).append(bytes);
    };
    entry.append("\xff\xff", 2);  // FamilyWild: any address and, with no number, any display
    field(QByteArray());
    field(QByteArray());
    field(QByteArrayLiteral("MIT-MAGIC-COOKIE-1"));
    field(QByteArray(reinterpret_cast<const char*>(cookie.data()), sizeof cookie));
    const QByteArray finalName = QFile::encodeName(folder + u'/' + QLatin1String(AuthorityPrefix)) + name.right(6);
    const bool made = ::flock(descriptor, LOCK_EX | LOCK_NB) == 0
                      && ::write(descriptor, entry.constData(), static_cast<size_t>(entry.size())) == entry.size()
                      && ::rename(name.constData(), finalName.constData()) == 0;
    if (!made) {
        *error = QStringLiteral("cannot write an X authority file in %1: %2").arg(folder, systemError(errno));
        ::unlink(name.constData());
        ::close(descriptor);
        return -1;
    }
    file = QFile::decodeName(finalName);
    return descriptor;
}

// The child between fork and exec: only calls that are safe after fork in a process that may
// have threads. Xvnc gets /dev/null as input, the log pipe as output, the display pipe as
// descriptor 3 (-displayfd 3) and nothing else of ours.
[[noreturn]] void execXvnc(const char* program, char* const argv[], pid_t parent, int devNull, int logWrite,
                           int displayWrite)
{
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    // Fennick may have ended before the line above; then nobody would stop the server.
    if (::getppid() != parent)
        ::_exit(127);
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    // Copied above 3 first: dup2 onto the descriptor's own number would keep close-on-exec.
    const int in = ::fcntl(devNull, F_DUPFD, 10);
    const int out = ::fcntl(logWrite, F_DUPFD, 10);
    const int display = ::fcntl(displayWrite, F_DUPFD, 10);
    if (in < 0 || out < 0 || display < 0 || ::dup2(in, 0) < 0 || ::dup2(out, 1) < 0 || ::dup2(out, 2) < 0
        || ::dup2(display, 3) < 0)
        ::_exit(127);
    ::close_range(4, ~0U, 0);
    ::execv(program, argv);
    ::_exit(127);
}

// What Xvnc said when it gave up: its error lines ("(EE) ..."), or its last line.
QString startFailure(const QByteArray& log)
{
    QStringList errors;
    QString last;
    for (const QByteArray& raw : log.split('\n')) {
        const QString line = QString::fromLocal8Bit(raw).trimmed();
        if (line.isEmpty())
            continue;
        last = line;
        if (line.startsWith(QLatin1String("(EE)"))) {
            const QString text = line.mid(4).trimmed();
            if (!text.isEmpty())
                errors << text;
        }
    }
    return errors.isEmpty() ? last : errors.join(QStringLiteral("; "));
}

bool waitForExit(pid_t pid, int limitMs)
{
    // Through syscall(): Debian 12's <sys/pidfd.h> declares pidfd_open() without C linkage.
    const int handle = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (handle < 0)
        return false;
    pollfd exited{handle, POLLIN, 0};
    const QDeadlineTimer deadline(limitMs);
    int ready = 0;
    do
        ready = ::poll(&exited, 1, static_cast<int>(deadline.remainingTime()));
    while (ready < 0 && errno == EINTR);
    ::close(handle);
    return ready > 0;
}

}  // namespace

bool VncServer::check(const Options& options, QString* error)
{
    if (options.passwordFile.isEmpty()) {
        if (servesThisMachineOnly(options))
            return true;
        *error = QStringLiteral(
                     "a VNC server on %1 lets other machines drive Fennick, so it needs a password.\n"
                     "  Make one with: vncpasswd %2\n"
                     "  (or give another file made by vncpasswd with --vnc-passwd FILE), or serve the screen on this\n"
                     "  machine only with --vnc %3 and view it from elsewhere through an SSH tunnel.")
                     .arg(options.address, CommandLine::defaultVncPasswordFile())
                     .arg(options.port);
        return false;
    }
    const QString& file = options.passwordFile;
    // Opened without blocking, so that a pipe in its place cannot hold the start up.
    const int descriptor = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0) {
        const int code = errno;
        *error = QStringLiteral("the VNC password file %1 cannot be read: %2").arg(file, systemError(code));
        if (code == ENOENT)
            *error += QStringLiteral("; make one with: vncpasswd %1").arg(file);
        return false;
    }
    struct stat status {};
    const bool known = ::fstat(descriptor, &status) == 0;
    ::close(descriptor);
    if (!known || !S_ISREG(status.st_mode)) {
        *error = QStringLiteral("the VNC password file %1 is not a file").arg(file);
        return false;
    }
    // The file holds the password in a reversible form: others reading it know the password.
    if (status.st_uid != ::geteuid()) {
        *error = QStringLiteral("the VNC password file %1 belongs to another user").arg(file);
        return false;
    }
    if ((status.st_mode & 077) != 0) {
        *error = QStringLiteral("the VNC password file %1 is open to other users; make it yours alone: chmod 600 %1")
                     .arg(file);
        return false;
    }
    // vncpasswd writes 8 bytes, and 8 more for a view-only password.
    if (status.st_size != 8 && status.st_size != 16) {
        *error = QStringLiteral("%1 is not a VNC password file; make one with: vncpasswd %1").arg(file);
        return false;
    }
    return true;
}

namespace {

QString findXvnc()
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("Xvnc"));
    return program.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("Xtigervnc")) : program;
}

QStringList xvncArguments(const VncServer::Options& options, const QString& authorityFile)
{
    QStringList arguments{
        QStringLiteral("-displayfd"), QStringLiteral("3"),
        QStringLiteral("-auth"),      authorityFile,
        QStringLiteral("-nolisten"),  QStringLiteral("tcp"),
        QStringLiteral("-geometry"),  QStringLiteral("%1x%2").arg(options.size.width()).arg(options.size.height()),
        QStringLiteral("-depth"),     QStringLiteral("24"),
        QStringLiteral("-desktop"),   QStringLiteral("Fennick"),
        QStringLiteral("-rfbport"),   QString::number(options.port)};
    if (options.address.isEmpty())
        arguments << QStringLiteral("-localhost");
    else
        arguments << QStringLiteral("-interface") << options.address;
    if (options.passwordFile.isEmpty())
        arguments << QStringLiteral("-SecurityTypes") << QStringLiteral("None");
    else
        arguments << QStringLiteral("-SecurityTypes") << QStringLiteral("VncAuth") << QStringLiteral("-rfbauth")
                  << QFileInfo(options.passwordFile).absoluteFilePath();
    // The screen is the phone's: a viewer may not resize it. The log keeps connections and
    // errors, which are forwarded to our standard error.
    arguments << QStringLiteral("-AcceptSetDesktopSize=0") << QStringLiteral("-Log")
              << QStringLiteral("*:stderr:0,Connections:stderr:30");
    return arguments;
}

}  // namespace

std::unique_ptr<VncServer> VncServer::start(const Options& options, QString* error)
{
    if (!check(options, error))
        return nullptr;
    const QString program = findXvnc();
    if (program.isEmpty()) {
        *error = QStringLiteral("--vnc needs TigerVNC's Xvnc, which is not installed (Debian package "
                                "tigervnc-standalone-server; scripts/bootstrap installs it)");
        return nullptr;
    }
    if (options.address.isEmpty()) {
        if (!checkPort(QStringLiteral("127.0.0.1"), options.port, false, error)
            || !checkPort(QStringLiteral("::1"), options.port, true, error))
            return nullptr;
    } else if (!checkPort(options.address, options.port, false, error)) {
        return nullptr;
    }

    std::unique_ptr<VncServer> server(new VncServer);
    server->m_options = options;
    server->m_authorityLock = writeAuthorityFile(options.privateFolder, server->m_authorityFile, error);
    if (server->m_authorityLock < 0)
        return nullptr;
    int displayPipe = -1;
    if (!server->spawn(program, xvncArguments(options, server->m_authorityFile), displayPipe, error))
        return nullptr;
    const bool ready = server->awaitDisplay(displayPipe, error);
    ::close(displayPipe);
    if (!ready)
        return nullptr;
    return server;
}

bool VncServer::spawn(const QString& program, const QStringList& arguments, int& displayRead, QString* error)
{
    // Everything the child needs is made before fork.
    std::vector<QByteArray> strings{QFile::encodeName(program)};
    for (const QString& argument : arguments)
        strings.push_back(QFile::encodeName(argument));
    std::vector<char*> argv;
    for (QByteArray& string : strings)
        argv.push_back(string.data());
    argv.push_back(nullptr);

    int displayPipe[2] = {-1, -1};
    int logPipe[2] = {-1, -1};
    const int devNull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (devNull < 0 || ::pipe2(displayPipe, O_CLOEXEC) != 0 || ::pipe2(logPipe, O_CLOEXEC) != 0) {
        *error = QStringLiteral("cannot start Xvnc: %1").arg(systemError(errno));
        for (const int descriptor : {devNull, displayPipe[0], displayPipe[1], logPipe[0], logPipe[1]})
            if (descriptor >= 0)
                ::close(descriptor);
        return false;
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0)
        execXvnc(argv[0], argv.data(), parent, devNull, logPipe[1], displayPipe[1]);
    const int forkError = errno;
    for (const int descriptor : {devNull, displayPipe[1], logPipe[1]})
        ::close(descriptor);
    m_log = logPipe[0];
    if (pid < 0) {
        ::close(displayPipe[0]);
        *error = QStringLiteral("cannot start Xvnc: %1").arg(systemError(forkError));
        return false;
    }
    m_pid = pid;
    displayRead = displayPipe[0];
    return true;
}

bool VncServer::awaitDisplay(int displayPipe, QString* error)
{
    // Xvnc writes its display number to the display pipe once it listens, and closes both
    // pipes when it gives up. Its start-up talk is read meanwhile, so that it never waits on
    // a full pipe, and kept for a failure's message.
    QByteArray number;
    QByteArray startLog;
    bool logOpen = true;
    bool ended = false;
    const QDeadlineTimer deadline(StartLimitMs);
    while (!ended && !number.contains('\n')) {
        pollfd watched[2] = {{displayPipe, POLLIN, 0}, {logOpen ? m_log : -1, POLLIN, 0}};
        const int ready = ::poll(watched, 2, static_cast<int>(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char buffer[4096];
        if (watched[1].revents != 0) {
            const ssize_t got = ::read(m_log, buffer, sizeof buffer);
            if (got > 0)
                startLog.append(buffer, got);
            else if (got == 0 || errno != EINTR)
                logOpen = false;
        }
        if (watched[0].revents != 0) {
            const ssize_t got = ::read(displayPipe, buffer, sizeof buffer);
            if (got > 0)
                number.append(buffer, got);
            else if (got == 0 || errno != EINTR)
                ended = true;
        }
    }
    bool isNumber = false;
    m_displayNumber = number.trimmed().toInt(&isNumber);
    if (!isNumber || m_displayNumber < 0) {
        if (!ended) {
            *error = QStringLiteral("the VNC server Xvnc did not start within %1 seconds").arg(StartLimitMs / 1000);
            return false;
        }
        // It has closed its end: what it said is all there, up to the end of the pipe.
        char buffer[4096];
        ssize_t got = 0;
        while ((got = ::read(m_log, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR))
            if (got > 0)
                startLog.append(buffer, got);
        *error = QStringLiteral("the VNC server Xvnc stopped before it was ready: %1").arg(startFailure(startLog));
        return false;
    }
    // From here on the log is read as it comes, from the event loop; the start-up talk
    // before the display number was written is dropped.
    ::fcntl(m_log, F_SETFL, ::fcntl(m_log, F_GETFL) | O_NONBLOCK);
    char buffer[4096];
    while (::read(m_log, buffer, sizeof buffer) > 0) {}
    return true;
}

VncServer::~VncServer() { stop(); }

void VncServer::stop()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        if (!waitForExit(m_pid, StopLimitMs))
            ::kill(m_pid, SIGKILL);
        while (::waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {}
        m_pid = -1;
    }
    if (m_log >= 0)
        ::close(m_log);
    m_log = -1;
    if (!m_authorityFile.isEmpty())
        QFile::remove(m_authorityFile);
    if (m_authorityLock >= 0)
        ::close(m_authorityLock);
    m_authorityLock = -1;
}

QString VncServer::description() const
{
    if (m_options.address.isEmpty())
        return QStringLiteral("127.0.0.1:%1 (this machine only)").arg(m_options.port);
    return hostAndPort(m_options.address, m_options.port);
}

bool VncServer::forwardLog(FILE* stream)
{
    char buffer[4096];
    ssize_t got = 0;
    while ((got = ::read(m_log, buffer, sizeof buffer)) > 0 || (got < 0 && errno == EINTR))
        if (got > 0)
            m_pendingLog.append(buffer, got);
    for (qsizetype end = m_pendingLog.indexOf('\n'); end >= 0; end = m_pendingLog.indexOf('\n')) {
        const QByteArray line = m_pendingLog.left(end).trimmed();
        m_pendingLog.remove(0, end + 1);
        // "[mi]" lines are the X server's notes on setting up its input, which may come after
        // the display number; they say nothing to a person.
        if (!line.isEmpty() && !line.startsWith("[mi]"))
            std::fprintf(stream, "fennick: Xvnc: %s\n", line.constData());
    }
    std::fflush(stream);
    return got != 0;
}
