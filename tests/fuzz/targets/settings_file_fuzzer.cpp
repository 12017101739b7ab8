// tensiloctl's settings file: any text is read whole or refused with a reason, never past its end;
// what is read holds gains among the 2560, and written out again it reads back the same.
// Input: the file's text.
#include "fuzz_check.h"

#include "protocol/gain_items.h"
#include "tools/tensiloctl/settings_file.h"

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
    for (const int item : settings.items)
        FUZZ_CHECK(item >= 0 && item < tensilo::protocol::kGainItemCount);
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
