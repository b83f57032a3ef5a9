#include "app/Application.h"

#include "app/CommandLine.h"
#include "app/FileManager1.h"
#include "app/KeypadScript.h"
#include "app/MainFrame.h"
#include "app/QuitSignals.h"
#include "app/ScriptRunner.h"
#include "app/SingleInstance.h"
#include "app/VncServer.h"
#include "jobs/Idle.h"
#include "platform/RegText.h"
#include "platform/RegistryStore.h"
#include "platform/linux/LinuxFileSystem.h"
#include "resources/Commands.h"
#include "settings/RegKey.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QScreen>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

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

// The server's settings from the command line. The default password file is used when it
// exists; one named with --vnc-passwd must.
VncServer::Options vncOptions(const CommandLine& options)
{
    VncServer::Options vnc;
    vnc.address = options.vncAddress;
    vnc.port = options.vncPort;
    vnc.size = options.screenSize;
    vnc.passwordFile = options.vncPasswordFile;
    if (vnc.passwordFile.isEmpty() && QFileInfo::exists(CommandLine::defaultVncPasswordFile()))
        vnc.passwordFile = CommandLine::defaultVncPasswordFile();
    return vnc;
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

// Menus and dialogs closed after a signal before giving up on a program that keeps opening
// more.
constexpr int MaxCloseRounds = 50;

// Ends the program after a signal as Quit does. A menu or dialog that is open runs an event
// loop of its own, nested in the program's, and may hold work in progress: each is ended with
// its cancel (never its accept), the top one first, from a fresh turn of the loop so that its
// exec() returns before the next is closed. Then the main window gets Quit, which saves the
// settings.
void quitAfterClosingOpenWindows(MainFrame* frame, int round)
{
    QWidget* open = QApplication::activePopupWidget();
    if (!open) {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible())
            open = modal;
    }
    if (open && round < MaxCloseRounds) {
        if (auto* dialog = qobject_cast<QDialog*>(open))
            dialog->reject();
        else
            open->close();
        QTimer::singleShot(0, frame, [frame, round] { quitAfterClosingOpenWindows(frame, round + 1); });
        return;
    }
    frame->dispatch(Cmd::Quit);
    // Every loop ends, a dialog's that would not close too; the caller gives the exit code.
    QApplication::exit(0);
}

