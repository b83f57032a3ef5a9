#include "transfer/TransferSize.h"

QString transferSizeText(qint64 bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 bytes").arg(bytes);
    // Single precision, as the figures were always computed; the last digit's rounding follows.
    if (bytes <= 1048576)
        return QStringLiteral("%1 Kb").arg(static_cast<double>(static_cast<float>(bytes) * 0.0009765625f), 0, 'f', 1);
    return QStringLiteral("%1 Mb").arg(static_cast<double>(static_cast<float>(bytes) * (1.0f / 1048576.0f)), 0, 'f', 2);
}
