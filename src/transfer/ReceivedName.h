#pragma once

#include <QString>

// The name a received object is stored under. A peer's Name header is outside data: whatever
// it holds, the result is one plain name inside the destination folder. Pure.
namespace ReceivedName {

// The name given when nothing usable is left of the peer's.
inline constexpr char16_t Fallback[] = u"received";
// The longest name the host takes, in bytes of UTF-8.
constexpr int MaxBytes = 255;

// Only the last component of a path counts ("/" and "\" both separate; empty, "." and ".."
// components are dropped), so "../../etc/passwd" becomes "passwd" and "Photos\a.jpg"
// "a.jpg"; control characters become "_"; a name longer than MaxBytes is cut in its stem,
// at a character boundary, and keeps its extension; nothing left gives Fallback.
QString neutralise(const QString& sent);

}  // namespace ReceivedName
