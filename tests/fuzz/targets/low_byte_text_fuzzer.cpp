// Device-string text: the low byte of each UTF-16LE code unit, up to the first zero low byte.
// Input: the buffer the request filled, exactly as long as the input; bytes 0-1 also serve as a
// version number for the version caption.
#include "fuzz_check.h"
#include "utf8_decode.h"

#include "protocol/device_strings.h"

#include <cstdint>
#include <string>
#include <vector>

using namespace tensilo::protocol;


extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> buffer(data, data + size);
    const std::string text = LowByteText(buffer);

    // One character per code unit before the first zero low byte, and it is that low byte
    // (Latin-1 here).
    std::vector<char32_t> codes;
    FUZZ_CHECK(DecodeUtf8(text, &codes));
    std::size_t units = 0;
    while (2 * units < size && buffer[2 * units] != 0)
        ++units;
    FUZZ_CHECK(codes.size() == units);
    for (std::size_t i = 0; i < units; ++i)
        FUZZ_CHECK(codes[i] == buffer[2 * i]);

    if (size >= 2) {
        const auto version = static_cast<std::uint16_t>(data[0] | (data[1] << 8));
        const std::string caption = VersionCaption(version);
        const std::size_t dot = caption.find('.');
        FUZZ_CHECK(caption[0] == ' ' && dot != std::string::npos);
        FUZZ_CHECK(std::stoul(caption.substr(1, dot - 1)) == data[1]);
        FUZZ_CHECK(std::stoul(caption.substr(dot + 1), nullptr, 16) == data[0]);
        FUZZ_CHECK(caption.find_first_of("abcdef") == std::string::npos);
    }
    return 0;
}
