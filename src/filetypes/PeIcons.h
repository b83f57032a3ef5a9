#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>

// The group-icon resources of a Windows program or library (a PE ".exe" or ".dll"), read from
// its bytes without running or mapping anything: the resource directory is walked once, so a
// module's icons are found without probing every possible number. Every offset and count read
// from the file is checked against the bytes that are there before it is used.
class PeIcons {
public:
    // Reads the module's resource directory. False when the bytes are not a PE file or have no
    // resource directory that can be read; the module then offers no icons.
    [[nodiscard]] bool read(const QByteArray& bytes);

    // The numbers of the module's group icons, ascending, each once.
    QList<int> groupIconIds() const;

    // The group icon of a number as the bytes of an ".ico" file (its images taken from the
    // module's single icons); empty when the group or one of its images is missing or damaged.
    QByteArray iconFile(int groupId) const;

private:
    struct Span {
        quint32 offset = 0;
        quint32 size = 0;
    };

    bool rvaToOffset(quint32 rva, quint32 size, quint32& offset) const;
    void readType(quint32 directoryOffset, QHash<int, Span>& into) const;

    QByteArray m_bytes;
    struct Section {
        quint32 virtualAddress = 0;
        quint32 virtualSize = 0;
        quint32 rawOffset = 0;
        quint32 rawSize = 0;
    };
    QList<Section> m_sections;
    quint32 m_resourceOffset = 0;  // file offset of the resource directory's root
    quint32 m_resourceSize = 0;
    QHash<int, Span> m_groups;  // group icon number -> its GRPICONDIR
    QHash<int, Span> m_icons;   // single icon number -> its image
};
