#include "tools/hid-list/hid_listing.h"

#include "device/access_hint.h"
#include "device/board_identity.h"
#include "device/device_string_text.h"
#include "device/interface_walk.h"
#include "device/system_failure.h"
#include "protocol/device_strings.h"
#include "protocol/hex_text.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <span>

namespace tensilo::tools {

using namespace tensilo::device;

namespace {

using StringRequest = std::int32_t (HidApi::*)(Handle, std::span<std::uint8_t>);

std::optional<std::string> ReadString(HidApi& hid, Handle device, StringRequest request,
                                      InterfaceReport& report, const char* name) {
    std::array<std::uint8_t, protocol::kDeviceStringBufferSize> buffer{};
    if ((hid.*request)(device, std::span(buffer).first(protocol::kDeviceStringRequestLength)) == 0) {
        report.failures[name] = LastFailureText(hid);
        return std::nullopt;
    }
    return device::DeviceStringText(buffer);
}

void Describe(HidApi& hid, InterfaceReport& report) {
    SecurityAttributes security;
    security.nLength = 12;
    security.bInheritHandle = true;
    const Handle device =
        hid.CreateFileA(report.path, kGenericRead | kGenericWrite, kFileShareRead | kFileShareWrite,
                        security, kOpenExisting, 0);
    if (!IsOpenHandle(device)) {
        report.failures["open"] = LastFailureText(hid);
        if (const auto failure = hid.LastFailure();
            failure && failure->kind == SystemFailure::Kind::AccessDenied) {
            report.accessDenied = true;
            report.refusedVendorId = failure->refusedVendorId;
            report.refusedProductId = failure->refusedProductId;
        }
        return;
    }
    report.opened = true;

    report.attributes.Size = kAttributesSize;
    report.attributesRead = hid.HidD_GetAttributes(device, report.attributes) != 0;
    if (!report.attributesRead)
        report.failures["attributes"] = LastFailureText(hid);
    report.serial = ReadString(hid, device, &HidApi::HidD_GetSerialNumberString, report, "serial");
    report.manufacturer =
        ReadString(hid, device, &HidApi::HidD_GetManufacturerString, report, "manufacturer");
    report.product = ReadString(hid, device, &HidApi::HidD_GetProductString, report, "product");

    PreparsedData preparsed = 0;
    if (hid.HidD_GetPreparsedData(device, preparsed) != 0) {
        report.capsRead = hid.HidP_GetCaps(preparsed, report.caps) == kHidpStatusSuccess;
        if (!report.capsRead)
            report.failures["report lengths"] = LastFailureText(hid);
        hid.HidD_FreePreparsedData(preparsed);
    } else {
        report.failures["report lengths"] = LastFailureText(hid);
    }
    hid.CloseHandle(device);
}

std::string Hex4(std::uint16_t value) {
    return "0x" + protocol::HexDigits(value, 4);
}

// "(request failed: REASON)", with the system's reason where it gave one.
std::string RequestFailed(const InterfaceReport& report, const std::string& name) {
    const auto found = report.failures.find(name);
    return found == report.failures.end() ? std::string("(request failed)")
                                          : "(request failed: " + found->second + ")";
}

std::string Quoted(const std::optional<std::string>& text, const InterfaceReport& report,
                   const std::string& name) {
    return text ? "\"" + *text + "\"" : RequestFailed(report, name);
}

std::string Counted(std::size_t count, const char* noun) {
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

} // namespace

bool InterfaceReport::IsBoard() const {
    return (attributesRead && attributes.VendorID == BoardVendorId &&
            attributes.ProductID == BoardProductId) ||
           IsRefusedBoard();
}

bool InterfaceReport::IsRefusedBoard() const {
    return !opened && accessDenied && refusedVendorId == BoardVendorId &&
           refusedProductId == BoardProductId;
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
    if (!report.opened) {
        const auto reason = report.failures.find("open");
        line += reason == report.failures.end() ? "  (open refused)"
                                                : "  (open refused: " + reason->second + ")";
        // The system may still tell whose device it is.
        if (report.refusedVendorId != 0 || report.refusedProductId != 0)
            line += "  vendor " + Hex4(report.refusedVendorId) + " product " +
                    Hex4(report.refusedProductId);
        return line;
    }
    if (report.attributesRead) {
        line += "  vendor " + Hex4(report.attributes.VendorID) + " product " +
                Hex4(report.attributes.ProductID) + " version " +
                Hex4(report.attributes.VersionNumber);
    } else {
        line += "  attributes " + RequestFailed(report, "attributes");
    }
    line += "  serial " + Quoted(report.serial, report, "serial");
    line += "  manufacturer " + Quoted(report.manufacturer, report, "manufacturer");
    line += "  product " + Quoted(report.product, report, "product");
    if (report.capsRead) {
        line += "  input " + std::to_string(report.caps.InputReportByteLength) + " feature " +
                std::to_string(report.caps.FeatureReportByteLength);
    } else {
        line += "  report lengths " + RequestFailed(report, "report lengths");
    }
    return line;
}

std::string FormatSummary(const std::vector<InterfaceReport>& reports) {
    const auto boards = std::count_if(reports.begin(), reports.end(),
                                      [](const InterfaceReport& r) { return r.IsBoard(); });
    const auto refused = std::count_if(reports.begin(), reports.end(),
                                       [](const InterfaceReport& r) { return r.IsRefusedBoard(); });
    std::string summary = Counted(reports.size(), "interface") + ", " +
                          Counted(static_cast<std::size_t>(boards), "Tensilo board");
    if (refused > 0)
        summary += " (" + std::to_string(refused) + " of them refused to this user)";
    return summary;
}

std::string AccessAdvice(const std::vector<InterfaceReport>& reports) {
    if (std::none_of(reports.begin(), reports.end(),
                     [](const InterfaceReport& r) { return r.IsRefusedBoard(); }))
        return {};
    return NoAccessHint();
}

std::string NoInterfaceAdvice() {
#ifdef _WIN32
    return "The system offers no HID interface: check the board's cable and look for the board "
           "in Device Manager (Human Interface Devices, or a device with a warning sign).";
#else
    return "The system offers no HID interface: check the board's cable, then whether the kernel "
           "saw the board (`dmesg`, `lsusb`) and made a /dev/hidraw node for it.";
#endif
}

} // namespace tensilo::tools
