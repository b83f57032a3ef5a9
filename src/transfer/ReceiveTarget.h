#pragma once

#include <QString>

// Where the objects of a receive session go: one object at a time, written whole before it
// takes its name. The session speaks OBEX; the target knows the disk (or, in tests and the
// fuzzer, memory).
class ReceiveTarget {
public:
    enum class Begin { Started, Refused, Failed };

    virtual ~ReceiveTarget() = default;
    // Starts the object `name` (a plain name, already made safe). When an item of that name
    // exists, the user is asked first: Refused when they say no.
    virtual Begin begin(const QString& name) = 0;
    [[nodiscard]] virtual bool write(const char* data, qint64 size) = 0;
    // The object is whole: it takes its name (replacing the item the user agreed to replace).
    [[nodiscard]] virtual bool commit() = 0;
    // The object is given up; nothing of it stays.
    virtual void discard() = 0;
};
