#include "device/read_channel.h"

namespace tensilo::device {

void ReadDeviceCaps(HidApi& hid, WindowState& state) {
    state.PreparsedData = 0;
    state.LastResult = hid.HidD_GetPreparsedData(state.DeviceHandle, state.PreparsedData);
    if (state.LastResult == 0) {
        // No preparsed data of this board: nothing to read it from and nothing to release.
        state.PreparsedData = 0;
        return;
    }
    HidCaps caps = state.Capabilities;
    state.LastResult = hid.HidP_GetCaps(state.PreparsedData, caps);
    if (state.LastResult == kHidpStatusSuccess)
        state.Capabilities = caps;
    state.LastResult = hid.HidD_FreePreparsedData(state.PreparsedData);
    state.PreparsedData = 0;
}

void CreateReadEvent(HidApi& hid, WindowState& state) {
    if (state.ReadEvent == kNoHandle)
        state.ReadEvent = hid.CreateEventA(state.HandleSecurity, true, true);
    state.ReadOverlapped.Offset = 0;
    state.ReadOverlapped.OffsetHigh = 0;
    state.ReadOverlapped.hEvent = state.ReadEvent;
}

} // namespace tensilo::device
