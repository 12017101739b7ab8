#include "tools/hid-list/hid_listing.h"

#include "device/board_identity.h"
#include "device/interface_walk.h"
#include "protocol/device_strings.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>

namespace tensilo::tools {

using namespace tensilo::device;

namespace {

using StringRequest = std::int32_t (HidApi::*)(Handle, std::span<std::uint8_t>);

std::optional<std::string> ReadString(HidApi& hid, Handle device, StringRequest request) {
    std::array<std::uint8_t, protocol::kDeviceStringBufferSize> buffer{};
    if ((hid.*request)(device, std::span(buffer).first(protocol::kDeviceStringRequestLength)) == 0)
        return std::nullopt;
    return protocol::LowByteText(buffer);
}

void Describe(HidApi& hid, InterfaceReport& report) {
    SecurityAttributes security;
    security.nLength = 12;
    security.bInheritHandle = true;
    const Handle device =
        hid.CreateFileA(report.path, kGenericRead | kGenericWrite, kFileShareRead | kFileShareWrite,
                        security, kOpenExisting, 0);
    if (!IsOpenHandle(device))
        return;
    report.opened = true;

    report.attributes.Size = kAttributesSize;
    report.attributesRead = hid.HidD_GetAttributes(device, report.attributes) != 0;
    report.serial = ReadString(hid, device, &HidApi::HidD_GetSerialNumberString);
    report.manufacturer = ReadString(hid, device, &HidApi::HidD_GetManufacturerString);
    report.product = ReadString(hid, device, &HidApi::HidD_GetProductString);

    PreparsedData preparsed = 0;
    if (hid.HidD_GetPreparsedData(device, preparsed) != 0) {
        report.capsRead = hid.HidP_GetCaps(preparsed, report.caps) == kHidpStatusSuccess;
        hid.HidD_FreePreparsedData(preparsed);
    }
    hid.CloseHandle(device);
}

std::string Hex4(std::uint16_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (int shift = 12; shift >= 0; shift -= 4)
        text += kDigits[(value >> shift) & 0xF];
    return text;
}

std::string Quoted(const std::optional<std::string>& text) {
    return text ? "\"" + *text + "\"" : std::string("(request failed)");
}

std::string Counted(std::size_t count, const char* noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

} // namespace

bool InterfaceReport::IsBoard() const {
    return attributesRead && attributes.VendorID == BoardVendorId &&
           attributes.ProductID == BoardProductId;
}

std::vector<InterfaceReport> ListHidInterfaces(HidApi& hid) {
    std::vector<InterfaceReport> reports;
    Guid hidGuid;
    hid.HidD_GetHidGuid(hidGuid);
    const Handle set = hid.SetupDiGetClassDevsA(hidGuid, kDigcfPresent | kDigcfDeviceInterface);
    if (!IsOpenHandle(set))
        return reports;
    for (std::uint32_t memberIndex = 0;; ++memberIndex) {
        InterfaceData data;
        data.cbSize = sizeof data;
        if (hid.SetupDiEnumDeviceInterfaces(set, hidGuid, memberIndex, data) == 0)
            break;
        InterfaceReport& report = reports.emplace_back();
        report.path = InterfacePath(hid, set, data);
        Describe(hid, report);
    }
    hid.SetupDiDestroyDeviceInfoList(set);
    return reports;
}

std::string FormatInterfaceLine(const InterfaceReport& report) {
    std::string line = report.IsBoard() ? "* " : "  ";
    line += report.path.empty() ? "(no device path)" : report.path;
    if (!report.opened)
        return line + "  (open refused)";
    if (report.attributesRead) {
        line += "  vendor " + Hex4(report.attributes.VendorID) + " product " +
                Hex4(report.attributes.ProductID) + " version " +
                Hex4(report.attributes.VersionNumber);
    } else {
        line += "  attributes (request failed)";
    }
    line += "  serial " + Quoted(report.serial);
    line += "  manufacturer " + Quoted(report.manufacturer);
    line += "  product " + Quoted(report.product);
    if (report.capsRead) {
        line += "  input " + std::to_string(report.caps.InputReportByteLength) + " feature " +
                std::to_string(report.caps.FeatureReportByteLength);
    } else {
        line += "  report lengths (request failed)";
    }
    return line;
}

std::string FormatSummary(const std::vector<InterfaceReport>& reports) {
    const auto boards = std::count_if(reports.begin(), reports.end(),
                                      [](const InterfaceReport& r) { return r.IsBoard(); });
    return Counted(reports.size(), "interface") + ", " +
           Counted(static_cast<std::size_t>(boards), "Tensilo board");
}

} // namespace tensilo::tools
