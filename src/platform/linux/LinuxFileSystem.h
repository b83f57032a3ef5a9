#pragma once

#include "platform/FileSystem.h"
#include "platform/PhonePath.h"

namespace platform {

// The file-system service on Linux: phone paths under the root of a PathMapper, attributes
// from the mode, the name, the mount and the Samba-style extended attribute user.DOSATTRIB
// (see SambaDosAttrib). Symbolic links show what they point at, marked Attr::ReparsePoint; a
// link that points nowhere is an empty item with the system bit. Walks work relative to open
// folder descriptors (openat and friends).
class LinuxFileSystem : public FileSystem {
public:
    explicit LinuxFileSystem(PathMapper mapper) : m_mapper(std::move(mapper)) { allowManyOpenFolders(); }
    explicit LinuxFileSystem(const QByteArray& hostRoot) : m_mapper(hostRoot) { allowManyOpenFolders(); }

    const PathMapper& mapper() const { return m_mapper; }

    [[nodiscard]] FsError enumerate(const QString& pattern, const Visitor& visit) override;
    [[nodiscard]] FsError listForDisplay(const QString& folderPath, const Visitor& visit) override;
    [[nodiscard]] FsError lookUp(const QString& path, FindData& out) override;
    [[nodiscard]] FsError setAttributes(const QString& path, quint32 attributes) override;
    [[nodiscard]] FsError changeAttributes(const QString& path, quint32 mask, quint32 attributes) override;
    [[nodiscard]] FsError deleteFile(const QString& path) override;
    [[nodiscard]] FsError createFolder(const QString& path) override;
    [[nodiscard]] FsError removeFolder(const QString& path) override;
    [[nodiscard]] FsError move(const QString& source, const QString& target) override;
    [[nodiscard]] FsError createNewFile(const QString& path) override;
    QByteArray hostPath(const QString& path) const override { return resolve(path); }

    [[nodiscard]] FsError openFolder(const QString& path, OpenFolder& out) override;
    [[nodiscard]] FsError openChild(const OpenFolder& parent, const QString& name, OpenFolder& out) override;
    [[nodiscard]] FsError list(const OpenFolder& folder, bool withSizes, const EntryVisitor& visit) override;
    [[nodiscard]] FsError searchFolder(const OpenFolder& folder, const NamePattern& pattern,
                                       const std::atomic<bool>& stop, const Visitor& matched,
                                       const SubfolderVisitor& subfolder) override;
    [[nodiscard]] FsError identityOf(const OpenFolder& folder, FileId& out) override;
    [[nodiscard]] FsError entryAt(const OpenFolder& folder, const QString& name, DirEntry& out,
                                  FileId* id = nullptr) override;
    [[nodiscard]] FsError identityChain(const OpenFolder& folder, std::vector<FileId>& out) override;
    [[nodiscard]] FsError createFolderAt(const OpenFolder& parent, const QString& name) override;
    [[nodiscard]] FsError copyFileAt(const OpenFolder& from, const QString& name, const OpenFolder& to,
                                     const QString& targetName, bool replace, const CopyControl& control) override;
    [[nodiscard]] FsError copyLinkAt(const OpenFolder& from, const QString& name, const OpenFolder& to,
                                     const QString& targetName, bool replace) override;
    [[nodiscard]] FsError deleteAt(const OpenFolder& folder, const QString& name) override;
    [[nodiscard]] FsError removeFolderAt(const OpenFolder& folder, const QString& name) override;
    [[nodiscard]] FsError syncAt(const OpenFolder& folder) override;
    [[nodiscard]] FsError createFileAt(const OpenFolder& folder, const QString& name,
                                       std::unique_ptr<NewFile>& out) override;
    [[nodiscard]] FsError openFileAt(const OpenFolder& folder, const QString& name,
                                     std::unique_ptr<ReadFile>& out) override;
    [[nodiscard]] FsError linkTextAt(const OpenFolder& folder, const QString& name, QByteArray& out) override;

    // The marker in the names of the temporary files of a file system that cannot make
    // anonymous ones; such a file left by a program that no longer runs is removed the next
    // time a copy writes into its folder.
    static constexpr const char* TemporaryMarker = ".fennick-";

private:
    // A walk keeps one folder open per level on each side: a deep tree needs more descriptors
    // than the usual soft limit of 1024, so it is raised to the hard limit, once.
    static void allowManyOpenFolders();
    // The host path of a phone path, every existing component found without regard to case;
    // empty when the path cannot be mapped.
    QByteArray resolve(const QString& path) const;
    // The resolved host folder and name of an item below the root; false for the root itself
    // and for a path that cannot be mapped.
    bool hostParts(const QString& path, QByteArray& folder, QByteArray& name) const;

    PathMapper m_mapper;
};

}  // namespace platform
