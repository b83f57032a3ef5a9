#include "app/CommandLine.h"

#include <QDir>
#include <QRegularExpression>

namespace {

bool takeValue(const QStringList& arguments, qsizetype& i, QString& value, QString* error)
{
    const QString option = arguments.at(i);
    if (i + 1 >= arguments.size()) {
        *error = QStringLiteral("%1 needs a value").arg(option);
        return false;
    }
    value = arguments.at(++i);
    return true;
}

}  // namespace

bool CommandLine::parse(const QStringList& arguments, QString* error)
{
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        QString value;
        if (argument == u"--root") {
            if (!takeValue(arguments, i, root, error))
                return false;
        } else if (argument == u"--registry") {
            if (!takeValue(arguments, i, registryFile, error))
                return false;
        } else if (argument == u"--size") {
            if (!takeValue(arguments, i, value, error))
                return false;
            static const QRegularExpression sizePattern(QStringLiteral("^(\\d{2,5})x(\\d{2,5})$"));
            const auto match = sizePattern.match(value);
            if (!match.hasMatch()) {
                *error = QStringLiteral("--size wants WIDTHxHEIGHT, such as 240x320, not '%1'").arg(value);
                return false;
            }
            screenSize = QSize(match.captured(1).toInt(), match.captured(2).toInt());
        } else if (argument == u"--play") {
            if (!takeValue(arguments, i, playScript, error))
                return false;
        } else if (argument == u"--vnc") {
            if (!takeValue(arguments, i, value, error))
                return false;
            bool ok = false;
            vncPort = value.toInt(&ok);
            if (!ok || vncPort < 1 || vncPort > 65535) {
                *error = QStringLiteral("--vnc wants a port number from 1 to 65535, not '%1'").arg(value);
                return false;
            }
        } else if (argument == u"--export-registry") {
            exportRegistry = true;
        } else if (argument == u"--import-registry") {
            if (!takeValue(arguments, i, importRegistryFile, error))
                return false;
        } else if (argument == u"--help" || argument == u"-h") {
            showHelp = true;
        } else if (argument == u"--version") {
            showVersion = true;
        } else if (argument.startsWith(u"--")) {
            *error = QStringLiteral("unknown option %1 (see --help)").arg(argument);
            return false;
        } else if (path.isEmpty()) {
            path = argument;
        } else {
            *error = QStringLiteral("only one PATH can be given (see --help)");
            return false;
        }
    }
    return true;
}

QString CommandLine::defaultRegistryFile()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/fennick/registry.db");
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
        "  --size WxH               the screen in logical pixels (default 240x320)\n"
        "  --play SCRIPT            run a keypad script headless and exit\n"
        "  --vnc PORT               serve the screen to a VNC viewer\n"
        "  --export-registry        print the settings store as .reg text and exit\n"
        "  --import-registry FILE   merge .reg text into the settings store and exit\n"
        "  --help, --version\n");
}
