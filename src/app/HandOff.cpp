#include "app/HandOff.h"

#include "app/SingleInstance.h"
#include "platform/PhonePath.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>
#include <QtEndian>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace HandOff {

QString fileName() { return SingleInstance::runtimeFolder() + QStringLiteral("/FNTemp.dat"); }

QByteArray encode(const QString& commandLine)
{
    QByteArray bytes(commandLine.size() * 2, '\0');
    for (qsizetype i = 0; i < commandLine.size(); ++i)
        qToLittleEndian<quint16>(commandLine.at(i).unicode(), bytes.data() + i * 2);
    return bytes;
}

QString decode(const QByteArray& bytes, qint64 expectedBytes)
{
    if (expectedBytes <= 0 || expectedBytes > MaxBytes || bytes.size() != expectedBytes)
        return QString();
    QString path(bytes.size() / 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < path.size(); ++i)
        path[i] = QChar(qFromLittleEndian<quint16>(bytes.constData() + i * 2));
    return path;
}

qint64 write(const QString& file, const QString& commandLine)
{
    const QByteArray bytes = encode(commandLine);
    if (bytes.size() > MaxBytes)
        return 0;
    // Written whole or not at all, so the receiver never reads half a path.
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        return 0;
    return bytes.size();
}

QString take(const QString& file, qint64 expectedBytes)
{
    if (expectedBytes <= 0 || expectedBytes > MaxBytes)
        return QString();
    const QByteArray name = QFile::encodeName(file);
    // Not blocking, so that opening a FIFO returns at once instead of waiting for a writer.
    const int descriptor = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return QString();
    struct stat status {};
    QByteArray bytes;
    if (::fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == ::geteuid()) {
        bytes.resize(expectedBytes);
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t got = ::read(descriptor, bytes.data() + done, static_cast<size_t>(bytes.size() - done));
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            done += got;
        }
        bytes.truncate(done);
    }
    ::close(descriptor);
    const QString path = decode(bytes, expectedBytes);
    if (!path.isNull())
        ::unlink(name.constData());
    return path;
}

QString pathFromHost(const QByteArray& hostPath)
{
    QStringList names;
    for (const QByteArray& name : hostPath.split('/'))
        names << platform::PathMapper::nameFromHost(name);
    return names.join(u'/');
}

QByteArray pathToHost(const QString& path)
{
    QByteArrayList names;
    for (const QString& name : path.split(u'/')) {
        const QByteArray host = platform::PathMapper::nameToHost(name);
        if (host.isEmpty() && !name.isEmpty())
            return QByteArray();
        names << host;
    }
    QByteArray host = names.join('/');
    return host.isNull() ? QByteArray("") : host;
}

}  // namespace HandOff
