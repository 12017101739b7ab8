#include "device/write_lock_name.h"

#include <cstdint>

namespace tensilo::device {

std::string WriteLockName(std::string_view devicePath) {
    constexpr std::uint64_t kFnvOffsetBasis = 0xCBF29CE484222325u;
    constexpr std::uint64_t kFnvPrime = 0x00000100000001B3u;
    std::uint64_t hash = kFnvOffsetBasis;
    for (const char c : devicePath) {
        const auto byte = static_cast<unsigned char>(c);
        hash ^= byte >= 'A' && byte <= 'Z' ? byte - 'A' + 'a' : byte;
        hash *= kFnvPrime;
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string name = "Local\\tensilo-write-lock-";
    for (int shift = 60; shift >= 0; shift -= 4)
        name += kDigits[(hash >> shift) & 0xF];
    return name;
}

} // namespace tensilo::device
