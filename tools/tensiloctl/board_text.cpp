#include "tools/tensiloctl/board_text.h"

#include "protocol/device_strings.h"
#include "protocol/settings_report.h"

#include <algorithm>

namespace tensilo::ctl {

std::string VersionText(const std::optional<std::uint16_t>& version) {
    if (!version)
        return {};
    const std::string caption = protocol::VersionCaption(*version);
    return caption.substr(caption.find_first_not_of(' '));
}

std::string GainText(std::optional<int> item) {
    return item ? protocol::GainItemText(*item) : "none";
}

const char* SettableText(bool settable) {
    return settable ? "settable" : "not settable";
}

std::string GainTitle(protocol::Channel channel) {
    switch (channel) {
    case protocol::Channel::Pot1:
        return "the potentiometer 1 gain";
    case protocol::Channel::Pot2:
        return "the potentiometer 2 gain";
    case protocol::Channel::LoadCell:
        break;
    }
    return "the load-cell gain";
}

std::string HeldGainsText(const std::vector<std::uint8_t>& report,
                          const std::vector<protocol::Channel>& channels) {
    std::string text;
    for (const protocol::Channel channel : protocol::kChannels)
        if (std::find(channels.begin(), channels.end(), channel) != channels.end())
            text.append(" ")
                .append(protocol::ChannelName(channel))
                .append("=")
                .append(GainText(protocol::SettingsItem(report, channel)));
    return text;
}

} // namespace tensilo::ctl
