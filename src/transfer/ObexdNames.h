#pragma once

#include <QString>

// The names obexd answers to on the session bus, which both sending and receiving speak.
namespace Obexd {

inline const QString Service = QStringLiteral("org.bluez.obex");
inline const QString TransferInterface = QStringLiteral("org.bluez.obex.Transfer1");
inline const QString PropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");

}  // namespace Obexd
