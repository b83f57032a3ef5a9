#pragma once

#include <QString>
#include <QStringView>

#include <cstring>
#include <utility>

// The name of an item of the tree, in the 24 bytes a QString takes but without its allocation
// for the names most folders hold: up to 23 Latin-1 characters are kept inline; a longer name,
// or one with a character beyond Latin-1, is kept as a QString of its own. A big folder holds
// one name per item.
class NodeName {
public:
    NodeName() = default;
    NodeName(const QString& name) { assign(name); }  // NOLINT: a name is given as a QString
    NodeName(const NodeName& other) { copy(other); }
    NodeName(NodeName&& other) noexcept { take(other); }
    NodeName& operator=(const NodeName& other)
    {
        if (this != &other) {
            release();
            copy(other);
        }
        return *this;
    }
    NodeName& operator=(NodeName&& other) noexcept
    {
        if (this != &other) {
            release();
            take(other);
        }
        return *this;
    }
    NodeName& operator=(const QString& name)
    {
        release();
        assign(name);
        return *this;
    }
    ~NodeName() { release(); }

    QString toString() const { return m_tag == Heap ? *heap() : QString::fromLatin1(m_inline, m_tag); }
    operator QString() const { return toString(); }  // NOLINT: read where a QString is wanted

    qsizetype size() const { return m_tag == Heap ? heap()->size() : m_tag; }
    bool isEmpty() const { return size() == 0; }
    QString toCaseFolded() const { return toString().toCaseFolded(); }

    // Calls `use` with the name as UTF-16, without allocating.
    template <typename Use>
    decltype(auto) view(Use&& use) const
    {
        if (m_tag == Heap)
            return use(QStringView(*heap()));
        char16_t wide[InlineMax];
        for (int i = 0; i < m_tag; ++i)
            wide[i] = static_cast<unsigned char>(m_inline[i]);
        return use(QStringView(wide, m_tag));
    }
    int compare(QStringView other, Qt::CaseSensitivity cs = Qt::CaseSensitive) const
    {
        return view([&](QStringView self) { return self.compare(other, cs); });
    }
    int compare(const QString& other, Qt::CaseSensitivity cs = Qt::CaseSensitive) const
    {
        return compare(QStringView(other), cs);
    }
    int compare(const NodeName& other, Qt::CaseSensitivity cs = Qt::CaseSensitive) const
    {
        return other.view([&](QStringView theirs) { return compare(theirs, cs); });
    }
    bool endsWith(QLatin1StringView suffix, Qt::CaseSensitivity cs = Qt::CaseSensitive) const
    {
        return view([&](QStringView self) { return self.endsWith(suffix, cs); });
    }
    friend bool operator==(const NodeName& a, const NodeName& b) { return a.compare(b) == 0; }
    friend bool operator==(const NodeName& a, const QString& b) { return a.compare(QStringView(b)) == 0; }
    friend bool operator==(const QString& a, const NodeName& b) { return b.compare(QStringView(a)) == 0; }
    friend bool operator!=(const NodeName& a, const QString& b) { return !(a == b); }
    friend bool operator!=(const QString& a, const NodeName& b) { return !(a == b); }

private:
    static constexpr int InlineMax = 23;
    static constexpr unsigned char Heap = 0xFF;

    void assign(const QString& name)
    {
        if (name.size() <= InlineMax) {
            bool latin1 = true;
            for (const QChar c : name)
                latin1 = latin1 && c.unicode() < 0x100;
            if (latin1) {
                for (qsizetype i = 0; i < name.size(); ++i)
                    m_inline[i] = static_cast<char>(name.at(i).unicode());
                m_tag = static_cast<unsigned char>(name.size());
                return;
            }
        }
        setHeap(new QString(name));
        m_tag = Heap;
    }
    void copy(const NodeName& other)
    {
        if (other.m_tag == Heap) {
            setHeap(new QString(*other.heap()));
        } else {
            std::memcpy(m_inline, other.m_inline, InlineMax);
        }
        m_tag = other.m_tag;
    }
    void take(NodeName& other)
    {
        std::memcpy(m_inline, other.m_inline, InlineMax);
        m_tag = other.m_tag;
        other.m_tag = 0;
    }
    void release()
    {
        if (m_tag == Heap)
            delete heap();
        m_tag = 0;
    }

    // The characters of an inline name, or the address of the QString of a name kept apart.
    QString* heap() const
    {
        QString* name = nullptr;
        std::memcpy(&name, m_inline, sizeof name);
        return name;
    }
    void setHeap(QString* name) { std::memcpy(m_inline, &name, sizeof name); }

    alignas(QString*) char m_inline[InlineMax] = {};
    unsigned char m_tag = 0;  // the length of an inline name, or Heap
};
static_assert(sizeof(NodeName) == 24);
