#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>

// The paired devices that BlueZ knows and that take pushed files (Object Push among their
// services), asked of org.bluez's object manager on the system bus without waiting. Where there
// is no system bus or no BlueZ, the answer is an empty list, and nothing is shown to the user.
// User-interface thread only; no widget.
class BluezDevices : public QObject {
    Q_OBJECT
public:
    struct Device {
        QString alias;    // the name BlueZ shows for it
        QString address;  // "AA:BB:CC:DD:EE:FF", what obexd connects to
        friend bool operator==(const Device&, const Device&) = default;
    };

    // The service class of OBEX Object Push.
    static constexpr char ObjectPushUuid[] = "00001105-0000-1000-8000-00805f9b34fb";

    explicit BluezDevices(QObject* parent = nullptr);

    // Asks BlueZ; `listed` follows with the answer, once for each question.
    void ask();
    // True while a question has no answer yet.
    bool asking() const { return m_asking > 0; }

    // The devices among the org.bluez.Device1 properties of BlueZ's objects: paired, with the
    // Object Push service, and with an address; in the order given. Pure.
    static QList<Device> pushTargets(const QList<QVariantMap>& deviceProperties);

signals:
    void listed(const QList<BluezDevices::Device>& devices);

private:
    int m_asking = 0;
};
