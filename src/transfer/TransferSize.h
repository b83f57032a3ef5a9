#pragma once

#include <QString>

// The byte count of a transfer as its page shows it: "%d bytes" below 1024, "%.1f Kb" up to
// 1048576 inclusive (so 1048576 shows as 1024.0 Kb), "%.2f Mb" above. 64-bit: nothing wraps.
QString transferSizeText(qint64 bytes);
