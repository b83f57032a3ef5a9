#include "app/CommandLine.h"
#include "app/RegKey.h"
#include "app/Settings.h"
#include "platform/RegText.h"
#include "platform/RegistryStore.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {

void printTo(FILE* stream, const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stream);
}

int exportRegistry(platform::RegistryStore& store)
{
    printTo(stdout, store.exportText());
    return 0;
}

int importRegistry(platform::RegistryStore& store, const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        printTo(stderr, QStringLiteral("fennick: cannot read %1: %2\n").arg(fileName, file.errorString()));
        return 1;
    }
    QString error;
    if (!store.importText(platform::RegText::decodeRegFile(file.readAll()), &error)) {
        printTo(stderr, QStringLiteral("fennick: %1: %2; nothing was imported\n").arg(fileName, error));
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    CommandLine options;
    QString error;
    if (!options.parse(application.arguments().mid(1), &error)) {
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

    const QString registryFile =
        options.registryFile.isEmpty() ? CommandLine::defaultRegistryFile() : options.registryFile;
    std::unique_ptr<platform::RegistryStore> store = platform::RegistryStore::open(registryFile, &error);
    if (!store) {
        // Said once; Fennick goes on with its defaults and leaves the file as it is.
        printTo(stderr, QStringLiteral("fennick: cannot use the settings store %1 (%2); "
                                       "going on with the defaults\n").arg(registryFile, error));
        if (options.exportRegistry || !options.importRegistryFile.isEmpty())
            return 1;
    }
    if (options.exportRegistry)
        return exportRegistry(*store);
    if (!options.importRegistryFile.isEmpty())
        return importRegistry(*store, options.importRegistryFile);

    RegKey::setStore(store.get());
    Settings settings;
    settings.load();
    settings.save();
    RegKey::setStore(nullptr);
    return 0;
}
