#include "settings/RegKey.h"

#include <QtEndian>

using platform::Hive;
using platform::RegistryStore;
using platform::RegValue;
namespace RegType = platform::RegType;

namespace {
RegistryStore* g_store = nullptr;

enum Status : int { Success = 0, FileNotFound = 2, InvalidHandle = 6 };
}  // namespace

void RegKey::setStore(RegistryStore* store) { g_store = store; }
RegistryStore* RegKey::store() { return g_store; }

RegKey::RegKey(Hive root, const QString& subKey) { (void)reopen(root, subKey); }

int RegKey::reopen(Hive root, const QString& subKey)
{
    close();
    if (!g_store)
        return InvalidHandle;
    if (!g_store->openKey(root, subKey, /*create=*/true, m_key))
        return FileNotFound;
    m_store = g_store;
    m_open = true;
    return Success;
}

void RegKey::close()
{
    m_open = false;
    m_store = nullptr;
    m_key = 0;
    m_valueIndex = 0;
    m_subKeyIndex = 0;
}

QByteArray RegKey::encodeString(const QString& text)
{
    // Stored with the terminating NUL, as the phone's registry keeps strings.
    QByteArray data(static_cast<qsizetype>((text.size() + 1) * 2), '\0');
    for (qsizetype i = 0; i < text.size(); ++i)
        qToLittleEndian<quint16>(text.at(i).unicode(), data.data() + i * 2);
    return data;
}

QByteArray RegKey::encodeDword(quint32 value)
{
    QByteArray data(4, '\0');
    qToLittleEndian<quint32>(value, data.data());
    return data;
}

quint32 RegKey::readDword(const QString& name, quint32 defaultValue)
{
    if (name.isNull())
        return defaultValue;
    RegValue value;
    if (m_open && m_store->readValue(m_key, name, value) && value.data.size() <= 4) {
        // A shorter value is zero-extended rather than mixed with whatever the buffer held.
        quint32 result = 0;
        for (qsizetype i = value.data.size() - 1; i >= 0; --i)
            result = (result << 8) | static_cast<quint8>(value.data.at(i));
        return result;
    }
    if (defaultValue != NoWriteBack)
        (void)writeDword(name, defaultValue);
    return defaultValue;
}

QString RegKey::readString(const QString& name, const QString& defaultValue)
{
    if (name.isNull())
        return QStringLiteral("");
    RegValue value;
    if (m_open && m_store->readValue(m_key, name, value)) {
        const qsizetype characters = value.data.size() / 2;
        QString text;
        text.reserve(characters);
        for (qsizetype i = 0; i < characters; ++i) {
            const char16_t c = qFromLittleEndian<quint16>(value.data.constData() + i * 2);
            if (c == 0)
                break;
            text.append(QChar(c));
        }
        return text;
    }
    if (defaultValue.isNull())
        return QStringLiteral("");
    (void)writeString(name, defaultValue);
    return defaultValue;
}

bool RegKey::writeString(const QString& name, const QString& text)
{
    if (!m_open || name.isNull() || text.isNull())
        return false;
    return m_store->writeValue(m_key, name, RegValue{RegType::String, encodeString(text)});
}

bool RegKey::writeDword(const QString& name, quint32 value)
{
    if (!m_open || name.isNull())
        return false;
    return m_store->writeValue(m_key, name, RegValue{RegType::Dword, encodeDword(value)});
}

bool RegKey::valueAt(int index, QString& name) { return m_open && m_store->valueNameAt(m_key, index, name); }
bool RegKey::subKeyAt(int index, QString& name) { return m_open && m_store->subKeyNameAt(m_key, index, name); }

bool RegKey::firstValue(QString& name)
{
    m_valueIndex = 0;
    return valueAt(m_valueIndex, name);
}

bool RegKey::nextValue(QString& name) { return valueAt(++m_valueIndex, name); }

bool RegKey::firstSubKey(QString& name)
{
    m_subKeyIndex = 0;
    return subKeyAt(m_subKeyIndex, name);
}

bool RegKey::nextSubKey(QString& name) { return subKeyAt(++m_subKeyIndex, name); }

QStringList RegKey::subKeyNames()
{
    QStringList names;
    QString name;
    for (int index = 0; subKeyAt(index, name); ++index)
        names.append(name);
    return names;
}

bool RegKey::deleteValue(const QString& name) { return m_open && !name.isNull() && m_store->deleteValue(m_key, name); }

int RegKey::deleteSubKey(const QString& name)
{
    if (!m_open)
        return InvalidHandle;
    if (name.isNull() || !m_store->deleteSubKey(m_key, name))
        return FileNotFound;
    return Success;
}
