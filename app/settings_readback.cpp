// The read-back: bring the window in line with the open board (its details, its gains, its
// settings report) or with the absence of one. It never writes to the board: every selection it
// makes happens while SettingsLoaded is false, which stops the gain handlers before they send.
#include "app/frm_main.h"

#include "device/device_string_text.h"
#include "protocol/device_strings.h"
#include "protocol/settings_report.h"

#include <QLocale>

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace tensilo::app {

void FrmMain::ReadBackSettings() {
    ClearBoardView();
    if (state_.DeviceDetected != kTrue)
        return;
    FillGainLists();
    const std::optional<std::uint8_t> versionMinor = ShowDeviceDetails();
    // The gain controls, for boards whose version allows it.
    if (versionMinor && *versionMinor >= 1) {
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

std::optional<std::uint8_t> FrmMain::ShowDeviceDetails() {
    std::array<std::uint8_t, protocol::kDeviceStringBufferSize> stringBuffer{};
    const auto request = std::span(stringBuffer).first(protocol::kDeviceStringRequestLength);
    std::optional<std::uint8_t> versionMinor;
    state_.LastResult = hid_.HidD_GetManufacturerString(state_.ReadHandle, request);
    if (state_.LastResult != 0) {
        lblManuf.setCaption(" " + QString::fromStdString(device::DeviceStringText(stringBuffer)));
        versionMinor = protocol::VersionMinor(state_.DeviceAttributes.VersionNumber);
        lblVersion.setCaption(
            QString::fromStdString(protocol::VersionCaption(state_.DeviceAttributes.VersionNumber)));
    }
    state_.LastResult = hid_.HidD_GetProductString(state_.ReadHandle, request);
    if (state_.LastResult != 0)
        lblProduct.setCaption(" " + QString::fromStdString(device::DeviceStringText(stringBuffer)));
    Frame1.setEnabled(true);
    return versionMinor;
}

void FrmMain::ReadSettingsReport() {
    // A board whose feature reports cannot hold the 17 bytes read here is treated like one whose
    // report is refused.
    const std::size_t featureLength = state_.Capabilities.FeatureReportByteLength;
    if (featureLength < protocol::kSettingsReportLength)
        return;
    std::vector<std::uint8_t> report(featureLength, 0);
    state_.LastResult = hid_.HidD_GetFeature(state_.DeviceHandle, report);
    if (!protocol::AcceptSettingsReport(state_.LastResult != 0, report))
        return;
    const std::array<protocol::Channel, 3> channels = {protocol::Channel::LoadCell,
                                                       protocol::Channel::Pot1, protocol::Channel::Pot2};
    const auto lists = GainLists();
    for (std::size_t i = 0; i < channels.size(); ++i)
        if (const auto item = protocol::SettingsItem(report, channels[i]))
            lists[i]->setListIndex(*item);
    state_.DeviceConfigurable = kTrue;
    Summary.setText(QString::fromStdString(protocol::SettingsSummary(report)));
}

} // namespace tensilo::app
