// The read-back: bring the window in line with the open board (its details, its gains, its
// settings report) or with the absence of one. It never writes to the board: every selection it
// makes happens while SettingsLoaded is false, which stops the gain handlers before they send.
#include "app/frm_main.h"

#include "device/board_access.h"
#include "protocol/device_strings.h"
#include "protocol/settings_report.h"

#include <QLocale>

#include <array>
#include <optional>
#include <string>

namespace tensilo::app {

void FrmMain::ReadBackSettings() {
    ClearBoardView();
    if (state_.DeviceDetected != kTrue)
        return;
    FillGainLists();
    // The gain controls, for boards whose version allows it.
    if (ShowDeviceDetails().AllowsGainChanges()) {
        for (ListControl* list : GainLists())
            list->setListIndex(0);
        SetGainControlsEnabled(true);
    }
    ReadSettingsReport();
    state_.SettingsLoaded = kTrue;
}

std::array<ListControl*, 3> FrmMain::GainLists() {
    return {&LC_gain, &Pot1, &Pot2};
}

ListControl& FrmMain::GainList(protocol::Channel channel) {
    switch (channel) {
    case protocol::Channel::Pot1:
        return Pot1;
    case protocol::Channel::Pot2:
        return Pot2;
    case protocol::Channel::LoadCell:
        break;
    }
    return LC_gain;
}

void FrmMain::SetGainControlsEnabled(bool enabled) {
    for (ListControl* list : GainLists())
        list->setEnabled(enabled);
    for (Control* control : std::array<Control*, 9>{&Frame2, &Frame3, &Command1, &Label6, &Label7,
                                                    &Label8, &Label9, &Label10, &Label11})
        control->setEnabled(enabled);
}

void FrmMain::ClearBoardView() {
    state_.SettingsLoaded = kFalse;
    lblManuf.setCaption({});
    lblProduct.setCaption({});
    lblVersion.setCaption({});
    for (ListControl* list : GainLists())
        list->clear();
    state_.GainListsReady = kFalse;
    Summary.setText({});
    Pot1_bar.setWidth(0);
    LC_bar.setWidth(0);
    Pot2_bar.setWidth(0);
    SetGainControlsEnabled(false);
}

void FrmMain::FillGainLists() {
    // Filled while GainListsReady is false, so that their selections send nothing. The items are
    // in the default locale's notation at this read-back; each text is made when it is shown.
    const std::string separator = QLocale().decimalPoint().toStdString();
    const auto gainText = [separator](int k) {
        return QString::fromStdString(protocol::GainItemText(k, separator));
    };
    for (ListControl* list : GainLists()) {
        list->setItems(protocol::kGainItemCount, gainText);
        list->setListIndex(0);
    }
    state_.GainListsReady = kTrue;
}

device::BoardDetails FrmMain::ShowDeviceDetails() {
    const device::BoardDetails details = device::ReadBoardDetails(hid_, state_, state_.ReadHandle);
    if (details.manufacturer)
        lblManuf.setCaption(" " + QString::fromStdString(*details.manufacturer));
    if (details.version)
        lblVersion.setCaption(QString::fromStdString(protocol::VersionCaption(*details.version)));
    if (details.product)
        lblProduct.setCaption(" " + QString::fromStdString(*details.product));
    Frame1.setEnabled(true);
    return details;
}

void FrmMain::ReadSettingsReport() {
    const auto report = device::ReadSettingsReport(hid_, state_);
    if (!report)
        return;
    for (const protocol::Channel channel : protocol::kChannels)
        if (const auto item = protocol::SettingsItem(*report, channel))
            GainList(channel).setListIndex(*item);
    state_.DeviceConfigurable = kTrue;
    Summary.setText(QString::fromStdString(protocol::SettingsSummary(*report)));
}

} // namespace tensilo::app
