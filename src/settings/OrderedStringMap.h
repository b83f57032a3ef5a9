#pragma once

#include <QList>
#include <QPair>
#include <QString>

// A small map that keeps its pairs in insertion order, as the favorites and hidden folders
// are shown and stored in the order they were added.
class OrderedStringMap {
public:
    void append(const QString& name, const QString& value) { m_pairs.append({name, value}); }
    void clear() { m_pairs.clear(); }
    qsizetype size() const { return m_pairs.size(); }
    bool isEmpty() const { return m_pairs.isEmpty(); }
    const QPair<QString, QString>& at(qsizetype i) const { return m_pairs.at(i); }
    // The index of the first pair whose value equals `value` without regard to case, or -1.
    qsizetype indexOfValue(const QString& value) const;
    bool containsValue(const QString& value) const { return indexOfValue(value) >= 0; }
    const QList<QPair<QString, QString>>& pairs() const { return m_pairs; }

private:
    QList<QPair<QString, QString>> m_pairs;
};
