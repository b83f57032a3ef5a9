#include "tree/SizeText.h"

#include "resources/StringTable.h"

QString sizeText(qint64 bytes)
{
    if (bytes < 1024)
        return Str::argInt(Str::SizeBytes, bytes);
    // Single precision, as the figures were always shown; the rounding of the last digit
    // follows from it.
    if (bytes <= 1048576)
        return Str::argReal(Str::SizeKilobytes, static_cast<float>(bytes) / 1024.0f);
    return Str::argReal(Str::SizeMegabytes, static_cast<float>(bytes) / 1048576.0f);
}
