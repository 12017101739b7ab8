// A board's details, gains and settings as tensiloctl prints them, for every command that shows
// them (list, show, set, test).
#pragma once

#include "device/board_access.h"
#include "protocol/gain_items.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tensilo::ctl {

// The version as the window shows it, without its leading space ("1.2"); empty when there is
// none.
std::string VersionText(const std::optional<std::uint16_t>& version);

// A gain item's text, or "none" where the registers name no gain.
std::string GainText(std::optional<int> item);

// "settable" or "not settable".
const char* SettableText(bool settable);

// A channel's gain in a sentence: "the load-cell gain", "the potentiometer 1 gain".
std::string GainTitle(protocol::Channel channel);

// " lc=500 pot2=2.5": the gains of `channels` as `report` holds them, in the channels' order.
std::string HeldGainsText(const std::vector<std::uint8_t>& report,
                          const std::vector<protocol::Channel>& channels);

} // namespace tensilo::ctl
