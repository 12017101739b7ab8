// The poll's decoding of a read: which report is the newest, its three fields, and the bar
// widths drawn from them. Input: byte 0 is InputReportByteLength, bytes 1-2 the count of bytes
// the read reported (little-endian, may exceed what was read), bytes 3-6 the track width as a
// float (any bits, NaN included), the rest what the read put in the buffer, which is exactly
// that long.
#include "fuzz_check.h"

#include "protocol/input_report.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

using namespace tensilo::protocol;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 7)
        return 0;
    const std::size_t reportLength = data[0];
    const std::size_t bytesRead = data[1] | (data[2] << 8);
    float trackWidth = 0;
    std::memcpy(&trackWidth, data + 3, sizeof trackWidth);
    const std::vector<std::uint8_t> buffer(data + 7, data + size);

    const auto sample = NewestInputSample(buffer, bytesRead, reportLength);
    // Only the last whole report among the bytes read counts.
    const std::size_t n = std::min(bytesRead, buffer.size());
    if (reportLength < kMinInputReportLength || n < reportLength) {
        FUZZ_CHECK(!sample);
        return 0;
    }
    FUZZ_CHECK(sample.has_value());
    const std::size_t start = n - reportLength;
    const auto field = [&](std::size_t offset) {
        return static_cast<std::uint16_t>(buffer[start + offset] | (buffer[start + offset + 1] << 8));
    };
    FUZZ_CHECK(sample->Pot1Value == field(1));
    FUZZ_CHECK(sample->LoadCellValue == field(3));
    FUZZ_CHECK(sample->Pot2Value == field(5));

    // A bar lies between 0 and the full-scale width, on the window's track and on any other.
    for (const float track : {4695.0f, trackWidth}) {
        const std::int16_t span = BarSpan(track);
        if (track == 4695.0f)
            FUZZ_CHECK(span == 4611);
        for (const std::uint16_t value : {sample->Pot1Value, sample->LoadCellValue, sample->Pot2Value}) {
            const float width = BarWidth(value, span);
            FUZZ_CHECK(std::isfinite(width));
            FUZZ_CHECK(span >= 0 ? (width >= 0.0f && width <= span) : (width <= 0.0f && width >= span));
        }
        FUZZ_CHECK(BarWidth(0, span) == 0.0f && BarWidth(65535, span) == static_cast<float>(span));
    }
    return 0;
}
