#include "transfer/TransferText.h"

QString transferText(qint64 bytes)
{
    if (bytes < 1024)
        return QStringLiteral("%1 bytes").arg(bytes);
    if (bytes <= 1048576)
        return QString::asprintf("%.1f Kb", static_cast<double>(static_cast<float>(bytes) * (1.0f / 1024.0f)));
    return QString::asprintf("%.2f Mb", static_cast<double>(static_cast<float>(bytes) * (1.0f / 1048576.0f)));
}
