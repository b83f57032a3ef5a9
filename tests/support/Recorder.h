#pragma once

// Programs that stand in for real applications in tests: each writes down its name and its
// arguments and ends, so that a test sees exactly what was started, and nothing real ever is.

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QThread>

#include <string>

class Recorder {
public:
    // Programs and their record live in `folder` (made when missing).
    explicit Recorder(const QString& folder) : m_folder(folder) { QDir().mkpath(folder); }

    // Makes a recording program called `name` and returns its path.
    QString program(const char* name) const
    {
        const QString file = m_folder + u'/' + QString::fromUtf8(name);
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly))
            return {};
        // The record takes its name only when whole.
        out.write(
            "#!/bin/sh\nrecord='" + QFile::encodeName(recordFile())
            + "'\n"
              "printf '%s\\n' \"$(basename \"$0\")\" \"$@\" > \"$record.part\" && mv \"$record.part\" \"$record\"\n");
        out.close();
        out.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return file;
    }

    // What the last started program was given, its name and arguments joined by "|", and forgets
    // it. Started programs run on their own, so this waits for the record, for a bounded time.
    std::string take() const
    {
        QDeadlineTimer deadline(30000);
        while (!QFile::exists(recordFile()) && !deadline.hasExpired())
            QThread::msleep(5);
        QFile in(recordFile());
        if (!in.open(QIODevice::ReadOnly))
            return "<nothing started>";
        QStringList lines = QString::fromUtf8(in.readAll()).split(u'\n');
        lines.removeLast();
        in.remove();
        return lines.join(u'|').toStdString();
    }
    // True when a program started since the last take().
    bool started() const { return QFile::exists(recordFile()); }

private:
    QString recordFile() const { return m_folder + QStringLiteral("/record"); }

    QString m_folder;
};
