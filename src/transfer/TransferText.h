#pragma once

#include <QString>

// The byte count of a transfer: "%d bytes" below 1024, "%.1f Kb" up to 1048576 bytes inclusive
// (1048576 shows as 1024.0 Kb), "%.2f Mb" above.
QString transferText(qint64 bytes);
