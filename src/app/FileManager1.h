#pragma once

#include "platform/PhonePath.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

class FileManager1Adaptor;

// org.freedesktop.FileManager1 on the session bus, through which other programs ask for a file
// to be shown ("Show in folder"): ShowItems reveals an item, ShowFolders opens a folder,
// ShowItemProperties opens Properties. The name is asked for only when nobody owns it, and
// left to a file manager that asks for it after us. Only file:// URIs under the root are
// taken; any other makes the whole call fail with a D-Bus error, and nothing happens. The
// requests come out as a signal on the user-interface thread; nothing here waits for the bus.
class FileManager1 : public QObject {
    Q_OBJECT
public:
    enum class Request { ShowItems, ShowFolders, ShowItemProperties };

    explicit FileManager1(platform::PathMapper mapper, QObject* parent = nullptr);
    ~FileManager1() override;

    // Offers the service; without a session bus, or with the name owned, nothing happens.
    void offer();
    // True while the bus has not answered whether the name is ours.
    bool asking() const { return m_asking; }
    // True once the name is ours.
    bool owned() const { return m_owned; }

    // The phone path of a "file://" URI (percent-encoded bytes) under the root; empty for
    // anything else. Pure.
    static QString phonePathOf(const QString& uri, const platform::PathMapper& mapper);

signals:
    // Another program asked to show `phonePath`.
    void requested(FileManager1::Request request, const QString& phonePath);

private:
    friend class FileManager1Adaptor;
    // What a call asks for: the error to answer with, or empty when the request went out.
    QString take(Request request, const QStringList& uris);

    platform::PathMapper m_mapper;
    std::unique_ptr<FileManager1Adaptor> m_adaptor;
    bool m_asking = false;
    bool m_owned = false;
};