// --help, --version and the registry's export and import: modes that do one thing and end
// before anything else starts. Nothing when the command line asks for none of them.
std::optional<int> runOneShotMode(const CommandLine& options)
{
    if (options.showHelp) {
        printTo(stdout, CommandLine::helpText());
        return 0;
    }
    if (options.showVersion) {
        printTo(stdout, QStringLiteral("fennick " FENNICK_VERSION "\n"));
        return 0;
    }
    if (!options.exportRegistry && options.importRegistryFile.isEmpty())
        return std::nullopt;
    // An export only reads: a missing store is told, not made.
    QString error;
    std::unique_ptr<platform::RegistryStore> store = platform::RegistryStore::open(
        registryFile(options), &error,
        options.exportRegistry ? platform::RegistryStore::WhenMissing::Refuse
                               : platform::RegistryStore::WhenMissing::Create);
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

// The keypad script of --play, read and checked whole before anything starts. False (told on
// stderr) when it cannot be read or has a wrong line.
bool loadScript(const CommandLine& options, std::unique_ptr<ScriptRunner::Script>& script)
{
    if (options.playScript.isEmpty())
        return true;
    QFile file(options.playScript);
    if (!file.open(QIODevice::ReadOnly)) {
        printTo(stderr, QStringLiteral("fennick: cannot read %1: %2\n").arg(options.playScript, file.errorString()));
        return false;
    }
    QString error;
    auto parsed = KeypadScript::parse(QString::fromUtf8(file.readAll()), &error);
    if (!parsed) {
        printTo(stderr, QStringLiteral("%1:%2\n").arg(options.playScript, error));
        return false;
    }
    script = std::make_unique<ScriptRunner::Script>(std::move(*parsed));
    return true;
}

// Chooses where the screen goes before Qt starts: a VNC server, offscreen for a script on a
// machine without a display, or the desktop. False (told on stderr) when there is nowhere.
bool chooseScreen(const CommandLine& options, VncServer::Options& vnc, bool playsScript,
                  std::unique_ptr<VncServer>& vncServer)
{
    if (options.vncPort > 0) {
        QString error;
        vnc.privateFolder = SingleInstance::runtimeFolder();
        vncServer = VncServer::start(vnc, &error);
        if (!vncServer) {
            printTo(stderr, QStringLiteral("fennick: %1\n").arg(error));
            return false;
        }
        // In the environment, so that programs Fennick starts show on the same screen.
        qputenv("QT_QPA_PLATFORM", "xcb");
        qputenv("DISPLAY", vncServer->display().toUtf8());
        qputenv("XAUTHORITY", QFile::encodeName(vncServer->authorityFile()));
        qunsetenv("WAYLAND_DISPLAY");
    } else if (!hasDisplay()) {
        if (!playsScript) {
            printTo(stderr,
                    QStringLiteral(
                        "fennick: there is no display here. Run it on a desktop, serve the screen with\n"
                        "  fennick --vnc 5900 (then connect a VNC viewer on this machine to port 5900), or play\n"
                        "  a keypad script headless with fennick --play SCRIPT.\n"));
            return false;
        }
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen")
        g_previousHandler = qInstallMessageHandler(quietOffscreenWarnings);
    return true;
}

// What the main window is given to run with, beyond the command line.
struct WindowRun {
    const CommandLine& options;
    SingleInstance& instance;
    QuitSignals& quitSignals;
    const VncServer* vncServer;
    const VncServer::Options& vnc;
    std::unique_ptr<ScriptRunner::Script> script;
};

// Shows the main window where the screen was chosen, hands it what other starts and signals
// send, acts on the command line's path, plays the script, and runs until the window ends.
// The exit code: the loop's, 128 + N after signal N, 1 when the window cannot be made.
int runWindow(platform::FileSystem& fileSystem, WindowRun run)
{
    int exitCode = 0;
    int signalNumber = 0;
    {
        MainFrame frame(fileSystem);
        if (!frame.create())
            return 1;
        frame.resize(run.options.screenSize);
        if (run.vncServer || QGuiApplication::platformName() == u"linuxfb"
            || QGuiApplication::platformName() == u"eglfs")
            frame.showFullScreen();
        else
            frame.show();
        if (run.vncServer) {
            // The server's display has no window manager to give the window the keyboard focus.
            frame.activateWindow();
            // Said once the window is up, when a signal already ends Fennick as Quit does.
            printTo(stderr, QStringLiteral("fennick: serving the screen to VNC viewers at %1, %2\n")
                                .arg(run.vncServer->description(),
                                     run.vnc.passwordFile.isEmpty()
                                         ? QStringLiteral("without a password")
                                         : QStringLiteral("with the password in %1").arg(run.vnc.passwordFile)));
        }
        QObject::connect(&run.instance, &SingleInstance::raiseRequested, &frame, &MainFrame::bringToFront);
        QObject::connect(&run.instance, &SingleInstance::handOffPosted, &frame,
                         [&frame](qint64 bytes) { frame.postCommand(Cmd::HandOffFile, bytes); });
        // Other programs' "Show in folder" comes the way a second start's path does.
        FileManager1 fileManager{platform::PathMapper(run.options.root)};
        QObject::connect(&fileManager, &FileManager1::requested, &frame,
                         [&frame](FileManager1::Request request, const QString& path) {
                             frame.postShow(request == FileManager1::Request::ShowFolders ? MainFrame::Shown::OpenFolder
                                            : request == FileManager1::Request::ShowItemProperties
                                                ? MainFrame::Shown::Properties
                                                : MainFrame::Shown::Item,
                                            path);
                         });
        Idle::registerProbe(&fileManager, [&fileManager] { return fileManager.asking(); });
        fileManager.offer();
        QObject::connect(&run.quitSignals, &QuitSignals::received, &frame, [&frame, &signalNumber](int number) {
            if (signalNumber != 0)
                return;  // already on the way out
            signalNumber = number;
            quitAfterClosingOpenWindows(&frame, 0);
        });
        // A path is acted on before the window takes input (an archive asks where to go). A
        // script drives that question like any dialog, so it is asked once the script plays.
        const QString& path = run.options.path;
        if (!path.isEmpty() && run.script)
            QMetaObject::invokeMethod(
                &frame, [&frame, path] { frame.actOnPath(path); }, Qt::QueuedConnection);
        else if (!path.isEmpty())
            frame.actOnPath(path);

        std::unique_ptr<ScriptRunner> runner;
        if (run.script) {
            runner = std::make_unique<ScriptRunner>(std::move(*run.script), &frame, run.options.playScript);
            QObject::connect(runner.get(), &ScriptRunner::finished, qApp, [](int code) { QApplication::exit(code); });
            runner->start();
        }
        exitCode = QApplication::exec();
    }
    // As a shell reports a program that a signal ended, so that a script cut short by Ctrl+C
    // never counts as passed.
    if (signalNumber != 0)
        exitCode = 128 + signalNumber;
    return exitCode;
}

}  // namespace

int Application::run(int argc, char* argv[])
{
    // As bytes: a host path need not be valid text, and must reach us unchanged.
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QByteArray(argv[i]);
    CommandLine options;
    QString error;
    if (!options.parse(arguments, &error)) {
        printTo(stderr, QStringLiteral("fennick: %1\n").arg(error));
        return 64;
    }
    if (const std::optional<int> code = runOneShotMode(options))
        return *code;

    if (!options.resolveRoot(&error)) {
        printTo(stderr, QStringLiteral("fennick: %1\n").arg(error));
        return 64;
    }

    // Refused before anything starts, a second start that would only hand over included.
    VncServer::Options vnc = vncOptions(options);
    if (options.vncPort > 0 && !VncServer::check(vnc, &error)) {
        printTo(stderr, QStringLiteral("fennick: %1\n").arg(error));
        return 64;
    }

    std::unique_ptr<ScriptRunner::Script> script;
    if (!loadScript(options, script))
        return 1;

    // One Fennick at a time: a second start hands its path over and ends, with or without a
    // display of its own. A keypad script is the exception: handed over, it would never be
    // played, and its run would pass without a line checked. Next to a running Fennick it
    // plays in an instance of its own, which leaves the lock and the socket to the running
    // window and acts on its PATH itself.
    SingleInstance instance;
    const SingleInstance::Role role = instance.acquire(&error);
    switch (role) {
    case SingleInstance::Role::Failed: printTo(stderr, QStringLiteral("fennick: %1\n").arg(error)); return 2;
    case SingleInstance::Role::Second:
        if (script)
            break;
        (void)SingleInstance::handOver(options.path);
        return 0;
    case SingleInstance::Role::First: break;
    }

    // The server outlives the application object, whose X connection must close first: Qt
    // ends the program when its display goes away.
    std::unique_ptr<VncServer> vncServer;
    if (!chooseScreen(options, vnc, script != nullptr, vncServer))
        return 1;

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("fennick"));
    setUpIconTheme();

    if (role == SingleInstance::Role::First && !instance.listen(&error))
        printTo(stderr, QStringLiteral("fennick: %1; a second start will not find this window\n").arg(error));
    // Xvnc's log of connections and errors, as it comes.
    std::unique_ptr<QSocketNotifier> vncLog;
    if (vncServer) {
        vncLog = std::make_unique<QSocketNotifier>(vncServer->logDescriptor(), QSocketNotifier::Read);
        QObject::connect(vncLog.get(), &QSocketNotifier::activated, vncLog.get(), [&vncServer, &vncLog] {
            if (!vncServer->forwardLog(stderr))
                vncLog->setEnabled(false);
        });
    }
    QuitSignals quitSignals;
    if (!quitSignals.isValid())
        printTo(stderr,
                QStringLiteral("fennick: cannot watch for SIGTERM, SIGHUP and SIGINT: %1; they will end Fennick "
                               "without saving its settings\n")
                    .arg(QString::fromLocal8Bit(std::strerror(errno))));

    std::unique_ptr<platform::RegistryStore> store = openStore(options);
    RegKey::setStore(store.get());
    platform::LinuxFileSystem fileSystem{platform::PathMapper(options.root)};
    const int exitCode = runWindow(fileSystem,
                                   WindowRun{options, instance, quitSignals, vncServer.get(), vnc, std::move(script)});
    instance.stopListening();
    RegKey::setStore(nullptr);
    return exitCode;
}
