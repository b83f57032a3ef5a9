// Feeds arbitrary bytes to the reader of shortcut files, which come from anywhere on disk.
// What it accepts must encode back to the same text.
#include "fileops/ShortcutFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QString target;
    if (ShortcutFile::decode(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), target)) {
        QString again;
        if (!ShortcutFile::decode(ShortcutFile::encode(target), again) || again != target)
            std::abort();
    }
    return 0;
}
