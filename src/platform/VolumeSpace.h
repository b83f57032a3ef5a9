#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace platform {

// The size and the space still available to the user of the volume that holds a host path,
// in bytes; false when the volume cannot be asked.
[[nodiscard]] bool volumeSpace(const QByteArray& hostPath, qint64& total, qint64& available);

}  // namespace platform
