#include "app/HandOff.h"

#include "app/SingleInstance.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>

namespace HandOff {

QString fileName()
{
    return SingleInstance::runtimeFolder() + QStringLiteral("/FNTemp.dat");
}

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
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return QString();
    const QString path = decode(in.read(expectedBytes), expectedBytes);
    in.close();
    if (!path.isNull())
        in.remove();
    return path;
}

}  // namespace HandOff
