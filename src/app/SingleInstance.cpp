#include "app/SingleInstance.h"

#include "app/HandOff.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

const QString SingleInstance::Identifier = QStringLiteral("Rm5uY2tLZXlwYWRGaWxlcyE=");

namespace {

QString lockName()
{
    return SingleInstance::runtimeFolder() + u'/' + SingleInstance::Identifier + QStringLiteral(".lock");
}

constexpr int ConnectTimeoutMs = 1000;

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
    delete m_server;
    m_server = nullptr;
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
    QLocalServer::removeServer(socketName());
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onConnection);
    if (m_server->listen(socketName()))
        return true;
    *error = QStringLiteral("cannot listen at %1: %2").arg(socketName(), m_server->errorString());
    return false;
}

void SingleInstance::onConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        // Qt stops reading from the socket while this much waits unread, so a sender that
        // never ends its line cannot fill the memory before the check below drops it.
        socket->setReadBufferSize(4 * MaxLineBytes);
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                if (!socket->peek(MaxLineBytes).contains('\n')) {
                    socket->abort();
                    return;
                }
                const QByteArray line = socket->readLine().trimmed();
                if (line == "raise") {
                    emit raiseRequested();
                } else if (line.startsWith("handoff ")) {
                    bool ok = false;
                    const qint64 bytes = line.mid(8).toLongLong(&ok);
                    if (ok && bytes >= 0)
                        emit handOffPosted(bytes);
                }
            }
            if (socket->bytesAvailable() >= MaxLineBytes)
                socket->abort();
        });
    }
}

bool SingleInstance::handOver(const QString& commandLine)
{
    QLocalSocket socket;
    socket.connectToServer(socketName());
    const bool found = socket.waitForConnected(ConnectTimeoutMs);
    if (found) {
        socket.write("raise\n");
        socket.flush();
    }
    if (!commandLine.isEmpty()) {
        const qint64 written = HandOff::write(HandOff::fileName(), commandLine);
        // The file is closed before the pause and the notice, so the receiver finds it whole.
        QThread::msleep(20);
        if (found) {
            socket.write("handoff " + QByteArray::number(written) + '\n');
            socket.flush();
        }
    }
    if (found) {
        socket.waitForBytesWritten(ConnectTimeoutMs);
        socket.disconnectFromServer();
        if (socket.state() != QLocalSocket::UnconnectedState)
            socket.waitForDisconnected(ConnectTimeoutMs);
    }
    return found;
}
