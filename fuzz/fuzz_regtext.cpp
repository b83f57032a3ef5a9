// Feeds arbitrary bytes to the ".reg" reader. Bytes that are not text are refused with a line
// of the file. Whatever parses must write back to a UTF-8 file that reads again to the same
// keys, names and bytes; the writer may refuse only a name that no ".reg" line can carry.
#include "platform/RegText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace platform;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const RegText::DecodeResult decoded = RegText::decodeRegFile(bytes);
    if (!decoded.ok) {
        // Refused bytes are named by a line that the file has.
        if (decoded.errorLine < 1 || decoded.errorLine > bytes.count('\n') + 1
            || !decoded.error.startsWith(QStringLiteral("line %1: ").arg(decoded.errorLine)))
            std::abort();
        return 0;
    }
    const QString& text = decoded.text;
    const RegText::ParseResult parsed = RegText::parse(text);
    if (!parsed.ok) {
        if (parsed.errorLine < 1 || parsed.errorLine > text.count(u'\n') + 1 || !parsed.operations.isEmpty()
            || !parsed.error.startsWith(QStringLiteral("line %1: ").arg(parsed.errorLine)))
            std::abort();
        return 0;
    }
    QList<RegText::Key> keys;
    bool writable = true;
    for (const RegText::Operation& operation : parsed.operations) {
        if (operation.kind != RegText::Operation::SetValue)
            continue;
        writable = writable && RegText::isWritableName(operation.keyPath)
                   && RegText::isWritableName(operation.valueName);
        keys.append({operation.hive, operation.keyPath, {{operation.valueName, operation.value}}});
    }
    QString written;
    QString error;
    if (!RegText::write(keys, written, &error)) {
        if (writable || error.isEmpty())
            std::abort();
        return 0;
    }
    if (!writable)
        std::abort();
    // Through the bytes of a file, as an export and a later import would go.
    const RegText::DecodeResult writtenText = RegText::decodeRegFile(written.toUtf8());
    if (!writtenText.ok || writtenText.text != written)
        std::abort();
    const RegText::ParseResult again = RegText::parse(writtenText.text);
    if (!again.ok)
        std::abort();
    qsizetype index = 0;
    for (const RegText::Operation& operation : again.operations) {
        if (operation.kind == RegText::Operation::CreateKey)
            continue;
        if (operation.kind != RegText::Operation::SetValue || index >= keys.size())
            std::abort();
        const RegText::Key& key = keys.at(index++);
        const auto& [name, value] = key.values.first();
        if (operation.hive != key.hive || operation.keyPath != key.path || operation.valueName != name
            || operation.value.type != value.type || operation.value.data != value.data)
            std::abort();
    }
    if (index != keys.size())
        std::abort();
    return 0;
}
