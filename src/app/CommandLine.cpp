#include "app/CommandLine.h"

#include "app/HandOff.h"
#include "app/IpAddress.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>

namespace {

// The smallest screen the pages are laid out for (the smallest phone's), and the largest side
// a picture of the screen can be painted at.
constexpr QSize SmallestScreen(176, 208);
constexpr int LargestSide = 8192;

// What an option that takes a value is given, for the message when it is missing.
QString valueNameOf(const QByteArray& option)
{
    if (option == "--root")
        return QStringLiteral("a folder");
    if (option == "--size")
        return QStringLiteral("a size such as 240x320");
    if (option == "--play")
        return QStringLiteral("a script file");
    if (option == "--vnc")
        return QStringLiteral("a port or an address and port");
    return QStringLiteral("a file");
}

// Takes the value that follows an option. A next argument that is itself an option means the
// value was left out: taken as the value, it would name a folder or file "--play", and the
// option it is would be lost. A value that begins with "--" can still be given as "./--name".
bool takeValue(const QList<QByteArray>& arguments, qsizetype& i, QByteArray& value, QString* error)
{
    const QByteArray& option = arguments.at(i);
    if (i + 1 >= arguments.size() || arguments.at(i + 1).startsWith("--") || arguments.at(i + 1) == "-h") {
        *error = QStringLiteral("%1 needs %2").arg(QString::fromUtf8(option), valueNameOf(option));
        return false;
    }
    value = arguments.at(++i);
    return true;
}

bool takeName(const QList<QByteArray>& arguments, qsizetype& i, QString& value, QString* error)
{
    QByteArray bytes;
    if (!takeValue(arguments, i, bytes, error))
        return false;
    value = QFile::decodeName(bytes);
    return true;
}

// WIDTHxHEIGHT within what the pages can be laid out on and painted at.
bool parseSize(const QByteArray& value, QSize& size, QString* error)
{
    const QString text = QString::fromUtf8(value);
    static const QRegularExpression sizePattern(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$"));
    const auto match = sizePattern.match(text);
    if (!match.hasMatch()) {
        *error = QStringLiteral("--size wants WIDTHxHEIGHT, such as 240x320, not '%1'").arg(text);
        return false;
    }
    const QSize given(match.captured(1).toInt(), match.captured(2).toInt());
    if (given.width() < SmallestScreen.width() || given.height() < SmallestScreen.height()) {
        *error = QStringLiteral("--size %1 is too small: the screen must be at least %2x%3")
                     .arg(text)
                     .arg(SmallestScreen.width())
                     .arg(SmallestScreen.height());
        return false;
    }
    if (given.width() > LargestSide || given.height() > LargestSide) {
        *error = QStringLiteral("--size %1 is too large: the screen can be at most %2 on either side")
                     .arg(text)
                     .arg(LargestSide);
        return false;
    }
    size = given;
    return true;
}

// PORT, or ADDRESS:PORT with an IP address (an IPv6 one in brackets, as in a URL). Host names
// are refused: the address is where the server listens, and a name could stand for several.
bool parseVnc(const QByteArray& value, int& port, QString& address, QString* error)
{
    const QString text = QString::fromUtf8(value);
    const auto refuse = [&] {
        *error = QStringLiteral(
                     "--vnc wants PORT, or ADDRESS:PORT with an IP address (an IPv6 one in brackets, such as "
                     "[::1]:5900), and a port from 1 to 65535, not '%1'")
                     .arg(text);
        return false;
    };
    static const QRegularExpression pattern(QStringLiteral("^(?:(?:\\[([0-9A-Fa-f:.]+)\\]|([0-9.]+)):)?(\\d{1,5})$"));
    const auto match = pattern.match(text);
    if (!match.hasMatch())
        return refuse();
    port = match.captured(3).toInt();
    if (port < 1 || port > 65535)
        return refuse();
    const QString host = match.hasCaptured(1) ? match.captured(1) : match.captured(2);
    if (host.isEmpty()) {
        address.clear();
        return true;
    }
    IpAddress parsed;
    const bool isIpv6 = match.hasCaptured(1);
    if (!parsed.parse(host) || parsed.isIpv6() != isIpv6)
        return refuse();
    address = parsed.toString();
    return true;
}

}  // namespace

bool CommandLine::parse(const QList<QByteArray>& arguments, QString* error)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QByteArray& argument = arguments.at(i);
        QByteArray value;
        if (argument == "--root") {
            if (!takeValue(arguments, i, root, error))
                return false;
        } else if (argument == "--registry") {
            if (!takeName(arguments, i, registryFile, error))
                return false;
        } else if (argument == "--size") {
            if (!takeValue(arguments, i, value, error) || !parseSize(value, screenSize, error))
                return false;
        } else if (argument == "--play") {
            if (!takeName(arguments, i, playScript, error))
                return false;
        } else if (argument == "--vnc") {
            if (!takeValue(arguments, i, value, error) || !parseVnc(value, vncPort, vncAddress, error))
                return false;
        } else if (argument == "--vnc-passwd") {
            if (!takeName(arguments, i, vncPasswordFile, error))
                return false;
        } else if (argument == "--export-registry") {
            exportRegistry = true;
        } else if (argument == "--import-registry") {
            if (!takeName(arguments, i, importRegistryFile, error))
                return false;
        } else if (argument == "--help" || argument == "-h") {
            showHelp = true;
        } else if (argument == "--version") {
            showVersion = true;
        } else if (argument.startsWith("--")) {
            *error = QStringLiteral("unknown option %1 (see --help)").arg(QString::fromUtf8(argument));
            return false;
        } else if (path.isEmpty()) {
            path = HandOff::pathFromHost(argument);
            // Refused here rather than cut short or dropped on the way to a running window.
            if (HandOff::encode(path).size() > HandOff::MaxBytes) {
                *error = QStringLiteral("PATH is too long: %1 characters, where at most %2 can be handed over")
                             .arg(path.size())
                             .arg(HandOff::MaxBytes / 2);
                path.clear();
                return false;
            }
        } else {
            *error = QStringLiteral("only one PATH can be given (see --help)");
            return false;
        }
    }
    if (!vncPasswordFile.isEmpty() && vncPort == 0) {
        *error = QStringLiteral("--vnc-passwd goes with --vnc");
        return false;
    }
    return true;
}

