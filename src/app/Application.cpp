#include "app/Application.h"

#include "app/CommandLine.h"
#include "app/KeypadScript.h"
#include "app/MainFrame.h"
#include "app/RegKey.h"
#include "app/ScriptRunner.h"
#include "app/SingleInstance.h"
#include "platform/RegText.h"
#include "platform/RegistryStore.h"
#include "platform/linux/LinuxFileSystem.h"
#include "resources/Commands.h"

#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QScreen>

#include <cstdio>

namespace {

void printTo(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
    std::fflush(stream);
}

int importRegistry(platform::RegistryStore& store, const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        printTo(stderr, QStringLiteral("fennick: cannot read %1: %2\n").arg(fileName, file.errorString()));
        return 1;
    }
    const platform::RegText::DecodeResult decoded = platform::RegText::decodeRegFile(file.readAll());
    QString error = decoded.error;
    if (!decoded.ok || !store.importText(decoded.text, &error)) {
        printTo(stderr, QStringLiteral("fennick: %1: %2; nothing was imported\n").arg(fileName, error));
        return 1;
    }
    return 0;
}

QString registryFile(const CommandLine& options)
{
    return options.registryFile.isEmpty() ? CommandLine::defaultRegistryFile() : options.registryFile;
}

// The store of the running window. One that cannot be used is said once; Fennick goes on with
// its defaults and leaves the file as it is.
std::unique_ptr<platform::RegistryStore> openStore(const CommandLine& options)
{
    QString error;
    auto store = platform::RegistryStore::open(registryFile(options), &error);
    if (!store)
        printTo(stderr, QStringLiteral("fennick: %1; going on with the defaults\n").arg(error));
    return store;
}

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// Offscreen there is no platform theme to name the icon theme; name it ourselves, with the
// generic names as the fallback.
void setUpIconTheme()
{
    QStringList paths = QIcon::themeSearchPaths();
    if (!paths.contains(QStringLiteral("/usr/share/icons")))
        paths << QStringLiteral("/usr/share/icons");
    QIcon::setThemeSearchPaths(paths);
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == u"hicolor")
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    QIcon::setFallbackThemeName(QStringLiteral("hicolor"));
}

// The offscreen platform warns about every window feature it lacks; those lines say nothing
// to a person reading a script's output.
QtMessageHandler g_previousHandler = nullptr;

void quietOffscreenWarnings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("This plugin does not support")))
        return;
    if (g_previousHandler)
        g_previousHandler(type, context, message);
    else
        printTo(stderr, qFormatLogMessage(type, context, message) + u'\n');
}

}  // namespace

int Application::run(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    CommandLine options;
    QString error;
    if (!options.parse(arguments, &error)) {
        printTo(stderr, QStringLiteral("fennick: %1\n").arg(error));
        return 64;
    }
    if (options.showHelp) {
        printTo(stdout, CommandLine::helpText());
        return 0;
    }
    if (options.showVersion) {
        printTo(stdout, QStringLiteral("fennick " FENNICK_VERSION "\n"));
        return 0;
    }
    if (options.exportRegistry || !options.importRegistryFile.isEmpty()) {
        // An export only reads: a missing store is told, not made.
        std::unique_ptr<platform::RegistryStore> store = platform::RegistryStore::open(
            registryFile(options), &error,
            options.exportRegistry ? platform::RegistryStore::WhenMissing::Refuse : platform::RegistryStore::WhenMissing::Create);
        if (!store) {
            printTo(stderr, QStringLiteral("fennick: %1\n").arg(error));
            return 1;
        }
        if (options.exportRegistry) {
            QString text;
            if (!store->exportText(text, &error)) {
                printTo(stderr, QStringLiteral("fennick: %1\n").arg(error));
                return 1;
            }
            printTo(stdout, text);
            return 0;
        }
        return importRegistry(*store, options.importRegistryFile);
    }

    std::unique_ptr<ScriptRunner::Script> script;
    if (!options.playScript.isEmpty()) {
        QFile file(options.playScript);
        if (!file.open(QIODevice::ReadOnly)) {
            printTo(stderr, QStringLiteral("fennick: cannot read %1: %2\n").arg(options.playScript, file.errorString()));
            return 1;
        }
        auto parsed = KeypadScript::parse(QString::fromUtf8(file.readAll()), &error);
        if (!parsed) {
            printTo(stderr, QStringLiteral("%1:%2\n").arg(options.playScript, error));
            return 1;
        }
        script = std::make_unique<ScriptRunner::Script>(std::move(*parsed));
    }

    // One Fennick at a time: a second start hands its path over and ends, with or without a
    // display of its own.
    SingleInstance instance;
    switch (instance.acquire(&error)) {
    case SingleInstance::Role::Failed:
        printTo(stderr, QStringLiteral("fennick: %1\n").arg(error));
        return 2;
    case SingleInstance::Role::Second:
        (void)SingleInstance::handOver(options.path);
        return 0;
    case SingleInstance::Role::First:
        break;
    }

    // Choose where the screen goes before Qt starts: a VNC viewer, offscreen for a script on
    // a machine without a display, or the desktop.
    if (options.vncPort > 0) {
        qputenv("QT_QPA_PLATFORM", QStringLiteral("vnc:size=%1x%2:port=%3")
                                       .arg(options.screenSize.width()).arg(options.screenSize.height())
                                       .arg(options.vncPort).toUtf8());
    } else if (!hasDisplay()) {
        if (!script) {
            printTo(stderr, QStringLiteral(
                "fennick: there is no display here. Run it on a desktop, serve the screen with\n"
                "  fennick --vnc 5900 (then connect a VNC viewer to port 5900), or play a keypad\n"
                "  script headless with fennick --play SCRIPT.\n"));
            return 1;
        }
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen")
        g_previousHandler = qInstallMessageHandler(quietOffscreenWarnings);

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("fennick"));
    setUpIconTheme();

    if (!instance.listen(&error))
        printTo(stderr, QStringLiteral("fennick: %1; a second start will not find this window\n").arg(error));

    std::unique_ptr<platform::RegistryStore> store = openStore(options);
    RegKey::setStore(store.get());
    platform::LinuxFileSystem fileSystem(platform::PathMapper(QFile::encodeName(options.root)));

    int exitCode = 0;
    {
        MainFrame frame(fileSystem);
        if (!frame.create()) {
            RegKey::setStore(nullptr);
            return 1;
        }
        frame.resize(options.screenSize);
        if (QGuiApplication::platformName() == u"linuxfb" || QGuiApplication::platformName() == u"eglfs")
            frame.showFullScreen();
        else
            frame.show();
        QObject::connect(&instance, &SingleInstance::raiseRequested, &frame, &MainFrame::bringToFront);
        QObject::connect(&instance, &SingleInstance::handOffPosted, &frame,
                         [&frame](qint64 bytes) { frame.postCommand(Cmd::HandOffFile, bytes); });
        if (!options.path.isEmpty())
            frame.actOnPath(options.path);

        std::unique_ptr<ScriptRunner> runner;
        if (script) {
            runner = std::make_unique<ScriptRunner>(std::move(*script), &frame, options.playScript);
            QObject::connect(runner.get(), &ScriptRunner::finished, &application, [](int code) {
                QApplication::exit(code);
            });
            runner->start();
        }
        exitCode = QApplication::exec();
    }
    instance.stopListening();
    RegKey::setStore(nullptr);
    return exitCode;
}
