#include "app/SingleInstance.h"

#include "app/HandOff.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <unistd.h>

const QString SingleInstance::Identifier = QStringLiteral("Rm5uY2tLZXlwYWRGaWxlcyE=");

namespace {

QString socketName() { return SingleInstance::runtimeFolder() + u'/' + SingleInstance::Identifier + QStringLiteral(".sock"); }
QString lockName() { return SingleInstance::runtimeFolder() + u'/' + SingleInstance::Identifier + QStringLiteral(".lock"); }

constexpr int ConnectTimeoutMs = 1000;

}  // namespace

QString SingleInstance::runtimeFolder()
{
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty())
        base = QDir::tempPath() + QStringLiteral("/fennick-%1").arg(getuid());
    return base + QStringLiteral("/fennick");
}

SingleInstance::SingleInstance(QObject* parent) : QObject(parent) {}

SingleInstance::~SingleInstance() { stopListening(); }

void SingleInstance::stopListening()
{
    delete m_server;
    m_server = nullptr;
}

SingleInstance::Role SingleInstance::acquire()
{
    const QString folder = runtimeFolder();
    // The folder holds the socket and the hand-off file: nobody else may write there.
    if (!QDir().mkpath(folder)
        || !QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        return Role::Failed;
    m_lock = std::make_unique<QLockFile>(lockName());
    // A lock left by a crashed instance is taken over (QLockFile checks that its process is gone).
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return Role::First;
    return m_lock->error() == QLockFile::LockFailedError ? Role::Second : Role::Failed;
}

bool SingleInstance::listen()
{
    QLocalServer::removeServer(socketName());
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::onConnection);
    return m_server->listen(socketName());
}

void SingleInstance::onConnection()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                const QByteArray line = socket->readLine(64).trimmed();
                if (line == "raise") {
                    emit raiseRequested();
                } else if (line.startsWith("handoff ")) {
                    bool ok = false;
                    const qint64 bytes = line.mid(8).toLongLong(&ok);
                    if (ok && bytes >= 0)
                        emit handOffPosted(bytes);
                }
            }
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
