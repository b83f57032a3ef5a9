#pragma once

#include <QList>
#include <QString>

// The devices files can be sent to: the subkeys of SettingsSchema::ObexPeers, each with a
// "Name", an "Address" ("host:port" of an OBEX-over-TCP receiver) and a "Transport"
// ("Bluetooth" or "IrDA", which only names how the device is shown). A peer without a name or
// an address is left out.
namespace ObexPeers {

struct Peer {
    QString name;
    QString address;
    bool bluetooth = false;
    // "NAME via infrared" or "NAME by bluetooth".
    QString label() const;
};

QList<Peer> list();

// True when something answers at the peer's address within `timeoutMs`: the peer "arrives".
bool answers(const QString& address, int timeoutMs);

}  // namespace ObexPeers
