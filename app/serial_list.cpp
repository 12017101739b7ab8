// The serial-number list: finding the attached boards, opening the selected one, and switching
// boards when the user picks another serial number.
#include "app/frm_main.h"

#include "device/access_hint.h"
#include "device/board_access.h"
#include "device/interface_walk.h"

#include <QComboBox>

namespace tensilo::app {

using device::BoardVerdict;

namespace {

// While the list holds no serial number its box shows, in grey and without being an item, why:
// no board at all, or a board this user may not open.
void ShowWhySerialListIsEmpty(ListControl& list, bool boardAccessRefused) {
    auto* box = qobject_cast<QComboBox*>(list.widget());
    if (box == nullptr)
        return;
    const bool noAccess = list.count() == 0 && boardAccessRefused;
    const QString placeholder = noAccess ? QStringLiteral("No access") : QStringLiteral("No board");
    if (box->placeholderText() != placeholder)
        box->setPlaceholderText(placeholder);
    const QString tip = noAccess ? QString::fromStdString(device::NoAccessHint()) : QString();
    if (box->toolTip() != tip)
        box->setToolTip(tip);
}

} // namespace

void FrmMain::Scan_USB_devices() {
    // The handler guard is false from here on, so the list's own selection events do nothing.
    state_.DeviceConfigurable = kFalse;
    SerNo.clear();
    SerNo.setEnabled(false);
    std::int16_t lastEntryIndex = -1;
    device::WalkNotes notes;
    device::WalkInterfaces(
        hid_, state_,
        [&](const std::string& serialText) {
            ++lastEntryIndex;
            SerNo.appendItem(QString::fromStdString(serialText));
            SerNo.setListIndex(lastEntryIndex);
            return BoardVerdict::Close;
        },
        &notes);
    ShowWhySerialListIsEmpty(SerNo, !notes.refusedBoardPaths.empty());
    // One board shows its serial number in a disabled list; two or more can be chosen from.
    if (lastEntryIndex > 0)
        SerNo.setEnabled(true);
}

bool FrmMain::FindTheHid() {
    state_.DeviceDetected = kFalse;
    if (!device::OpenBoard(hid_, state_, SerNo.text().toStdString()))
        return false;
    state_.DeviceDetected = kTrue;
    return true;
}

void FrmMain::OpenListedBoard() {
    // SettingsLoaded stays false until the read-back has brought the window in line with the
    // board, so that nothing the search or the read-back selects is written to it.
    state_.SettingsLoaded = kFalse;
    // DeviceChanged is cleared only when the board opened: a pick whose board cannot be opened
    // leaves it set, and the next tick searches again.
    if (FindTheHid())
        state_.DeviceChanged = kFalse;
    ReadBackSettings();
}

void FrmMain::SearchAndOpenBoard() {
    Scan_USB_devices();
    OpenListedBoard();
}

void FrmMain::SerNo_Click() {
    if (state_.DeviceConfigurable != kTrue)
        return;
    Timer.setEnabled(false);
    state_.DeviceChanged = kTrue;
    if (state_.DeviceDetected == kTrue)
        CloseBoardForRetry();
    OpenListedBoard();
    Timer.setEnabled(true);
}

} // namespace tensilo::app
