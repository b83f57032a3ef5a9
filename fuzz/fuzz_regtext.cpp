// Feeds arbitrary bytes to the ".reg" reader. Whatever parses must write back to text that
// parses again to the same operations.
#include "platform/RegText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace platform;
    const QString text = RegText::decodeRegFile(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    const RegText::ParseResult parsed = RegText::parse(text);
    if (!parsed.ok)
        return 0;
    QList<RegText::Key> keys;
    for (const RegText::Operation& operation : parsed.operations) {
        if (operation.kind != RegText::Operation::SetValue)
            continue;
        keys.append({operation.hive, operation.keyPath, {{operation.valueName, operation.value}}});
    }
    const RegText::ParseResult again = RegText::parse(RegText::write(keys));
    if (!again.ok)
        std::abort();
    qsizetype index = 0;
    for (const RegText::Operation& operation : again.operations) {
        if (operation.kind != RegText::Operation::SetValue)
            continue;
        const RegValue& original = keys.at(index++).values.first().second;
        if (operation.value.type != original.type || operation.value.data != original.data)
            std::abort();
    }
    if (index != keys.size())
        std::abort();
    return 0;
}
