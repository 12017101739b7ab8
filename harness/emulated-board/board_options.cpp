#include "harness/emulated-board/board_options.h"

#include "harness/emulated-board/board_constants.h"
#include "harness/text/number_text.h"

#include <algorithm>
#include <functional>
#include <map>

namespace tensilo::emulated {

namespace {

// Hex bytes separated by commas, exactly `count` of them.
template <std::size_t count>
std::optional<std::array<std::uint8_t, count>> ParseBytes(const std::string& text) {
    const auto bytes = harness::ParseHexBytes(text, ',', count);
    if (!bytes)
        return std::nullopt;
    std::array<std::uint8_t, count> array{};
    std::copy(bytes->begin(), bytes->end(), array.begin());
    return array;
}

bool IsBinaryCodedDecimal(std::uint16_t value) {
    for (int shift = 0; shift < 16; shift += 4)
        if (((value >> shift) & 0xF) > 9)
            return false;
    return true;
}

// A device string as configfs takes it: one line, at most 126 characters (the USB string
// descriptor's limit), or "none" for a string the board does not have.
std::optional<std::optional<std::string>> ParseDeviceString(const std::string& text) {
    if (text == "none")
        return std::optional<std::string>();
    if (text.empty() || text.size() > 126 || text.find('\n') != std::string::npos)
        return std::nullopt;
    return std::optional<std::string>(text);
}

struct ValueOption {
    const char* help;
    // Takes the option's value; false when it is not usable.
    std::function<bool(BoardOptions&, const std::string&)> take;
};

struct FlagOption {
    const char* help;
    std::function<void(BoardOptions&)> set;
};

const std::map<std::string, ValueOption>& ValueOptions() {
    static const std::map<std::string, ValueOption> options = {
        {"--name", {"NAME written in front of each logged report",
                    [](BoardOptions& o, const std::string& v) {
                        o.name = v;
                        return !v.empty() && v.find_first_of(" \t\n") == std::string::npos;
                    }}},
        {"--udc", {"the device controller to bind to, e.g. dummy_udc.0",
                   [](BoardOptions& o, const std::string& v) {
                       o.udc = v;
                       return !v.empty() && v.find_first_of("/\n") == std::string::npos;
                   }}},
        {"--log", {"FILE to append every SET_REPORT taken to",
                   [](BoardOptions& o, const std::string& v) {
                       o.logPath = v;
                       return !v.empty();
                   }}},
        {"--vid", {"vendor ID (16-bit)",
                   [](BoardOptions& o, const std::string& v) {
                       const auto n = harness::ParseNumber(v, 0xFFFF);
                       o.vendorId = static_cast<std::uint16_t>(n.value_or(0));
                       return n.has_value();
                   }}},
        {"--pid", {"product ID (16-bit)",
                   [](BoardOptions& o, const std::string& v) {
                       const auto n = harness::ParseNumber(v, 0xFFFF);
                       o.productId = static_cast<std::uint16_t>(n.value_or(0));
                       return n.has_value();
                   }}},
        {"--version", {"bcdDevice, decimal digits in each nibble, e.g. 0x0101",
                       [](BoardOptions& o, const std::string& v) {
                           const auto n = harness::ParseNumber(v, 0xFFFF);
                           o.version = static_cast<std::uint16_t>(n.value_or(0));
                           return n.has_value() && IsBinaryCodedDecimal(o.version);
                       }}},
        {"--manufacturer", {"manufacturer string, or none",
                            [](BoardOptions& o, const std::string& v) {
                                const auto s = ParseDeviceString(v);
                                o.manufacturer = s.value_or(std::nullopt);
                                return s.has_value();
                            }}},
        {"--product", {"product string, or none",
                       [](BoardOptions& o, const std::string& v) {
                           const auto s = ParseDeviceString(v);
                           o.product = s.value_or(std::nullopt);
                           return s.has_value();
                       }}},
        {"--serial", {"serial-number string, or none",
                      [](BoardOptions& o, const std::string& v) {
                          const auto s = ParseDeviceString(v);
                          o.serial = s.value_or(std::nullopt);
                          return s.has_value();
                      }}},
        {"--registers", {"registers 0 to 8 as 9 comma-separated hex bytes",
                         [](BoardOptions& o, const std::string& v) {
                             const auto r = ParseBytes<9>(v);
                             if (r)
                                 o.registers = *r;
                             return r.has_value();
                         }}},
        {"--settings-tail", {"bytes 12 to 16 of the settings report as 5 comma-separated hex bytes",
                             [](BoardOptions& o, const std::string& v) {
                                 const auto t = ParseBytes<5>(v);
                                 if (t)
                                     o.settingsTail = *t;
                                 return t.has_value();
                             }}},
        {"--interval", {"milliseconds between input reports (1 to 600000)",
                        [](BoardOptions& o, const std::string& v) {
                            const auto n = harness::ParseNumber(v, 600000);
                            o.intervalMs = static_cast<unsigned>(n.value_or(0));
                            return n.has_value() && *n >= 1;
                        }}},
        {"--report", {"the six data bytes of every input report, comma-separated hex",
                      [](BoardOptions& o, const std::string& v) {
                          o.fixedReport = ParseBytes<6>(v);
                          return o.fixedReport.has_value();
                      }}},
    };
    return options;
}

const std::map<std::string, FlagOption>& FlagOptions() {
    static const std::map<std::string, FlagOption> options = {
        {"--wrong-marker",
         {"the settings report carries 0xED instead of its marker",
          [](BoardOptions& o) { o.settingsMarker = 0xED; }}},
        {"--stall-get-report",
         {"every feature GET_REPORT is stalled", [](BoardOptions& o) { o.stallGetReport = true; }}},
        {"--stall-set-report",
         {"every feature SET_REPORT (a register write) is stalled",
          [](BoardOptions& o) { o.stallSetReport = true; }}},
        {"--numbered-reports",
         {"input and feature reports carry report ID 1",
          [](BoardOptions& o) { o.numberedReports = true; }}},
    };
    return options;
}

} // namespace

BoardOptions DefaultBoardOptions() {
    BoardOptions options;
    options.vendorId = kVendorId;
    options.productId = kProductId;
    return options;
}

std::variant<BoardOptions, std::string> ParseBoardOptions(const std::vector<std::string>& args) {
    BoardOptions options = DefaultBoardOptions();
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (const auto flag = FlagOptions().find(arg); flag != FlagOptions().end()) {
            flag->second.set(options);
            continue;
        }
        const auto option = ValueOptions().find(arg);
        if (option == ValueOptions().end())
            return "unknown option " + arg + ".";
        if (i + 1 == args.size())
            return arg + " needs a value.";
        if (!option->second.take(options, args[++i]))
            return arg + " " + args[i] + " is not usable: " + option->second.help + ".";
    }
    if (options.name.empty() || options.udc.empty())
        return std::string("--name and --udc are required.");
    return options;
}

std::string BoardOptionsUsage() {
    std::string text;
    for (const auto& [name, option] : ValueOptions())
        text += "  " + name + " VALUE  " + option.help + "\n";
    for (const auto& [name, option] : FlagOptions())
        text += "  " + name + "  " + option.help + "\n";
    return text;
}

} // namespace tensilo::emulated
