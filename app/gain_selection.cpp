// Gain selection: a new selection in a gain list is written to the board at once as three
// register writes (code, shift, fine), under the board's write lock, so that another program
// writing the same board never mixes its writes with these; "Restore default settings" selects the
// default gains, which writes them through the same handlers, each gain under a lock of its own.
#include "app/frm_main.h"

#include "device/board_access.h"
#include "device/board_write_lock.h"

namespace tensilo::app {

void FrmMain::SendGainSelection(ListControl& list, protocol::Channel channel) {
    if (state_.GainListsReady != kTrue)
        return;
    const int item = list.listIndex();
    // The board is written only by a selection made while a board is open, after its settings
    // were read back, and when a settings report was accepted since the last enumeration.
    if (state_.DeviceConfigurable != kTrue || state_.DeviceDetected != kTrue ||
        state_.SettingsLoaded != kTrue)
        return;
    // A board that refused any of the three writes may hold a gain other than the one picked: the
    // lists are brought back to what it holds, rather than show a gain as if it were set. A board
    // whose write lock another program kept for the whole wait is sent nothing, and counts as
    // refusing.
    bool refused = true;
    {
        const device::BoardWriteLock lock(hid_, state_.DeviceHandle);
        if (lock.Taken())
            refused = device::WriteGain(hid_, state_, channel, item) == device::GainWrite::Refused;
    }
    if (refused)
        ReadBackSettings();
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
    // Each selection runs its list's handler, which writes the gain.
    for (const protocol::ChannelItem& gain : protocol::kDefaultGains)
        GainList(gain.channel).setListIndex(gain.item);
}

} // namespace tensilo::app
