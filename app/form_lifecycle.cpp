// The window's life: load, the polling timer's tick, and closing.
#include "app/frm_main.h"

#include "device/board_access.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace tensilo::app {

void FrmMain::Form_Load() {
    state_.SettingsLoaded = kFalse;
    state_.DeviceChanged = kFalse;
    state_.GainListsReady = kFalse;
    state_.DeviceConfigurable = kFalse;
    // On the screen at once, while the board is searched for and read: the window system's
    // exposure of the new window is taken here and the window painted, since the event loop that
    // would do it runs only after this handler. The user's input waits until the handler is done.
    show();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    SearchAndOpenBoard();
    Timer.setEnabled(true);
}

void FrmMain::Timer_Timer() {
    // A tick that arrives while an earlier one waits in a yield is dropped: two polls at once
    // could both close, or both open, the board.
    if (pollRunning_ || closed_)
        return;
    pollRunning_ = true;
    PollInputReport();
    pollRunning_ = false;
}

void FrmMain::Form_Unload(int& /*cancel: left as it is, so closing always goes ahead*/) {
    Timer.setEnabled(false);
    state_.DeviceConfigurable = kFalse;
    CloseOpenBoard();
    closed_ = true;
}

void FrmMain::CloseBoardForRetry() {
    CloseOpenBoard();
    Timer.setInterval(RetryInterval);
    state_.SettingsLoaded = kFalse;
}

void FrmMain::CloseOpenBoard() {
    // Only an open board is closed, and DeviceDetected is cleared with the close, so no handle
    // is ever closed twice.
    if (state_.DeviceDetected != kTrue)
        return;
    state_.DeviceDetected = kFalse;
    device::CloseBoard(hid_, state_);
}

} // namespace tensilo::app
