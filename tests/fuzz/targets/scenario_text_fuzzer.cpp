// The scenario file's lexical layer: lines split into words and strings, string literals
// decoded, numbers and byte lists parsed. Input: scenario text, one line per '\n'. A fault in the
// text must come out as a ScenarioError, never as a crash, and what is read must read back.
#include "fuzz_check.h"
#include "utf8_decode.h"

#include "harness/scenario/scenario_text.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

using namespace tensilo::scenario;

namespace {

bool HasLoneSurrogate(std::u16string_view units) {
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (units[i] >= 0xD800 && units[i] <= 0xDBFF && i + 1 < units.size() &&
            units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF)
            ++i;
        else if (units[i] >= 0xD800 && units[i] <= 0xDFFF)
            return true;
    }
    return false;
}

// The result of `parse`, or none when it finds the text at fault.
template <class Parse> auto Try(Parse parse) -> std::optional<decltype(parse())> {
    try {
        return parse();
    } catch (const ScenarioError&) {
        return std::nullopt;
    }
}

void CheckWord(const Token& token) {
    FUZZ_CHECK(!token.raw.empty());
    if (token.quoted) {
        // The lexer and the decoder agree where a string ends: a string the lexer found decodes,
        // unless its text is not UTF-8.
        std::u16string units;
        try {
            units = DecodeStringLiteral(token.raw);
        } catch (const ScenarioError&) {
            FUZZ_CHECK(!DecodeUtf8(token.raw));
            return;
        }
        // Written back as it is printed, the text reads back as the same code units.
        const std::string utf8 = Utf16ToUtf8(units);
        FUZZ_CHECK(DecodeUtf8(utf8));
        const std::string quoted = QuoteText(utf8);
        const auto words = SplitLine(quoted);
        FUZZ_CHECK(words.size() == 1 && words[0].quoted && words[0].raw == quoted);
        if (!HasLoneSurrogate(units))
            FUZZ_CHECK(DecodeStringLiteral(quoted) == units);
    }
    // A number no larger than a bound reads as the same number under a larger bound. (Only
    // words that start like a number are tried: a ScenarioError for every other word would cost
    // more than all the rest of the work.)
    if (token.raw[0] >= '0' && token.raw[0] <= '9') {
        const auto number = Try([&] { return ParseNumber(token.raw, 0xFFFFFFFFu, "number"); });
        if (number && *number <= 0xFFFF)
            FUZZ_CHECK(ParseNumber(token.raw, 0xFFFF, "number") == *number);
    }
    // A hex byte is the number written with 0x in front.
    if (token.raw.size() <= 2) {
        if (const auto byte = Try([&] { return ParseHexByte(token.raw); }))
            FUZZ_CHECK(ParseNumber("0x" + token.raw, 0xFF, "byte") == *byte);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        const bool blank = IsBlankOrComment(line);
        std::vector<Token> words;
        try {
            words = SplitLine(line);
        } catch (const ScenarioError&) {
            continue;
        }
        FUZZ_CHECK(!blank || words.empty() || words.front().raw.front() == '#');
        for (const Token& word : words)
            CheckWord(word);
        for (std::size_t first = 1; first <= std::min<std::size_t>(words.size(), 2); ++first) {
            try {
                FUZZ_CHECK(ParseByteList(words, first).size() == words.size() - first);
            } catch (const ScenarioError&) {
            }
        }
    }
    return 0;
}
