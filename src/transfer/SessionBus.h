#pragma once

// Whether this session has a D-Bus session bus to use: one named by DBUS_SESSION_BUS_ADDRESS,
// or the socket in $XDG_RUNTIME_DIR. With neither, the D-Bus library would start a bus of its
// own on the X display, which nobody else would ever see.
namespace SessionBus {

bool named();

}  // namespace SessionBus
