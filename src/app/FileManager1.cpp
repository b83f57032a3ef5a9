#include "app/FileManager1.h"

#include "transfer/SessionBus.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace {

const QString Name = QStringLiteral("org.freedesktop.FileManager1");
const QString ObjectPath = QStringLiteral("/org/freedesktop/FileManager1");

}  // namespace

// The object on the bus, which answers a call it refuses with an error.
class FileManager1Adaptor : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")
public:
    explicit FileManager1Adaptor(FileManager1& owner) : m_owner(owner) {}

public slots:
    Q_SCRIPTABLE void ShowFolders(const QStringList& uris, const QString&)
    {
        answer(m_owner.take(FileManager1::Request::ShowFolders, uris));
    }
    Q_SCRIPTABLE void ShowItems(const QStringList& uris, const QString&)
    {
        answer(m_owner.take(FileManager1::Request::ShowItems, uris));
    }
    Q_SCRIPTABLE void ShowItemProperties(const QStringList& uris, const QString&)
    {
        answer(m_owner.take(FileManager1::Request::ShowItemProperties, uris));
    }

private:
    void answer(const QString& failure)
    {
        if (!failure.isEmpty())
            sendErrorReply(QDBusError::InvalidArgs, failure);
    }

    FileManager1& m_owner;
};

FileManager1::FileManager1(platform::PathMapper mapper, QObject* parent)
    : QObject(parent), m_mapper(std::move(mapper)), m_adaptor(std::make_unique<FileManager1Adaptor>(*this))
{
}

FileManager1::~FileManager1()
{
    if (!m_owned)
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(ObjectPath);
    bus.send(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                            QStringLiteral("/org/freedesktop/DBus"),
                                            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("ReleaseName"))
             << Name);
}

void FileManager1::offer()
{
    if (!SessionBus::named())
        return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.registerObject(ObjectPath, m_adaptor.get(), QDBusConnection::ExportScriptableSlots))
        return;
    // Never queued for the name and never taking it: another file manager that runs keeps it,
    // and one that asks for it later, with replacement, gets it.
    constexpr uint AllowReplacement = 0x1;
    constexpr uint DoNotQueue = 0x4;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("RequestName"));
    call << Name << (AllowReplacement | DoNotQueue);
    m_asking = true;
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* answered) {
        answered->deleteLater();
        m_asking = false;
        const QDBusPendingReply<uint> reply = *answered;
        constexpr uint PrimaryOwner = 1;
        m_owned = reply.isValid() && reply.value() == PrimaryOwner;
        if (!m_owned)
            QDBusConnection::sessionBus().unregisterObject(ObjectPath);
    });
}

QString FileManager1::take(Request request, const QStringList& uris)
{
    // Every URI is checked before anything is shown: a call with one wrong URI changes nothing.
    QStringList paths;
    for (const QString& uri : uris) {
        const QString path = phonePathOf(uri, m_mapper);
        if (path.isEmpty())
            return QStringLiteral("Fennick shows only file:// URIs under its root folder: %1").arg(uri);
        paths << path;
    }
    if (paths.isEmpty())
        return QStringLiteral("No URI to show");
    // One tree, one current item: the first is shown.
    emit requested(request, paths.first());
    return QString();
}

QString FileManager1::phonePathOf(const QString& uri, const platform::PathMapper& mapper)
{
    // "file://" then an empty host or "localhost", then the path; a URI names bytes, escaped.
    static const QString scheme = QStringLiteral("file://");
    if (!uri.startsWith(scheme, Qt::CaseInsensitive))
        return QString();
    QString rest = uri.mid(scheme.size());
    if (rest.startsWith(QLatin1String("localhost/"), Qt::CaseInsensitive))
        rest = rest.mid(9);
    if (!rest.startsWith(u'/') || rest.contains(u'?') || rest.contains(u'#'))
        return QString();
    QByteArray host = QByteArray::fromPercentEncoding(rest.toUtf8());
    if (host.contains('\0'))
        return QString();
    while (host.size() > 1 && host.endsWith('/'))
        host.chop(1);
    return mapper.fromHost(host);
}

#include "FileManager1.moc"
