#pragma once

// The real file system with faults injected where a test says: a call on a named item fails
// with a chosen error, or a copy waits at a gate until it is asked to stop. Faults that cannot
// be made for real (a listing that fails half-way down a tree, a source that cannot be
// deleted after its copy succeeded) are made here.

#include "platform/PhonePath.h"
#include "platform/linux/LinuxFileSystem.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

class FaultyFileSystem : public platform::FileSystem {
public:
    using FsError = platform::FsError;
    enum class Call { List, OpenChild, CopyFile, Delete, RemoveFolder, Sync, OpenFile };

    explicit FaultyFileSystem(const QByteArray& hostRoot) : m_real(platform::PathMapper(hostRoot)) {}

    // Called before each injectable call with the phone path it is about (for List and Sync
    // the folder's own path); an error other than None makes the call fail with it.
    std::function<FsError(Call, const QString&)> fault;
    // When set, a file copy waits here until its stop flag is raised; `copiesWaiting` counts
    // copies that reached the gate.
    std::atomic<bool> gateCopies = false;
    std::atomic<int> copiesWaiting = 0;
    // When set, a file opened for reading gives its first piece and then waits before the next
    // until `releaseReads` is set; `readsWaiting` counts reads that reached the gate.
    std::atomic<bool> gateReads = false;
    std::atomic<bool> releaseReads = false;
    std::atomic<int> readsWaiting = 0;

    FsError enumerate(const QString& pattern, const Visitor& visit) override
    {
        return m_real.enumerate(pattern, visit);
    }
    FsError lookUp(const QString& path, platform::FindData& out) override { return m_real.lookUp(path, out); }
    FsError setAttributes(const QString& path, quint32 attributes) override
    {
        return m_real.setAttributes(path, attributes);
    }
    FsError changeAttributes(const QString& path, quint32 mask, quint32 attributes) override
    {
        return m_real.changeAttributes(path, mask, attributes);
    }
    FsError deleteFile(const QString& path) override { return m_real.deleteFile(path); }
    FsError createFolder(const QString& path) override { return m_real.createFolder(path); }
    FsError removeFolder(const QString& path) override { return m_real.removeFolder(path); }
    FsError move(const QString& source, const QString& target) override { return m_real.move(source, target); }
    FsError createNewFile(const QString& path) override { return m_real.createNewFile(path); }
    QByteArray hostPath(const QString& path) const override { return m_real.hostPath(path); }

