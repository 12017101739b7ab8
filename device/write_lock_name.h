// The name of a board's write lock on Windows: a named mutex in the session's namespace, derived
// from the device's interface path, so that every program of the session that opens the board
// meets the same mutex. Plain text handling, so that it is checked on every platform.
#pragma once

#include <string>
#include <string_view>

namespace tensilo::device {

// "Local\tensilo-write-lock-" and 16 hex digits of a 64-bit FNV-1a hash of the path with its ASCII
// letters in lower case (Windows compares interface paths without case). A mutex name may hold no
// backslash after the namespace, and a path is full of them; the hash also keeps the name short
// whatever the path's length. Two paths that met on one hash would only share a lock: their
// writers would take turns, never interleave.
std::string WriteLockName(std::string_view devicePath);

} // namespace tensilo::device
