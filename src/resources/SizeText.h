#pragma once

#include <QString>

// Every size a screen shows, in the set of units that screen has always used. All of them take
// 64-bit sizes, so nothing wraps at 4 GiB; the phone's sets divide in single precision, so the
// last digit rounds as it always did on those screens.
enum class SizeUnits {
    // The bands and the status line: "%d B" below 1024, "%.1f KB" up to 1048576 inclusive (so
    // 1048576 shows as 1024.0 KB), "%.2f MB" above.
    Band,
    // A file on the properties page: as Band, with "%d bytes" below 1024.
    File,
    // The zip progress page: as Band, but 1024 bytes still show as "1024 B" (1025 is 1.0 KB).
    ZipProgress,
    // The sending and receiving pages: "%d bytes", "%.1f Kb", "%.2f Mb", as File.
    Transfer,
    // The copy, delete and crypt progress pages, which count in every unit up to terabytes:
    // the traditional form of the default locale ("1023 bytes", "1.50 kB", "2.00 GB").
    Progress,
};

QString sizeText(qint64 bytes, SizeUnits units = SizeUnits::Band);