    FsError openFolder(const QString& path, platform::OpenFolder& out) override { return m_real.openFolder(path, out); }
    FsError openChild(const platform::OpenFolder& parent, const QString& name, platform::OpenFolder& out) override
    {
        if (const FsError error = injected(Call::OpenChild, join(parent, name)); error != FsError::None)
            return error;
        return m_real.openChild(parent, name, out);
    }
    FsError list(const platform::OpenFolder& folder, bool withSizes, const EntryVisitor& visit) override
    {
        if (const FsError error = injected(Call::List, folder.path()); error != FsError::None)
            return error;
        return m_real.list(folder, withSizes, visit);
    }
    // A name search of a folder. With `gateSearch`, the search holds after its first find until
    // its stop flag is raised; `searchesWaiting` counts searches that reached the gate.
    std::atomic<bool> gateSearch = false;
    std::atomic<int> searchesWaiting = 0;
    FsError searchFolder(const platform::OpenFolder& folder, const platform::NamePattern& pattern,
                         const std::atomic<bool>& stop, const Visitor& matched,
                         const SubfolderVisitor& subfolder) override
    {
        if (const FsError error = injected(Call::List, folder.path()); error != FsError::None)
            return error;
        bool held = false;
        return m_real.searchFolder(
            folder, pattern, stop,
            [&](const platform::FindData& entry) {
                const bool goOn = matched(entry);
                if (gateSearch && !held) {
                    held = true;
                    ++searchesWaiting;
                    searchesWaiting.notify_all();
                    stop.wait(false);  // until the stop flag is raised, and told so
                }
                return goOn;
            },
            subfolder);
    }
    FsError identityOf(const platform::OpenFolder& folder, platform::FileId& out) override
    {
        return m_real.identityOf(folder, out);
    }
    FsError entryAt(const platform::OpenFolder& folder, const QString& name, platform::DirEntry& out,
                    platform::FileId* id = nullptr) override
    {
        return m_real.entryAt(folder, name, out, id);
    }
    FsError identityChain(const platform::OpenFolder& folder, std::vector<platform::FileId>& out) override
    {
        return m_real.identityChain(folder, out);
    }
    FsError createFolderAt(const platform::OpenFolder& parent, const QString& name) override
    {
        return m_real.createFolderAt(parent, name);
    }
    FsError copyFileAt(const platform::OpenFolder& from, const QString& name, const platform::OpenFolder& to,
                       const QString& targetName, bool replace, const platform::CopyControl& control) override
    {
        if (const FsError error = injected(Call::CopyFile, join(from, name)); error != FsError::None)
            return error;
        if (gateCopies) {
            ++copiesWaiting;
            // Bounded, so that a broken test cannot hang the run for ever.
            for (int i = 0; i < 60000 && !(control.stop && control.stop->load()); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            if (control.stop && control.stop->load())
                return FsError::Cancelled;
        }
        return m_real.copyFileAt(from, name, to, targetName, replace, control);
    }
    FsError copyLinkAt(const platform::OpenFolder& from, const QString& name, const platform::OpenFolder& to,
                       const QString& targetName, bool replace) override
    {
        return m_real.copyLinkAt(from, name, to, targetName, replace);
    }
    FsError deleteAt(const platform::OpenFolder& folder, const QString& name) override
    {
        if (const FsError error = injected(Call::Delete, join(folder, name)); error != FsError::None)
            return error;
        return m_real.deleteAt(folder, name);
    }
    FsError removeFolderAt(const platform::OpenFolder& folder, const QString& name) override
    {
        if (const FsError error = injected(Call::RemoveFolder, join(folder, name)); error != FsError::None)
            return error;
        return m_real.removeFolderAt(folder, name);
    }
    FsError syncAt(const platform::OpenFolder& folder) override
    {
        if (const FsError error = injected(Call::Sync, folder.path()); error != FsError::None)
            return error;
        return m_real.syncAt(folder);
    }

    FsError createFileAt(const platform::OpenFolder& folder, const QString& name,
                         std::unique_ptr<platform::NewFile>& out) override
    {
        return m_real.createFileAt(folder, name, out);
    }

    FsError openFileAt(const platform::OpenFolder& folder, const QString& name,
                       std::unique_ptr<platform::ReadFile>& out) override
    {
        if (const FsError error = injected(Call::OpenFile, join(folder, name)); error != FsError::None)
            return error;
        const FsError error = m_real.openFileAt(folder, name, out);
        if (error == FsError::None && gateReads)
            out = std::make_unique<GatedReadFile>(*this, std::move(out));
        return error;
    }
    FsError linkTextAt(const platform::OpenFolder& folder, const QString& name, QByteArray& out) override
    {
        return m_real.linkTextAt(folder, name, out);
    }

private:
    class GatedReadFile : public platform::ReadFile {
    public:
        GatedReadFile(FaultyFileSystem& owner, std::unique_ptr<platform::ReadFile> real)
            : m_owner(owner), m_real(std::move(real))
        {
        }
        qint64 read(char* data, qint64 size) override
        {
            if (m_reads++ > 0) {
                ++m_owner.readsWaiting;
                // Bounded, so that a broken test cannot hang the run for ever.
                for (int i = 0; i < 60000 && !m_owner.releaseReads; ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            return m_real->read(data, size);
        }
        qint64 size() const override { return m_real->size(); }
        qint64 birthTime() const override { return m_real->birthTime(); }

    private:
        FaultyFileSystem& m_owner;
        std::unique_ptr<platform::ReadFile> m_real;
        int m_reads = 0;
    };

    static QString join(const platform::OpenFolder& folder, const QString& name)
    {
        return platform::PhonePath::join(folder.path(), name);
    }
    FsError injected(Call call, const QString& path) { return fault ? fault(call, path) : FsError::None; }

    platform::LinuxFileSystem m_real;
};
