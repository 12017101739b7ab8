// tensiloctl's settings file: any text is read whole or refused with a reason, never past its end;
// what is read holds gains among the 2560, each the very number nlohmann-json's own parser reads
// from the text (whose decimals the reader compares on its own, from the number's text), and
// written out again it reads back the same. Input: the file's text.
#include "fuzz_check.h"

#include "protocol/gain_items.h"
#include "protocol/gain_text.h"
#include "tools/tensiloctl/command_line.h"
#include "tools/tensiloctl/settings_file.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

using namespace tensilo::ctl;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto read = ReadSettingsFile(text);
    if (const auto* problem = std::get_if<std::string>(&read)) {
        FUZZ_CHECK(!problem->empty());
        return 0;
    }
    const SavedSettings& settings = std::get<SavedSettings>(read);
    const nlohmann::json document = nlohmann::json::parse(text, nullptr, false);
    FUZZ_CHECK(!document.is_discarded());
    for (std::size_t i = 0; i < settings.items.size(); ++i) {
        const int item = settings.items[i];
        FUZZ_CHECK(item >= 0 && item < tensilo::protocol::kGainItemCount);
        const nlohmann::json& gain =
            document["gains"][ChannelName(tensilo::protocol::kChannels[i])];
        FUZZ_CHECK(gain.get<double>() == tensilo::protocol::GainValue(item));
    }
    const std::string written = WriteSettingsFile(settings);
    const auto again = ReadSettingsFile(written);
    const auto* reread = std::get_if<SavedSettings>(&again);
    FUZZ_CHECK(reread != nullptr);
    FUZZ_CHECK(reread->items == settings.items);
    FUZZ_CHECK(reread->serial == settings.serial);
    FUZZ_CHECK(reread->product == settings.product);
    FUZZ_CHECK(WriteSettingsFile(*reread) == written);
    return 0;
}
