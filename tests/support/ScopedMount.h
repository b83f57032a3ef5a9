#pragma once

// Mounts for tests that need a file system of their own (a small tmpfs that fills up, one
// remounted read-only); only root may mount, so a test skips when mounted() is false.

#include <QByteArray>

#include <sys/mount.h>

// A file system mounted for one test and detached again when the test ends, however it ends.
class ScopedMount {
public:
    ScopedMount(const QByteArray& target, const char* type, const char* options)
        : m_target(target), m_mounted(::mount(type, target.constData(), type, 0, options) == 0)
    {
    }
    ~ScopedMount()
    {
        if (m_mounted)
            ::umount2(m_target.constData(), MNT_DETACH);
    }
    ScopedMount(const ScopedMount&) = delete;
    ScopedMount& operator=(const ScopedMount&) = delete;
    bool mounted() const { return m_mounted; }
    bool remountReadOnly() const
    {
        return ::mount(nullptr, m_target.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    QByteArray m_target;
    bool m_mounted;
};
