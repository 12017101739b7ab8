#include "harness/emulated-board/board_firmware.h"

#include "harness/emulated-board/board_constants.h"

#include <algorithm>

namespace tensilo::emulated {

namespace {

// bmRequestType values of the requests the board serves, all addressed to its interface.
constexpr std::uint8_t kStandardInterfaceIn = 0x81;
constexpr std::uint8_t kClassInterfaceIn = 0xA1;
constexpr std::uint8_t kClassInterfaceOut = 0x21;

constexpr std::uint8_t kGetDescriptor = 0x06;
constexpr std::uint8_t kGetReport = 0x01;
constexpr std::uint8_t kGetIdle = 0x02;
constexpr std::uint8_t kGetProtocol = 0x03;
constexpr std::uint8_t kSetReport = 0x09;
constexpr std::uint8_t kSetIdle = 0x0A;
constexpr std::uint8_t kSetProtocol = 0x0B;

constexpr std::uint8_t kHidDescriptorType = 0x21;
constexpr std::uint8_t kReportDescriptorType = 0x22;
constexpr std::uint8_t kInputReportType = 1;
constexpr std::uint8_t kFeatureReportType = 3;

constexpr std::uint8_t kRegisterWriteCommand = 1;

// The product's descriptor with a Report ID item placed right after the collection opens, so
// that it applies to the input and the feature report alike.
std::vector<std::uint8_t> MakeReportDescriptor(bool numbered) {
    std::vector<std::uint8_t> descriptor(kReportDescriptor.begin(), kReportDescriptor.end());
    if (numbered) {
        const auto collection = std::find(descriptor.begin(), descriptor.end(), 0xA1);
        descriptor.insert(collection + 2, {0x85, BoardFirmware::kNumberedReportId});
    }
    return descriptor;
}

ControlAnswer Reply(std::vector<std::uint8_t> data, std::uint16_t asked) {
    data.resize(std::min<std::size_t>(data.size(), asked));
    return {ControlAnswer::Kind::Reply, std::move(data)};
}

} // namespace

BoardFirmware::BoardFirmware(const BoardOptions& options)
    : options_(options), reportDescriptor_(MakeReportDescriptor(options.numberedReports)),
      registers_(options.registers) {}

std::vector<std::uint8_t> BoardFirmware::HidDescriptor() const {
    const auto length = static_cast<std::uint16_t>(reportDescriptor_.size());
    return {9, kHidDescriptorType, 0x11, 0x01, // bcdHID 1.11
            0,                                 // no country
            1,                                 // one class descriptor follows
            kReportDescriptorType, static_cast<std::uint8_t>(length & 0xFF),
            static_cast<std::uint8_t>(length >> 8)};
}

std::vector<std::uint8_t> BoardFirmware::SettingsReport() const {
    std::vector<std::uint8_t> report;
    if (options_.numberedReports)
        report.push_back(kNumberedReportId);
    report.push_back(options_.settingsMarker);
    report.push_back(0);
    report.insert(report.end(), registers_.begin(), registers_.end());
    report.insert(report.end(), options_.settingsTail.begin(), options_.settingsTail.end());
    return report;
}

std::vector<std::uint8_t> BoardFirmware::InputReport(std::uint32_t sequence) const {
    std::array<std::uint8_t, kInputDataLength> data{};
    if (options_.fixedReport) {
        data = *options_.fixedReport;
    } else {
        // Three ramps at different speeds, so that every byte of the report changes.
        const std::uint16_t values[3] = {static_cast<std::uint16_t>(sequence * 257u),
                                         static_cast<std::uint16_t>(sequence * 1031u),
                                         static_cast<std::uint16_t>(65535u - sequence * 509u)};
        for (std::size_t i = 0; i < 3; ++i) {
            data[2 * i] = static_cast<std::uint8_t>(values[i] & 0xFF);
            data[2 * i + 1] = static_cast<std::uint8_t>(values[i] >> 8);
        }
    }
    const std::size_t start = options_.numberedReports ? 1 : 0;
    std::vector<std::uint8_t> report(start + data.size(), kNumberedReportId);
    std::copy(data.begin(), data.end(), report.begin() + static_cast<std::ptrdiff_t>(start));
    return report;
}

ControlAnswer BoardFirmware::Answer(const SetupPacket& setup) const {
    // The board has one interface, number 0 within its function.
    if (setup.index != 0)
        return {};
    const auto type = static_cast<std::uint8_t>(setup.value >> 8);
    const auto id = static_cast<std::uint8_t>(setup.value & 0xFF);

    if (setup.requestType == kStandardInterfaceIn && setup.request == kGetDescriptor) {
        if (setup.value == kHidDescriptorType << 8)
            return Reply(HidDescriptor(), setup.length);
        if (setup.value == kReportDescriptorType << 8)
            return Reply(reportDescriptor_, setup.length);
        return {};
    }
    if (setup.requestType == kClassInterfaceIn) {
        switch (setup.request) {
        case kGetReport:
            if (id != ReportId())
                return {};
            if (type == kFeatureReportType && !options_.stallGetReport)
                return Reply(SettingsReport(), setup.length);
            if (type == kInputReportType)
                return Reply(InputReport(0), setup.length);
            return {};
        case kGetIdle:
            return Reply({idleRate_}, setup.length);
        case kGetProtocol:
            return Reply({protocol_}, setup.length);
        default:
            return {};
        }
    }
    if (setup.requestType == kClassInterfaceOut) {
        switch (setup.request) {
        case kSetReport:
            // Only the feature report, whole: a shorter or longer one is refused before its data.
            // A board that refuses register writes can do so only here, before it sees which
            // register a write is for: it refuses every one.
            if (type != kFeatureReportType || id != ReportId() ||
                setup.length != FeatureDataStage() || options_.stallSetReport)
                return {};
            return {ControlAnswer::Kind::ReceiveData, {}};
        case kSetIdle:
        case kSetProtocol:
            if (setup.length != 0)
                return {};
            return {ControlAnswer::Kind::Acknowledge, {}};
        default:
            return {};
        }
    }
    return {};
}

std::vector<std::uint8_t> BoardFirmware::TakeData(const SetupPacket& setup,
                                                  std::span<const std::uint8_t> data) {
    if (setup.requestType == kClassInterfaceOut && setup.request == kSetIdle)
        idleRate_ = static_cast<std::uint8_t>(setup.value >> 8);
    if (setup.requestType == kClassInterfaceOut && setup.request == kSetProtocol)
        protocol_ = static_cast<std::uint8_t>(setup.value & 1);
    if (setup.requestType != kClassInterfaceOut || setup.request != kSetReport ||
        data.size() != FeatureDataStage())
        return {};
    // The report as the host framed it: report ID first. A numbered report carries its ID in
    // the data already; an unnumbered one gets the 0 the host's stack took away.
    std::vector<std::uint8_t> report;
    if (!options_.numberedReports)
        report.push_back(0);
    report.insert(report.end(), data.begin(), data.end());
    // Byte 1 is the command, byte 2 the register, byte 3 its value.
    if (report[0] == ReportId() && report[1] == kRegisterWriteCommand &&
        report[2] < registers_.size())
        registers_[report[2]] = report[3];
    return report;
}

} // namespace tensilo::emulated
