#pragma once

// A registry store of the test's own, in a temporary folder, that every RegKey opens its keys
// in while the test runs; with the raw values as the store holds them, to check what was
// written back and to plant values that no RegKey would write.

#include "platform/RegistryStore.h"
#include "settings/RegKey.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

class TemporaryRegistry {
public:
    TemporaryRegistry()
    {
        EXPECT_TRUE(m_folder.isValid());
        QString error;
        m_store = platform::RegistryStore::open(m_folder.filePath(QStringLiteral("registry.db")), &error);
        EXPECT_TRUE(m_store) << error.toStdString();
        RegKey::setStore(m_store.get());
    }
    ~TemporaryRegistry() { RegKey::setStore(nullptr); }
    TemporaryRegistry(const TemporaryRegistry&) = delete;
    TemporaryRegistry& operator=(const TemporaryRegistry&) = delete;

    bool isOpen() const { return m_store != nullptr; }

    // The raw value under HKEY_CURRENT_USER, or a value of type 0 when there is none.
    platform::RegValue raw(const QString& keyPath, const QString& name)
    {
        platform::RegistryStore::KeyId key = 0;
        platform::RegValue value;
        if (m_store->openKey(platform::Hive::CurrentUser, keyPath, false, key))
            (void)m_store->readValue(key, name, value);
        return value;
    }
    void putRaw(const QString& keyPath, const QString& name, const platform::RegValue& value)
    {
        platform::RegistryStore::KeyId key = 0;
        ASSERT_TRUE(m_store->openKey(platform::Hive::CurrentUser, keyPath, true, key));
        ASSERT_TRUE(m_store->writeValue(key, name, value));
    }

private:
    QTemporaryDir m_folder;
    std::unique_ptr<platform::RegistryStore> m_store;
};
