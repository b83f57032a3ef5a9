#pragma once

#include "platform/FileSystem.h"
#include "platform/PhonePath.h"

namespace platform {

// The file-system service on Linux: phone paths under the root of a PathMapper, attributes
// from the mode, the name, the mount and the Samba-style extended attribute user.DOSATTRIB
// (see SambaDosAttrib). Symbolic links show what they point at, marked Attr::ReparsePoint; a
// link that points nowhere is an empty file.
class LinuxFileSystem : public FileSystem {
public:
    explicit LinuxFileSystem(PathMapper mapper) : m_mapper(std::move(mapper)) {}
    explicit LinuxFileSystem(const QByteArray& hostRoot) : m_mapper(hostRoot) {}

    const PathMapper& mapper() const { return m_mapper; }

    [[nodiscard]] FsError enumerate(const QString& pattern, const Visitor& visit) override;
    [[nodiscard]] FsError lookUp(const QString& path, FindData& out) override;
    [[nodiscard]] FsError setAttributes(const QString& path, quint32 attributes) override;
    [[nodiscard]] FsError copyFile(const QString& source, const QString& target, bool failIfExists,
                                   bool flush = false) override;
    [[nodiscard]] FsError deleteFile(const QString& path) override;
    [[nodiscard]] FsError createFolder(const QString& path) override;
    [[nodiscard]] FsError removeFolder(const QString& path) override;
    [[nodiscard]] FsError move(const QString& source, const QString& target) override;
    [[nodiscard]] FsError createNewFile(const QString& path) override;
    QByteArray hostPath(const QString& path) const override { return resolve(path); }

private:
    // The host path of a phone path, every existing component found without regard to case;
    // empty when the path cannot be mapped.
    QByteArray resolve(const QString& path) const;
    // The resolved host folder and name of an item below the root; false for the root itself
    // and for a path that cannot be mapped.
    bool hostParts(const QString& path, QByteArray& folder, QByteArray& name) const;

    PathMapper m_mapper;
};

}  // namespace platform
