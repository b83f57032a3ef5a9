#include "app/SingleInstance.h"

#include "app/HandOff.h"

#include <QDir>
#include <QPointer>
#include <QSocketNotifier>
#include <QThread>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

const QString SingleInstance::Identifier = QStringLiteral("Rm5uY2tLZXlwYWRGaWxlcyE=");

namespace {

QString lockName()
{
    return SingleInstance::runtimeFolder() + u'/' + SingleInstance::Identifier + QStringLiteral(".lock");
}

constexpr int ConnectTimeoutMs = 1000;

// A socket descriptor watched by the event loop for bytes to read, closed with its watcher.
class WatchedSocket : public QSocketNotifier {
public:
    WatchedSocket(int descriptor, QObject* parent) : QSocketNotifier(descriptor, QSocketNotifier::Read, parent) {}
    ~WatchedSocket() override { close(); }
    WatchedSocket(const WatchedSocket&) = delete;
    WatchedSocket& operator=(const WatchedSocket&) = delete;

    // Stops watching and closes the descriptor, so that the peer sees the end at once.
    void close()
    {
        if (m_closed)
            return;
        m_closed = true;
        setEnabled(false);
        ::close(static_cast<int>(socket()));
    }

    QByteArray pending;  // the bytes of a line not yet whole

private:
    bool m_closed = false;
};

// Takes the whole lines out of `pending`, up to the first one longer than the limit. False
// when the connection is to be dropped: a line, or bytes with no end of line yet, at or past
// the limit.
bool takeLines(QByteArray& pending, QList<QByteArray>& lines)
{
    for (qsizetype end = pending.indexOf('\n'); end >= 0; end = pending.indexOf('\n')) {
        if (end + 1 > SingleInstance::MaxLineBytes)
            return false;
        lines.append(pending.left(end).trimmed());
        pending.remove(0, end + 1);
    }
    return pending.size() < SingleInstance::MaxLineBytes;
}

// Sends the whole of `bytes` on a socket whose sends wait at most the limit.
bool sendAll(int descriptor, const QByteArray& bytes)
{
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t done = ::send(descriptor, bytes.constData() + sent, static_cast<size_t>(bytes.size() - sent),
                                    MSG_NOSIGNAL);
        if (done > 0)
            sent += done;
        else if (done < 0 && errno != EINTR)
            return false;
    }
    return true;
}

