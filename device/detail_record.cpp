#include "device/detail_record.h"

#include <algorithm>
#include <cstring>

namespace tensilo::device {

std::int32_t WriteDetailRecord(std::string_view path, std::span<std::uint8_t> detail,
                               std::uint32_t& requiredSize) {
    const std::size_t needed = std::max<std::size_t>(kDetailPathOffset + path.size() + 1, kDetailHeaderSize);
    requiredSize = static_cast<std::uint32_t>(needed);
    if (detail.size() < needed)
        return 0;
    std::uint32_t header = 0;
    std::memcpy(&header, detail.data(), sizeof header);
    if (header != kDetailHeaderSize)
        return 0;
    std::copy(path.begin(), path.end(), detail.begin() + kDetailPathOffset);
    detail[kDetailPathOffset + path.size()] = 0;
    return 1;
}

} // namespace tensilo::device
