// Gain selection: a new selection in a gain list is written to the board at once as three
// register writes (code, shift, fine); "Restore default settings" selects the default gains,
// which writes them through the same handlers.
#include "app/frm_main.h"

#include "protocol/register_write.h"

#include <vector>

namespace tensilo::app {

namespace {

constexpr int kDefaultLoadCellItem = 2292; // gain 500
constexpr int kDefaultPotItem = 0;         // gain 1

} // namespace

void FrmMain::SendGainSelection(ListControl& list, protocol::Channel channel) {
    if (state_.GainListsReady != kTrue)
        return;
    const auto writes = protocol::GainSelectionWrites(channel, list.listIndex());
    // The board is written only by a selection made while a board is open, after its settings
    // were read back, and when a settings report was accepted since the last enumeration.
    if (state_.DeviceConfigurable != kTrue || state_.DeviceDetected != kTrue ||
        state_.SettingsLoaded != kTrue)
        return;
    // A board whose feature reports cannot hold the command is sent nothing.
    const std::size_t featureLength = state_.Capabilities.FeatureReportByteLength;
    if (featureLength < protocol::kRegisterWriteMinLength)
        return;
    std::vector<std::uint8_t> report(featureLength, 0);
    for (const protocol::RegisterWrite& write : writes) {
        protocol::FillRegisterWrite(report, write);
        state_.LastResult = hid_.HidD_SetFeature(state_.DeviceHandle, report);
    }
}

void FrmMain::LC_gain_Click() {
    SendGainSelection(LC_gain, protocol::Channel::LoadCell);
}

void FrmMain::Pot1_Click() {
    SendGainSelection(Pot1, protocol::Channel::Pot1);
}

void FrmMain::Pot2_Click() {
    SendGainSelection(Pot2, protocol::Channel::Pot2);
}

void FrmMain::Command1_Click() {
    Pot1.setListIndex(kDefaultPotItem);
    Pot2.setListIndex(kDefaultPotItem);
    LC_gain.setListIndex(kDefaultLoadCellItem);
}

} // namespace tensilo::app