bool socketAddress(const QByteArray& path, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= static_cast<qsizetype>(sizeof address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
    return true;
}

// A connection to the running instance's socket, or -1 when nobody listens there. Its
// connect and sends wait at most the limit (a running instance with a full backlog), and only
// the second start, which has no window, waits.
int connectToRunning(const QByteArray& path)
{
    sockaddr_un address{};
    if (!socketAddress(path, address))
        return -1;
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (descriptor < 0)
        return -1;
    const timeval limit{ConnectTimeoutMs / 1000, (ConnectTimeoutMs % 1000) * 1000};
    int connected = ::setsockopt(descriptor, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    if (connected == 0) {
        do
            connected = ::connect(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        while (connected != 0 && errno == EINTR);
    }
    if (connected != 0) {
        ::close(descriptor);
        return -1;
    }
    return descriptor;
}

// The private temporary folder that holds the runtime folder when XDG_RUNTIME_DIR is unset.
QString privateTemporaryFolder() { return QDir::tempPath() + QStringLiteral("/fennick-%1").arg(::geteuid()); }

// Makes `folder` with only its owner let in, or checks the one that is there: it must be a
// folder (not a link to one) of this user that nobody else may enter. Another user's folder,
// or one that others could have written into, may hold a socket or a hand-off file planted
// there; it is refused, not used or repaired.
bool makePrivateFolder(const QString& folder, QString* error)
{
    const QByteArray name = QFile::encodeName(folder);
    if (::mkdir(name.constData(), 0700) == 0) {
        // The umask may have taken bits from the owner too.
        if (::chmod(name.constData(), 0700) == 0)
            return true;
    } else if (errno != EEXIST) {
        *error = QStringLiteral("cannot make the folder %1: %2")
                     .arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct stat status {};
    if (::lstat(name.constData(), &status) != 0) {
        *error = QStringLiteral("cannot look at the folder %1: %2")
                     .arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    const QString advice = QStringLiteral("; remove it, or set XDG_RUNTIME_DIR to a private folder of yours");
    if (S_ISLNK(status.st_mode)) {
        *error = QStringLiteral("%1 is a link, not a folder of this user's own").arg(folder) + advice;
        return false;
    }
    if (!S_ISDIR(status.st_mode)) {
        *error = QStringLiteral("%1 is not a folder").arg(folder) + advice;
        return false;
    }
    if (status.st_uid != ::geteuid()) {
        *error = QStringLiteral("%1 belongs to user %2, not to this user (%3)")
                     .arg(folder)
                     .arg(status.st_uid)
                     .arg(::geteuid())
                 + advice;
        return false;
    }
    if ((status.st_mode & 07777) != 0700) {
        *error = QStringLiteral("%1 has mode %2, where only its owner may be let in (0700)")
                     .arg(folder, QStringLiteral("0%1").arg(status.st_mode & 07777, 3, 8, QLatin1Char('0')))
                 + advice;
        return false;
    }
    return true;
}

}  // namespace

QString SingleInstance::runtimeFolder()
{
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty())
        base = privateTemporaryFolder();
    return base + QStringLiteral("/fennick");
}

QString SingleInstance::socketName() { return runtimeFolder() + u'/' + Identifier + QStringLiteral(".sock"); }

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}

SingleInstance::~SingleInstance()
{
    stopListening();
    releaseLock();
}

void SingleInstance::releaseLock()
{
    if (m_lockDescriptor >= 0)
        ::close(m_lockDescriptor);
    m_lockDescriptor = -1;
}

void SingleInstance::stopListening()
{
    if (m_server == nullptr)
        return;
    // Its connections go with it.
    delete m_server;
    m_server = nullptr;
    ::unlink(m_socketPath.constData());
    m_socketPath.clear();
}

SingleInstance::Role SingleInstance::acquire(QString* error)
{
    // The folder holds the socket and the hand-off file: nobody else may write there. Without
    // XDG_RUNTIME_DIR, which the session makes private, the folder above it is ours to make
    // private too.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && !makePrivateFolder(privateTemporaryFolder(), error))
        return Role::Failed;
    if (!makePrivateFolder(runtimeFolder(), error))
        return Role::Failed;
    // A lock of the kernel's on an open file: it goes when the process ends, however it ends,
    // so a crashed instance leaves nothing to take over, and taking it writes nothing that
    // would wait on the disk at every start.
    releaseLock();
    const int descriptor = ::open(QFile::encodeName(lockName()).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW,
                                  0600);
    if (descriptor >= 0 && ::flock(descriptor, LOCK_EX | LOCK_NB) == 0) {
        m_lockDescriptor = descriptor;
        return Role::First;
    }
    const int reason = errno;
    if (descriptor >= 0)
        ::close(descriptor);
    if (reason == EWOULDBLOCK)
        return Role::Second;
    if (reason == EACCES)
        *error = QStringLiteral("cannot make the lock file %1: permission denied").arg(lockName());
    else
        *error = QStringLiteral("cannot make the lock file %1").arg(lockName());
    return Role::Failed;
}

bool SingleInstance::listen(QString* error)
{
    stopListening();
    const QByteArray path = QFile::encodeName(socketName());
    const auto fail = [&](int code) {
        *error = QStringLiteral("cannot listen at %1: %2")
                     .arg(socketName(), QString::fromLocal8Bit(std::strerror(code)));
        return false;
    };
    sockaddr_un address{};
    if (!socketAddress(path, address))
        return fail(ENAMETOOLONG);
    // What a crashed instance left; the lock says that nobody listens there.
    ::unlink(path.constData());
    const int descriptor = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (descriptor < 0)
        return fail(errno);
    if (::bind(descriptor, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        || ::chmod(path.constData(), S_IRWXU) != 0 || ::listen(descriptor, SOMAXCONN) != 0) {
        const int code = errno;
        ::close(descriptor);
        ::unlink(path.constData());
        return fail(code);
    }
    m_socketPath = path;
    m_server = new WatchedSocket(descriptor, this);
    connect(m_server, &QSocketNotifier::activated, this, &SingleInstance::onConnection);
    return true;
}

void SingleInstance::onConnection()
{
    int descriptor = -1;
    while (
        (descriptor = ::accept4(static_cast<int>(m_server->socket()), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC))
        >= 0) {
        auto* connection = new WatchedSocket(descriptor, m_server);
        connect(connection, &QSocketNotifier::activated, this, [this, connection] {
            // One read a turn: a sender that never stops cannot hold the window, and the
            // buffer never holds more than a line's limit and one read.
            char buffer[4 * MaxLineBytes];
            const ssize_t got = ::read(static_cast<int>(connection->socket()), buffer, sizeof buffer);
            if (got < 0 && (errno == EINTR || errno == EAGAIN))
                return;
            QList<QByteArray> lines;
            bool keep = got > 0;
            if (keep) {
                connection->pending.append(buffer, got);
                keep = takeLines(connection->pending, lines);
            }
            if (!keep) {
                connection->close();
                connection->deleteLater();
            }
            // What is told may run an event loop of its own (a question about the handed
            // file), in which this connection must not be read again meanwhile.
            const QPointer<WatchedSocket> alive(keep ? connection : nullptr);
            if (alive)
                connection->setEnabled(false);
            for (const QByteArray& line : lines) {
                if (line == "raise") {
                    emit raiseRequested();
                } else if (line.startsWith("handoff ")) {
                    bool ok = false;
                    const qint64 bytes = line.mid(8).toLongLong(&ok);
                    if (ok && bytes >= 0)
                        emit handOffPosted(bytes);
                }
            }
            if (alive)
                alive->setEnabled(true);
        });
    }
}

bool SingleInstance::handOver(const QString& commandLine)
{
    const int socket = connectToRunning(QFile::encodeName(socketName()));
    const bool found = socket >= 0;
    if (found)
        (void)sendAll(socket, "raise\n");
    if (!commandLine.isEmpty()) {
        const qint64 written = HandOff::write(HandOff::fileName(), commandLine);
        // The file is closed before the pause and the notice, so the receiver finds it whole.
        QThread::msleep(20);
        if (found)
            (void)sendAll(socket, "handoff " + QByteArray::number(written) + '\n');
    }
    // What was sent is in the running instance's queue already: it reads it before the end.
    if (found)
        ::close(socket);
    return found;
}
