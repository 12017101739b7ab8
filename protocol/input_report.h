// The input report, device to host: the report ID, then potentiometer 1, load cell and
// potentiometer 2 as unsigned 16-bit little-endian values at offsets 1, 3 and 5; and the bar
// widths drawn from them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace tensilo::protocol {

// Bytes a report must have to hold the three fields: the ID byte and three 16-bit values.
inline constexpr std::size_t kMinInputReportLength = 7;
// The poll's read buffer: 1001 bytes, of which a read asks for 1000.
inline constexpr std::size_t kInputBufferSize = 1001;
inline constexpr std::size_t kInputReadLength = 1000;
// Subtracted from the track width to get the width of a full-scale bar, in twips.
inline constexpr float kBarMargin = 84.0f;
inline constexpr double kFullScale = 65535.0;

struct InputSample {
    std::uint16_t Pot1Value = 0;
    std::uint16_t LoadCellValue = 0;
    std::uint16_t Pot2Value = 0;
};

// The index of the ID byte of the newest whole report among `bytesRead` bytes that hold reports
// of `reportLength` bytes laid end to end; none when the reports are too short to hold the three
// fields or no whole report was read.
std::optional<std::size_t> NewestReportStart(std::size_t bytesRead, std::size_t reportLength);

// The three fields of the report that starts at `start` in `bytes`; none when the fields would
// reach past the end of `bytes`.
std::optional<InputSample> DecodeInputReport(std::span<const std::uint8_t> bytes,
                                             std::size_t start);

// The newest report's fields among the first `bytesRead` bytes of `buffer`, or none (see above).
std::optional<InputSample> NewestInputSample(std::span<const std::uint8_t> buffer,
                                             std::size_t bytesRead, std::size_t reportLength);

// The width of a full-scale bar: the track width minus kBarMargin, rounded to the nearest integer
// (a tie to the even one) and held as a signed 16-bit value.
std::int16_t BarSpan(float trackWidth);

// A sample's bar width in twips: sample * barSpan / 65535 in double precision, then rounded to
// single precision. 0 gives 0 and 65535 gives barSpan.
float BarWidth(std::uint16_t sample, std::int16_t barSpan);

} // namespace tensilo::protocol
