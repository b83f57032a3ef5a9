#include "settings/FileTypes.h"

#include "resources/StringTable.h"
#include "settings/RegKey.h"

#include <QtEndian>

namespace {

using platform::Hive;
using platform::RegistryStore;

const QString DefaultValue = QStringLiteral("");

// A string value of an existing key, read without creating the key or writing anything. A
// value of another type (a number where text belongs) reads as empty rather than as its bytes.
QString readText(const QString& keyPath, const QString& name = DefaultValue)
{
    RegistryStore* store = RegKey::store();
    RegistryStore::KeyId key = 0;
    platform::RegValue value;
    if (!store || !store->openKey(Hive::ClassesRoot, keyPath, false, key) || !store->readValue(key, name, value)
        || value.type != platform::RegType::String)
        return {};
    QString text;
    for (qsizetype i = 0; i + 1 < value.data.size(); i += 2) {
        const char16_t c = qFromLittleEndian<quint16>(value.data.constData() + i);
        if (c == 0)
            break;
        text.append(QChar(c));
    }
    return text;
}

quint32 readNumber(const QString& keyPath, const QString& name)
{
    RegistryStore* store = RegKey::store();
    RegistryStore::KeyId key = 0;
    platform::RegValue value;
    if (!store || !store->openKey(Hive::ClassesRoot, keyPath, false, key) || !store->readValue(key, name, value)
        || value.type != platform::RegType::Dword || value.data.size() != 4)
        return 0;
    return qFromLittleEndian<quint32>(value.data.constData());
}

}  // namespace

namespace FileTypes {

bool isProtected(const QString& extension)
{
    for (const char* name : {".exe", ".cab", ".hme"}) {
        if (extension.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QList<FileType> list()
{
    QList<FileType> types;
    RegistryStore* store = RegKey::store();
    RegistryStore::KeyId root = 0;
    if (!store || !store->openKey(Hive::ClassesRoot, DefaultValue, false, root))
        return types;
    QString name;
    for (int index = 0; store->subKeyNameAt(root, index, name); ++index) {
        if (!name.startsWith(u'.') || isProtected(name))
            continue;
        FileType type;
        type.extension = name;
        type.className = readText(name);
        if (!type.className.isEmpty()) {
            type.description = readText(type.className);
            type.command = readText(type.className + QStringLiteral("\\Shell\\Open\\Command"));
            type.icon = readText(type.className + QStringLiteral("\\DefaultIcon"));
            type.acceptDownload = readNumber(type.className, QStringLiteral("EditFlags")) == AcceptDownloadFlag
                                      ? QStringLiteral("1")
                                      : QStringLiteral("0");
        }
        types.append(type);
    }
    return types;
}

QString openCommand(const QString& extension)
{
    const QString className = readText(extension);
    return className.isEmpty() ? QString() : readText(className + QStringLiteral("\\Shell\\Open\\Command"));
}

QString defaultIcon(const QString& extension)
{
    const QString className = readText(extension);
    return className.isEmpty() ? QString() : readText(className + QStringLiteral("\\DefaultIcon"));
}

int check(bool hasIcon, QString& extension, const QString& command)
{
    if (!hasIcon)
        return Str::FileTypeNoIcon;
    if (!extension.startsWith(u'.') && !extension.isEmpty())
        extension.prepend(u'.');
    // A dot alone names no extension; a backslash would make the key a path of several keys.
    if (extension.size() < 2 || extension.contains(u'\\'))
        return Str::FileTypeNoExtension;
    if (isProtected(extension))
        return Str::FileTypeProtected;
    if (command.isEmpty())
        return Str::FileTypeNoCommand;
    return 0;
}

bool save(FileType& type)
{
    const QString bare = type.extension.mid(1);
    if (type.description.isEmpty())
        type.description = bare.toUpper() + QStringLiteral(" File");
    RegKey extensionKey(Hive::ClassesRoot, type.extension);
    // The class an extension already names is kept: other extensions may share it.
    type.className = readText(type.extension);
    bool written = extensionKey.isOpen();
    if (type.className.isEmpty()) {
        type.className = bare + QStringLiteral("File");
        written = extensionKey.writeString(DefaultValue, type.className) && written;
    }
    RegKey classKey(Hive::ClassesRoot, type.className);
    if (type.acceptDownload.startsWith(u'0'))
        (void)classKey.deleteValue(QStringLiteral("EditFlags"));  // absent already is fine
    else
        written = classKey.writeDword(QStringLiteral("EditFlags"), AcceptDownloadFlag) && written;
    written = classKey.writeString(DefaultValue, type.description) && written;
    written = RegKey(Hive::ClassesRoot, type.className + QStringLiteral("\\DefaultIcon"))
                  .writeString(DefaultValue, type.icon)
              && written;
    written = RegKey(Hive::ClassesRoot, type.className + QStringLiteral("\\Shell\\Open\\Command"))
                  .writeString(DefaultValue, type.command)
              && written;
    return written;
}

bool removeExtension(const QString& extension)
{
    RegistryStore* store = RegKey::store();
    RegistryStore::KeyId root = 0;
    return store && store->openKey(Hive::ClassesRoot, DefaultValue, false, root) && !extension.isEmpty()
           && store->deleteSubKey(root, extension);
}

bool removeClass(const QString& className)
{
    // An empty name would be the whole hive.
    return !className.isEmpty() && !className.contains(u'\\') && removeExtension(className);
}

void splitIcon(const QString& icon, QString& module, QString& number)
{
    const qsizetype comma = icon.indexOf(u',', 1);
    if (comma < 0) {
        module = icon;
        number.clear();
        return;
    }
    module = icon.left(comma);
    number = icon.mid(comma + 1).trimmed();
    if (number.startsWith(u'-'))
        number.remove(0, 1);
}

QString iconString(const QString& module, const QString& number) { return module + QStringLiteral(",-") + number; }

QString commandFor(const QString& program) { return u'"' + program + QStringLiteral("\" %1"); }

}  // namespace FileTypes
