#include "resources/SizeText.h"

#include "resources/StringTable.h"
#include "resources/UnnumberedTexts.h"

#include <QLocale>

namespace {

struct Limits {
    qint64 lastInBytes;               // the largest size still shown in bytes
    int bytes, kilobytes, megabytes;  // the texts, by their numbers
};

QString phoneText(qint64 bytes, const Limits& limits)
{
    if (bytes <= limits.lastInBytes)
        return Str::argInt(limits.bytes, bytes);
    // Multiplying by a power of two in single precision is exact where dividing is, so both
    // ways the figures were ever computed give the same digits.
    if (bytes <= 1048576)
        return Str::argReal(limits.kilobytes, static_cast<double>(static_cast<float>(bytes) / 1024.0f));
    return Str::argReal(limits.megabytes, static_cast<double>(static_cast<float>(bytes) / 1048576.0f));
}

QString transferText(qint64 bytes)
{
    if (bytes < 1024)
        return Txt::text(Txt::TransferBytes).arg(bytes);
    if (bytes <= 1048576)
        return Txt::text(Txt::TransferKilobytes)
            .arg(static_cast<double>(static_cast<float>(bytes) / 1024.0f), 0, 'f', 1);
    return Txt::text(Txt::TransferMegabytes)
        .arg(static_cast<double>(static_cast<float>(bytes) / 1048576.0f), 0, 'f', 2);
}

}  // namespace

QString sizeText(qint64 bytes, SizeUnits units)
{
    switch (units) {
    case SizeUnits::Band: return phoneText(bytes, {1023, Str::SizeBytes, Str::SizeKilobytes, Str::SizeMegabytes});
    case SizeUnits::File: return phoneText(bytes, {1023, Str::FileSizeBytes, Str::SizeKilobytes, Str::SizeMegabytes});
    case SizeUnits::ZipProgress:
        return phoneText(bytes, {1024, Str::SizeBytes, Str::SizeKilobytes, Str::SizeMegabytes});
    case SizeUnits::Transfer: return transferText(bytes);
    case SizeUnits::Progress: return QLocale().formattedDataSize(bytes, 2, QLocale::DataSizeTraditionalFormat);
    }
    return QString::number(bytes);
}
