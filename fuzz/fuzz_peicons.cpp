// Feeds arbitrary bytes to the reader of icon resources in Windows programs, which come from any
// file the user picks as an icon source. Every icon file it puts together must hold the images
// its own header promises.
#include "filetypes/PeIcons.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    PeIcons pe;
    if (!pe.read(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))))
        return 0;
    int previous = 0;
    for (const int id : pe.groupIconIds()) {
        if (id <= previous || id > 65534)
            std::abort();
        previous = id;
        const QByteArray ico = pe.iconFile(id);
        if (ico.isEmpty())
            continue;
        const auto byte = [&](qsizetype at) { return static_cast<quint32>(static_cast<unsigned char>(ico[at])); };
        const quint32 count = byte(4) | byte(5) << 8;
        if (count == 0 || ico.size() < 6 + 16 * static_cast<qsizetype>(count))
            std::abort();
        for (quint32 i = 0; i < count; ++i) {
            const qsizetype entry = 6 + 16 * static_cast<qsizetype>(i);
            const quint32 length = byte(entry + 8) | byte(entry + 9) << 8 | byte(entry + 10) << 16
                                   | byte(entry + 11) << 24;
            const quint32 offset = byte(entry + 12) | byte(entry + 13) << 8 | byte(entry + 14) << 16
                                   | byte(entry + 15) << 24;
            if (static_cast<quint64>(offset) + length > static_cast<quint64>(ico.size()))
                std::abort();
        }
    }
    return 0;
}
