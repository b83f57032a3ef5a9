#pragma once

#include <QString>
#include <QStringList>

class OrderedStringMap;

// The user's favorite places, kept as the string values "Favorite0", "Favorite1" ... of the
// "Favorites" key: the number is the place in the list. The window's settings hold the values
// as loaded; this class reads and changes them and writes every change to the registry at once.
// Values of the key with other names are left alone. Numbers with gaps (values removed by hand)
// are listed in their order and closed up by the next change, which rewrites the list whole.
class Favorites {
public:
    explicit Favorites(OrderedStringMap& stored) : m_stored(stored) {}

    // The favorites' paths in list order.
    QStringList paths() const;

    void add(const QString& path);
    void remove(int index);
    // Swaps two favorites: a move up or down.
    void swap(int first, int second);

private:
    // Writes `paths` as the whole list, into the registry and the settings.
    void store(const QStringList& paths);

    OrderedStringMap& m_stored;
};
