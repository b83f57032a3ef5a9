#pragma once

#include "platform/RegistryStore.h"

#include <QString>
#include <QStringList>

// A short-lived handle on one registry key, through which every part of the program reads
// and writes the registry. Opening creates the key when it is missing. Reads that fail write
// their default back, so that after the first start every setting is visible in the store.
//
// A null QString given as a name, a default or a text counts as absent; an empty one is a
// real (empty) value.
class RegKey {
public:
    // DWORD reads with this default never write it back.
    static constexpr quint32 NoWriteBack = 0xDEF0;

    // The store every RegKey opens its keys in. Without one, keys fail to open and behave as
    // empty: reads give their defaults and writes fail.
    static void setStore(platform::RegistryStore* store);
    static platform::RegistryStore* store();

    RegKey() = default;
    RegKey(platform::Hive root, const QString& subKey);
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    // Opens or creates another key; returns 0 on success, else a non-zero status.
    int reopen(platform::Hive root, const QString& subKey);
    void close();
    bool isOpen() const { return m_open; }

    // A value of up to 4 bytes, zero-extended. A missing or longer value gives the default,
    // which is written back as a DWORD unless it is NoWriteBack.
    quint32 readDword(const QString& name, quint32 defaultValue);
    // The text up to the first NUL, whatever the stored type. A failed read with a default
    // writes the default back and returns it; without one it returns "" and writes nothing.
    QString readString(const QString& name, const QString& defaultValue = QString());

    [[nodiscard]] bool writeString(const QString& name, const QString& text);
    [[nodiscard]] bool writeDword(const QString& name, quint32 value);

    // Enumeration of value names and sub-key names in creation order, each with its own index.
    bool firstValue(QString& name);
    bool nextValue(QString& name);
    bool firstSubKey(QString& name);
    bool nextSubKey(QString& name);
    // The names of all sub-keys, in creation order.
    QStringList subKeyNames();

    bool deleteValue(const QString& name);
    // Removes one sub-key with everything beneath it; 0 on success.
    int deleteSubKey(const QString& name);

    // The raw encodings, shared with the code that writes values without a RegKey.
    static QByteArray encodeString(const QString& text);
    static QByteArray encodeDword(quint32 value);

private:
    bool valueAt(int index, QString& name);
    bool subKeyAt(int index, QString& name);

    platform::RegistryStore* m_store = nullptr;
    platform::RegistryStore::KeyId m_key = 0;
    bool m_open = false;
    int m_valueIndex = 0;
    int m_subKeyIndex = 0;
};