bool CommandLine::resolveRoot(QString* error)
{
    const QString shown = QFile::decodeName(root);
    if (root.isEmpty()) {
        *error = QStringLiteral("--root is empty; give the folder to show as \"\\\"");
        return false;
    }
    char resolved[PATH_MAX];
    if (!::realpath(root.constData(), resolved)) {
        *error = QStringLiteral("--root %1 cannot be used: %2")
                     .arg(shown, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct stat status {};
    if (::stat(resolved, &status) != 0 || !S_ISDIR(status.st_mode)) {
        *error = QStringLiteral("--root %1 is not a folder").arg(shown);
        return false;
    }
    root = QByteArray(resolved);
    return true;
}

QString CommandLine::defaultRegistryFile()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/fennick/registry.db");
}

QString CommandLine::defaultVncPasswordFile()
{
    return QFileInfo(defaultRegistryFile()).path() + QStringLiteral("/vncpasswd");
}

QString CommandLine::helpText()
{
    return QStringLiteral(
        "Usage: fennick [OPTIONS] [PATH]\n"
        "A file manager for keypad devices. PATH, when given, is offered for extraction if it\n"
        "is a ZIP archive.\n"
        "\n"
        "Options:\n"
        "  --root DIR               the folder shown as \"\\\" (default /)\n"
        "  --registry FILE          the settings store (default $XDG_CONFIG_HOME/fennick/registry.db)\n"
        "  --size WxH               the screen in logical pixels (default 240x320; from 176x208\n"
        "                           up to 8192 on either side)\n"
        "  --play SCRIPT            run a keypad script headless and exit\n"
        "  --vnc PORT               serve the screen to VNC viewers on this machine only\n"
        "                           (127.0.0.1:PORT); from elsewhere, view it through an SSH\n"
        "                           tunnel: ssh -L 5900:localhost:5900 HOST\n"
        "  --vnc ADDRESS:PORT       serve it on another IP address, which needs a VNC password\n"
        "  --vnc-passwd FILE        the VNC password, a file made by vncpasswd FILE (default\n"
        "                           $XDG_CONFIG_HOME/fennick/vncpasswd, used when it exists)\n"
        "  --export-registry        print the settings store as .reg text and exit\n"
        "  --import-registry FILE   merge .reg text into the settings store and exit\n"
        "  --help, --version\n");
}
