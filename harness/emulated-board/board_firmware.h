// The board's firmware as logic alone: its descriptors, its answer to each control request on
// its HID interface, its settings and registers, and its input reports. No USB I/O happens here,
// so that every answer can be checked without a kernel.
#pragma once

#include "harness/emulated-board/board_options.h"

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace tensilo::emulated {

// A USB control request as the host sent it (the 8-byte setup packet).
struct SetupPacket {
    std::uint8_t requestType = 0;
    std::uint8_t request = 0;
    std::uint16_t value = 0;
    std::uint16_t index = 0;
    std::uint16_t length = 0;
};

// What the board does with a control request.
struct ControlAnswer {
    enum class Kind {
        Stall,       // the request is refused
        Reply,       // device to host: send `data` (never longer than the host asked for)
        Acknowledge, // host to device without data: accept
        ReceiveData, // host to device: take exactly `length` bytes, then hand them to TakeData
    };
    Kind kind = Kind::Stall;
    std::vector<std::uint8_t> data;
};

class BoardFirmware {
public:
    explicit BoardFirmware(const BoardOptions& options);

    // The report descriptor: the product's own, with report ID 1 when reports are numbered.
    const std::vector<std::uint8_t>& ReportDescriptor() const { return reportDescriptor_; }
    // The HID class descriptor that follows the interface descriptor.
    std::vector<std::uint8_t> HidDescriptor() const;

    ControlAnswer Answer(const SetupPacket& setup) const;

    // The data stage of a request that Answer told to receive. Returns the report as the host
    // framed it (report ID first) when the board took it, for the log; a register write (command
    // 1, register 0 to 8) changes the settings. Contents the board does not understand change
    // nothing: the USB status stage has already gone by then, so they cannot be refused.
    std::vector<std::uint8_t> TakeData(const SetupPacket& setup, std::span<const std::uint8_t> data);

    // The settings report as the board sends it, report ID included when reports are numbered.
    std::vector<std::uint8_t> SettingsReport() const;
    // The input report for the given count of reports sent so far (report ID first when numbered).
    std::vector<std::uint8_t> InputReport(std::uint32_t sequence) const;

    static constexpr std::size_t kInputDataLength = 6;
    static constexpr std::size_t kFeatureDataLength = 16;
    static constexpr std::uint8_t kNumberedReportId = 1;

private:
    std::uint8_t ReportId() const { return options_.numberedReports ? kNumberedReportId : 0; }
    // Bytes in the data stage of a feature report: the report ID travels in it only when numbered.
    std::size_t FeatureDataStage() const { return kFeatureDataLength + (options_.numberedReports ? 1 : 0); }

    BoardOptions options_;
    std::vector<std::uint8_t> reportDescriptor_;
    std::array<std::uint8_t, 9> registers_;
    std::uint8_t idleRate_ = 0;
    std::uint8_t protocol_ = 1; // report protocol
};

} // namespace tensilo::emulated
