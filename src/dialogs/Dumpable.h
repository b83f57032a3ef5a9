#pragma once

#include <QString>
#include <QStringList>

// Collects the lines of a screen dump.
class DumpWriter {
public:
    void line(const QString& text) { m_lines.append(QString(m_indent * 2, u' ') + text); }
    void indent() { ++m_indent; }
    void outdent() { --m_indent; }
    QString text() const { return m_lines.join(u'\n') + u'\n'; }

private:
    QStringList m_lines;
    int m_indent = 0;
};

// A widget that describes itself in a screen dump; its children are not walked.
class Dumpable {
public:
    virtual ~Dumpable() = default;
    virtual void dumpTo(DumpWriter& writer) const = 0;
};
