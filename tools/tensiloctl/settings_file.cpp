// The settings file is read through json_outline (nlohmann-json's SAX interface, which sees every
// key and keeps each number's own text) and written through json_text, in the layout the program
// has always written.
#include "tools/tensiloctl/settings_file.h"

#include "protocol/gain_items.h"
#include "protocol/gain_text.h"
#include "tools/tensiloctl/json_number.h"
#include "tools/tensiloctl/json_outline.h"
#include "tools/tensiloctl/json_text.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace tensilo::ctl {

namespace {

// The top object's keys and its gains' keys, down to which the file is kept.
constexpr std::size_t kKeysKept = 2;
const JsonPath kGains = {"gains"};

std::vector<std::string> ChannelNames() {
    std::vector<std::string> names;
    for (const protocol::Channel channel : protocol::kChannels)
        names.emplace_back(protocol::ChannelName(channel));
    return names;
}

// The first key of the object at `path` that is not among `keys`, then the first of `keys` it
// lacks, as what is wrong; none when it has exactly those keys.
std::optional<std::string> KeysWrong(const JsonOutline& file, const JsonPath& path,
                                     const std::vector<std::string>& keys) {
    const std::string where = path.empty() ? "" : " in " + ShownString(path.back());
    const std::vector<std::string> present = KeysAt(file, path);
    for (const std::string& key : present)
        if (std::find(keys.begin(), keys.end(), key) == keys.end())
            return "has an unknown key " + ShownString(key) + where;
    for (const std::string& key : keys)
        if (std::find(present.begin(), present.end(), key) == present.end())
            return "has no " + ShownString(key) + where;
    return std::nullopt;
}

// Whether a number's own text is exactly the whole number `value`, decimal for decimal.
bool IsExactly(const std::string& number, std::uint64_t value) {
    const auto plain = PlainDecimal(number);
    const auto decimal = plain ? protocol::ParseDecimal(*plain) : std::nullopt;
    return decimal && !decimal->beyond && decimal->nanos == value * protocol::kNanosPerUnit;
}

std::optional<std::string> FormatWrong(const JsonOutline& file) {
    const JsonEntry& format = file.at({"format"});
    if (format.kind != JsonKind::String || format.text != kSettingsFormat)
        return std::string("is not a Tensilo settings file: its format is not \"") +
               kSettingsFormat + "\"";
    const JsonEntry& version = file.at({"version"});
    if (version.kind != JsonKind::Number)
        return std::string("has a settings version that is not a number");
    if (!IsExactly(version.text, kSettingsVersion))
        return "has settings version " + ShownNumber(version.text) +
               ", and this tensiloctl reads version " + std::to_string(kSettingsVersion);
    return std::nullopt;
}

std::optional<std::string> ReadBoardNames(const JsonOutline& file, SavedSettings& settings) {
    const JsonEntry& serial = file.at({"serial"});
    if (serial.kind != JsonKind::String)
        return std::string("holds a serial number that is not text");
    settings.serial = serial.text;
    const JsonEntry& product = file.at({"product"});
    if (product.kind == JsonKind::String)
        settings.product = product.text;
    else if (product.kind != JsonKind::Null)
        return std::string("holds a product that is neither text nor null");
    return std::nullopt;
}

// A gain is compared decimal for decimal from the number's own text, as the command line compares
// one, so that 1.003906250000000000001 is refused as it is there, not read as the double nearest
// to it, which is a gain.
std::optional<std::string> ReadGains(const JsonOutline& file, SavedSettings& settings) {
    if (file.at(kGains).kind != JsonKind::Object)
        return std::string("holds gains that are not a JSON object");
    const std::vector<std::string> names = ChannelNames();
    if (auto wrong = KeysWrong(file, kGains, names))
        return wrong;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const JsonEntry& gain = file.at({kGains.front(), names[i]});
        // A negative number lies below every gain, as 0 does.
        const auto match = gain.kind == JsonKind::Number
                               ? protocol::MatchGainText(PlainDecimal(gain.text).value_or("0"))
                               : std::nullopt;
        if (!match)
            return "holds a gain for " + names[i] + " that is not a number";
        if (!match->exact)
            return "holds " + ShownNumber(gain.text) + " for " + names[i] +
                   ", which is not a gain the board can hold; nearest: " +
                   protocol::NearestGainsText(*match);
        settings.items[i] = *match->exact;
    }
    return std::nullopt;
}

} // namespace

std::string WriteSettingsFile(const SavedSettings& settings) {
    nlohmann::json gains = nlohmann::json::object();
    for (std::size_t i = 0; i < protocol::kChannels.size(); ++i)
        gains[protocol::ChannelName(protocol::kChannels[i])] =
            protocol::GainValue(settings.items[i]);
    nlohmann::json file = nlohmann::json::object();
    file["format"] = kSettingsFormat;
    file["version"] = kSettingsVersion;
    file["serial"] = settings.serial;
    file["product"] = settings.product ? nlohmann::json(*settings.product) : nlohmann::json();
    file["gains"] = std::move(gains);
    return JsonText(file);
}

std::variant<SavedSettings, std::string> ReadSettingsFile(std::string_view text) {
    if (text.size() > kLongestSettingsFile)
        return std::string("is too long to be a settings file");
    auto read = ReadJsonOutline(text, kKeysKept);
    if (auto* problem = std::get_if<std::string>(&read))
        return std::move(*problem);
    const JsonOutline& file = std::get<JsonOutline>(read);
    if (file.at({}).kind != JsonKind::Object)
        return std::string("does not hold a JSON object");
    if (auto wrong = KeysWrong(file, {}, {"format", "gains", "product", "serial", "version"}))
        return std::move(*wrong);
    if (auto wrong = FormatWrong(file))
        return std::move(*wrong);
    SavedSettings settings;
    if (auto wrong = ReadBoardNames(file, settings))
        return std::move(*wrong);
    if (auto wrong = ReadGains(file, settings))
        return std::move(*wrong);
    return settings;
}

} // namespace tensilo::ctl
