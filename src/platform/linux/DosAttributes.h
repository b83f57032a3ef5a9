#pragma once

#include "platform/linux/HostFiles.h"

#include <QByteArray>

#include <optional>

// The DOS attributes of host items, kept as Samba keeps them: in the extended attribute
// user.DOSATTRIB (see SambaDosAttrib).
namespace platform::host {

inline constexpr const char* DosAttributeName = "user.DOSATTRIB";

inline constexpr quint32 DosBits = Attr::Hidden | Attr::System | Attr::Archive;

// Samba's records take about 60 bytes; a longer value is read in a second call.
inline constexpr size_t DosValueBuffer = 128;

// The DOS attribute bits of `name` in the folder; 0 when it has none.
quint32 readDosAttributes(int dirFd, const char* name, bool onFolderDevice, FolderContext& folder);

// The whole value of user.DOSATTRIB of a host path; nothing when it has none, with errno set.
std::optional<QByteArray> readDosValue(const QByteArray& hostPath);

}  // namespace platform::host
