#pragma once

#include <QByteArray>

// What the desktop would open a file with, from the freedesktop MIME database: the file's type
// (by name and content), then the applications named for that type or a type it derives from
// in the mimeapps.list files and the applications' mimeinfo.cache, in the XDG folders.
namespace DesktopApps {

// True when some installed application that can start on this machine is named to open the
// file at the host path.
bool hasDefaultFor(const QByteArray& hostPath);

}  // namespace DesktopApps
