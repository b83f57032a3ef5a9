#pragma once

// A D-Bus service played by python3-dbusmock on one of the test's private buses: a template
// of dbusmock's own (logind, bluez5) or one of ours in tests/dbus, started as a process and
// stopped with the object. Every method call it gets is written to a log the test reads.

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

class MockService {
public:
    enum class Bus { Session, System };

    // `name` is the bus name the template claims; `parameters` its JSON parameters, if any.
    MockService(Bus bus, const QString& templateName, const QString& name, const QString& parameters = QString())
        : m_bus(bus == Bus::System ? QDBusConnection::systemBus() : QDBusConnection::sessionBus()), m_name(name)
    {
        EXPECT_TRUE(m_bus.isConnected()) << "no private bus";
        QStringList arguments{QStringLiteral("-m"),
                              QStringLiteral("dbusmock"),
                              bus == Bus::System ? QStringLiteral("--system") : QStringLiteral("--session"),
                              QStringLiteral("-l"),
                              logFile(),
                              QStringLiteral("-t"),
                              templateName};
        if (!parameters.isEmpty())
            arguments << QStringLiteral("-p") << parameters;
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QStringLiteral(FENNICK_DBUSMOCK_PYTHON), arguments);
        // The name is claimed before the template's objects are made, but calls wait for
        // them: the service answers nothing before its template has loaded.
        while (m_process.state() != QProcess::NotRunning && !m_bus.interface()->isServiceRegistered(m_name))
            m_process.waitForFinished(20);
        EXPECT_EQ(m_process.state(), QProcess::Running) << "dbusmock did not start: " << templateName.toStdString();
    }
    ~MockService()
    {
        m_process.terminate();
        m_process.waitForFinished(-1);
    }

    // Calls a method of the service and waits for its answer.
    QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(m_name, path, interface, method);
        message.setArguments(arguments);
        return m_bus.call(message);
    }

    // The calls the service got, one a line as "Method ARGUMENTS" (dbusmock's way of writing
    // them), in order.
    QStringList calls() const
    {
        QFile log(logFile());
        QStringList lines;
        if (!log.open(QIODevice::ReadOnly))
            return lines;
        for (const QByteArray& line : log.readAll().split('\n'))
            if (const qsizetype blank = line.indexOf(' '); blank > 0)
                lines << QString::fromUtf8(line.mid(blank + 1));
        return lines;
    }
    // The calls of one method, each as its arguments.
    QStringList callsOf(const QString& method) const
    {
        QStringList found;
        for (const QString& line : calls())
            if (line == method || line.startsWith(method + u' '))
                found << line.mid(method.size()).trimmed();
        return found;
    }

private:
    QString logFile() const { return m_folder.filePath(QStringLiteral("calls.log")); }

    QDBusConnection m_bus;
    QString m_name;
    QTemporaryDir m_folder;
    QProcess m_process;
};
