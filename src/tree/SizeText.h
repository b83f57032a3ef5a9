#pragma once

#include <QString>

// The size text of both bands: "%d B" below 1024, "%.1f KB" up to 1048576 bytes inclusive
// (so 1048576 shows as 1024.0 KB), "%.2f MB" above. Sizes are 64-bit: nothing wraps at 4 GiB.
QString sizeText(qint64 bytes);
