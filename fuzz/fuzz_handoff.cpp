// Feeds arbitrary bytes and byte counts to the reader of the hand-off file, which another
// process writes. Whatever it returns must be exactly the announced characters.
#include "app/HandOff.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 4)
        return 0;
    qint32 announced = 0;
    std::memcpy(&announced, data, 4);
    const QByteArray bytes(reinterpret_cast<const char*>(data + 4), static_cast<qsizetype>(size - 4));
    const QString path = HandOff::decode(bytes, announced);
    if (!path.isNull() && (path.size() != announced / 2 || HandOff::encode(path) != bytes.left(path.size() * 2)))
        std::abort();
    return 0;
}
