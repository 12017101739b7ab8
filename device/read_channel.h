// The open board's capabilities and the read channel of its input reports.
#pragma once

#include "device/hid_api.h"
#include "device/window_state.h"

namespace tensilo::device {

// Reads the capabilities of the board open on DeviceHandle into Capabilities. When the preparsed
// data cannot be obtained, or the capabilities cannot be read from it, Capabilities keeps what it
// held, and only preparsed data that was obtained is released (once).
void ReadDeviceCaps(HidApi& hid, WindowState& state);

// Creates ReadEvent at the first call that can (manual reset, signalled, unnamed, with
// HandleSecurity) and arms ReadOverlapped for a read on ReadHandle: offsets 0, event ReadEvent.
// LastResult is not touched.
void CreateReadEvent(HidApi& hid, WindowState& state);

} // namespace tensilo::device
