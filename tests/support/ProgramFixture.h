#pragma once

// Runs the real fennick binary over a temporary root folder, registry and runtime folder, as
// a person would start it, and gives back what it printed.

#include "FileContent.h"
#include "platform/RegistryStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

struct ProgramRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class ProgramFixture {
public:
    ProgramFixture()
    {
        EXPECT_TRUE(m_folder.isValid());
        QDir(m_folder.path()).mkpath(QStringLiteral("root"));
        QDir(m_folder.path()).mkpath(QStringLiteral("run"));
    }

    QString root() const { return m_folder.filePath(QStringLiteral("root")); }
    QString registryFile() const { return m_folder.filePath(QStringLiteral("registry.db")); }
    QString runtimeFolder() const { return m_folder.filePath(QStringLiteral("run")); }
    // $XDG_CONFIG_HOME of the program: nothing of the user's own (a VNC password) reaches it.
    QString configFolder() const { return m_folder.filePath(QStringLiteral("config")); }
    QString path(const QString& relative) const { return m_folder.filePath(relative); }

    // What the program left at a path under the root.
    bool exists(const char* relative) const { return QFileInfo::exists(rootPath(relative)); }
    QByteArray content(const char* relative) const { return FileContent::read(rootPath(relative)); }

    void folder(const char* relative) { QDir(root()).mkpath(QString::fromUtf8(relative)); }
    void file(const char* relative, const QByteArray& content = "x")
    {
        QFile out(root() + u'/' + QString::fromUtf8(relative));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly)) << relative;
        out.write(content);
    }
    void registry(const char* keyPath, const char* name, const platform::RegValue& value,
                  platform::Hive hive = platform::Hive::CurrentUser)
    {
        QString error;
        auto store = platform::RegistryStore::open(registryFile(), &error);
        ASSERT_TRUE(store) << error.toStdString();
        platform::RegistryStore::KeyId key = 0;
        ASSERT_TRUE(store->openKey(hive, QString::fromUtf8(keyPath), true, key));
        ASSERT_TRUE(store->writeValue(key, QString::fromUtf8(name), value));
    }
    void setting(const char* name, quint32 value)
    {
        QByteArray data(4, '\0');
        for (int i = 0; i < 4; ++i)
            data[i] = static_cast<char>((value >> (8 * i)) & 0xff);
        registry("Software\\Corvane\\Fennick", name, {platform::RegType::Dword, data});
    }
    quint32 storedSetting(const char* name)
    {
        QString error;
        auto store = platform::RegistryStore::open(registryFile(), &error);
        platform::RegistryStore::KeyId key = 0;
        platform::RegValue value;
        if (!store
            || !store->openKey(platform::Hive::CurrentUser, QStringLiteral("Software\\Corvane\\Fennick"), false, key)
            || !store->readValue(key, QString::fromUtf8(name), value) || value.data.size() != 4)
            return 0xFFFFFFFF;
        return static_cast<quint8>(value.data[0]) | static_cast<quint8>(value.data[1]) << 8
               | static_cast<quint8>(value.data[2]) << 16
               | static_cast<quint32>(static_cast<quint8>(value.data[3])) << 24;
    }

    // The string values of a key as "name=text" (a number as "name=#value"), sorted and joined
    // by blanks.
    std::string storedStrings(const char* keyPath, platform::Hive hive = platform::Hive::CurrentUser)
    {
        QString error;
        auto store = platform::RegistryStore::open(registryFile(), &error);
        platform::RegistryStore::KeyId key = 0;
        if (!store || !store->openKey(hive, QString::fromUtf8(keyPath), false, key))
            return "<no key>";
        QStringList values;
        QString name;
        for (int i = 0; store->valueNameAt(key, i, name); ++i) {
            platform::RegValue value;
            if (store->readValue(key, name, value) && value.type == platform::RegType::Dword && value.data.size() == 4)
                values << name + QStringLiteral("=#")
                              + QString::number(qFromLittleEndian<quint32>(value.data.constData()), 16);
            else if (store->readValue(key, name, value))
                values << name + u'='
                              + QString::fromUtf16(reinterpret_cast<const char16_t*>(value.data.constData()),
                                                   value.data.size() / 2)
                                    .section(QChar(0), 0, 0);
        }
        values.sort();
        return values.join(u' ').toStdString();
    }

    void start(QProcess& process, const QStringList& arguments) const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeFolder());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configFolder());
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        for (const auto& [name, value] : m_environment)
            environment.insert(name, value);
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(FENNICK_BINARY),
                      QStringList{QStringLiteral("--root"), root(), QStringLiteral("--registry"), registryFile()}
                          + arguments);
    }

    // A variable of the program's environment (the desktop opener, the XDG folders).
    void environment(const QString& name, const QString& value) { m_environment.emplace_back(name, value); }
    void setEnvironment(const QString& name, const QString& value) { environment(name, value); }

    // Writes a keypad script given as text to a file of its own.
    QString writeScript(const QString& script)
    {
        const QString file = m_folder.filePath(QStringLiteral("script%1.keys").arg(++m_scripts));
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(script.toUtf8());
        return file;
    }

    // Starts playing a script without waiting, for tests that act while it runs.
    void startPlaying(QProcess& process, const QString& script)
    {
        start(process, {QStringLiteral("--play"), writeScript(script)});
    }

    // Plays a keypad script given as text.
    ProgramRun play(const QString& script, const QStringList& arguments = {})
    {
        return run(QStringList{QStringLiteral("--play"), writeScript(script)} + arguments);
    }

    ProgramRun run(const QStringList& arguments)
    {
        QProcess process;
        start(process, arguments);
        process.waitForFinished(-1);
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }

private:
    QString rootPath(const char* relative) const { return root() + u'/' + QString::fromUtf8(relative); }

    QTemporaryDir m_folder;
    int m_scripts = 0;
    std::vector<std::pair<QString, QString>> m_environment;
};
