#include "protocol/input_report.h"

#include <cmath>
#include <limits>

namespace tensilo::protocol {

std::optional<std::size_t> NewestReportStart(std::size_t bytesRead, std::size_t reportLength) {
    if (reportLength < kMinInputReportLength || bytesRead < reportLength)
        return std::nullopt;
    return bytesRead - reportLength;
}

std::optional<InputSample> DecodeInputReport(std::span<const std::uint8_t> bytes,
                                             std::size_t start) {
    if (start >= bytes.size() || bytes.size() - start < kMinInputReportLength)
        return std::nullopt;
    const auto field = [&](std::size_t offset) {
        return static_cast<std::uint16_t>(bytes[start + offset] |
                                          (bytes[start + offset + 1] << 8));
    };
    return InputSample{field(1), field(3), field(5)};
}

std::optional<InputSample> NewestInputSample(std::span<const std::uint8_t> buffer,
                                             std::size_t bytesRead, std::size_t reportLength) {
    if (bytesRead > buffer.size())
        bytesRead = buffer.size();
    const auto start = NewestReportStart(bytesRead, reportLength);
    if (!start)
        return std::nullopt;
    return DecodeInputReport(buffer.first(bytesRead), *start);
}

std::int16_t BarSpan(float trackWidth) {
    // nearbyint rounds half to even in the default rounding mode.
    const double span = std::nearbyint(static_cast<double>(trackWidth) - kBarMargin);
    constexpr double kMin = std::numeric_limits<std::int16_t>::min();
    constexpr double kMax = std::numeric_limits<std::int16_t>::max();
    if (!(span >= kMin))
        return std::numeric_limits<std::int16_t>::min();
    if (span > kMax)
        return std::numeric_limits<std::int16_t>::max();
    return static_cast<std::int16_t>(span);
}

float BarWidth(std::uint16_t sample, std::int16_t barSpan) {
    return static_cast<float>(static_cast<double>(sample) * barSpan / kFullScale);
}

} // namespace tensilo::protocol
