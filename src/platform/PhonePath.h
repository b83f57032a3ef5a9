#pragma once

#include <QByteArray>
#include <QString>

namespace platform {

// Phone paths: "\" is the separator and the root, there is no drive letter, and names are
// compared without regard to case. These helpers are pure and used by every feature.
namespace PhonePath {

// Splits at the last "\": "\A\b.txt" gives folder "\A" and name "b.txt"; "\b.txt" gives the
// folder "" (the root) and "b.txt"; a path without "\" is all name.
struct Split {
    QString folder;
    QString name;
};
Split splitLast(const QString& path);

// "\A" + "b" -> "\A\b"; the root "" or "\" + "b" -> "\b"; a folder that already ends in
// "\" gets no second one.
QString join(const QString& folder, const QString& name);

// Whole paths equal without regard to case (character by character, so "\A" and "\A\"
// differ).
bool equals(const QString& a, const QString& b);

// The same item: whole paths equal character for character, as the host compares names
// ("\A.txt" and "\a.txt" are two items).
bool same(const QString& a, const QString& b);

// True when `path` continues `folder` with "\", character for character (the exact form of
// liesInside, for items rather than text).
bool within(const QString& path, const QString& folder);

// True when `path` continues `folder` with "\" (\A\B lies inside \A, \AB does not, \A does
// not lie inside itself). Case is ignored. Every path but the root lies inside the root ("" or
// "\").
bool liesInside(const QString& path, const QString& folder);

}  // namespace PhonePath

// Maps phone paths to host paths under a root folder and back. Host names that a phone path
// cannot carry (bytes that are not UTF-8, a "\") are mapped losslessly onto private-use
// characters U+F700..U+F7FF, one for each such byte, so every host item can be listed,
// copied, moved and deleted, and the phone name leads back to the same host bytes. A host
// name that itself holds characters of that range has their bytes escaped the same way, so
// no two host names share a phone name. Pure: no call touches the disk.
class PathMapper {
public:
    explicit PathMapper(QByteArray hostRoot = "/");

    const QByteArray& hostRoot() const { return m_root; }

    // ROOT + "/a/b" for "\a\b"; the root for "\" and "". Empty (failure) for a path that has
    // a "." or ".." component, an empty component in the middle, a "/" or a NUL in a name, or
    // a name without a host form (see nameToHost): no phone path leads out of the root.
    QByteArray toHost(const QString& phonePath) const;

    // The phone path of a host path under the root; empty when it is not under the root or
    // has a "." or ".." component.
    QString fromHost(const QByteArray& hostPath) const;

    // One name each way. nameToHost is empty for a name that no host name maps to: one that
    // holds "\", an unpaired surrogate, or escapes that spell a "/", a NUL or bytes a host
    // name would not have been escaped for (so that every phone name stands for one host
    // name and back).
    static QString nameFromHost(const QByteArray& hostName);
    static QByteArray nameToHost(const QString& phoneName);

private:
    QByteArray m_root;  // without a trailing "/", except for "/" itself
};

}  // namespace platform
