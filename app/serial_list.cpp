// The serial-number list: finding the attached boards, opening the selected one, and switching
// boards when the user picks another serial number.
#include "app/frm_main.h"

#include "device/interface_walk.h"
#include "device/read_channel.h"

namespace tensilo::app {

using device::BoardVerdict;

void FrmMain::Scan_USB_devices() {
    // The handler guard is false from here on, so the list's own selection events do nothing.
    state_.DeviceConfigurable = kFalse;
    SerNo.clear();
    SerNo.setEnabled(false);
    std::int16_t lastEntryIndex = -1;
    device::WalkInterfaces(hid_, state_, [&](const std::string& serialText) {
        ++lastEntryIndex;
        SerNo.appendItem(QString::fromStdString(serialText));
        SerNo.setListIndex(lastEntryIndex);
        return BoardVerdict::Close;
    });
    // One board shows its serial number in a disabled list; two or more can be chosen from.
    if (lastEntryIndex > 0)
        SerNo.setEnabled(true);
}

bool FrmMain::FindTheHid() {
    state_.DeviceDetected = kFalse;
    const std::string selected = SerNo.text().toStdString();
    const bool found = device::WalkInterfaces(hid_, state_, [&](const std::string& serialText) {
        return serialText == selected ? BoardVerdict::KeepAndStop : BoardVerdict::Close;
    });
    if (!found)
        return false;
    state_.DeviceDetected = kTrue;
    device::ReadDeviceCaps(hid_, state_);
    state_.ReadHandle = hid_.CreateFileA(state_.DevicePath, device::kGenericRead | device::kGenericWrite,
                                         device::kFileShareRead | device::kFileShareWrite,
                                         state_.HandleSecurity, device::kOpenExisting,
                                         device::kFileFlagOverlapped);
    if (!device::IsOpenHandle(state_.ReadHandle)) {
        // Without its read handle the board cannot be polled; it counts as not found, and its
        // first handle is closed here rather than left for a close of a handle never opened.
        state_.DeviceDetected = kFalse;
        state_.LastResult = hid_.CloseHandle(state_.DeviceHandle);
        return false;
    }
    device::CreateReadEvent(hid_, state_);
    return true;
}

void FrmMain::SerNo_Click() {
    if (state_.DeviceConfigurable != kTrue)
        return;
    Timer.setEnabled(false);
    state_.DeviceChanged = kTrue;
    if (state_.DeviceDetected == kTrue) {
        CloseOpenBoard();
        Timer.setInterval(RetryInterval);
        state_.SettingsLoaded = kFalse;
    }
    state_.SettingsLoaded = kFalse;
    state_.DeviceDetected = FindTheHid() ? kTrue : kFalse;
    if (state_.DeviceDetected == kTrue)
        state_.DeviceChanged = kFalse;
    ReadBackSettings();
    Timer.setEnabled(true);
}

} // namespace tensilo::app
