// Checks of the Win32 HID backend against an emulated board, under Wine in the guest of
// tests/kernel, where Wine's HID bus reaches the board through the kernel's hidraw node. The one
// board plugged in is A of tests/kernel/boards: default registers, and an input report of
// 00 80 FF FF 00 00 every 10 ms. Exits 0 when every check held.
#include "device/board_identity.h"
#include "device/platform_backend.h"
#include "tools/hid-list/hid_listing.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

using namespace tensilo;
using namespace tensilo::device;

namespace {

int failed = 0;

void Check(bool ok, const char* expression, int line) {
    if (!ok) {
        ++failed;
        std::printf("FAIL line %d: %s\n", line, expression);
    }
}
#define CHECK(expression) Check(static_cast<bool>(expression), #expression, __LINE__)

std::vector<std::uint8_t> SettingsReport(HidApi& hid, Handle device) {
    std::vector<std::uint8_t> report(BoardFeatureReportByteLength, 0);
    CHECK(hid.HidD_GetFeature(device, report) != 0);
    return report;
}

// Compares a settings report with the expected one, and shows both when they differ.
bool SameReport(const std::vector<std::uint8_t>& got, const std::vector<std::uint8_t>& expected) {
    if (got == expected)
        return true;
    std::printf("settings report:");
    for (const auto byte : got)
        std::printf(" %02X", byte);
    std::printf("\nexpected:       ");
    for (const auto byte : expected)
        std::printf(" %02X", byte);
    std::printf("\n");
    return false;
}

} // namespace

int main() {
    const auto hid = MakePlatformHidApi();
    std::vector<std::string> boards;
    for (const auto& report : tools::ListHidInterfaces(*hid)) {
        if (!report.IsBoard())
            continue;
        boards.push_back(report.path);
        CHECK(report.serial == std::optional<std::string>("TS-B2"));
        CHECK(report.attributes.VersionNumber == 0x0203);
        CHECK(report.caps.InputReportByteLength == BoardInputReportByteLength);
        CHECK(report.caps.FeatureReportByteLength == BoardFeatureReportByteLength);
    }
    CHECK(boards.size() == 1);
    if (boards.size() != 1)
        return 1;

    SecurityAttributes security;
    security.nLength = 12;
    const Handle device = hid->CreateFileA(boards[0], kGenericRead | kGenericWrite,
                                           kFileShareRead | kFileShareWrite, security,
                                           kOpenExisting, 0);
    const Handle reader = hid->CreateFileA(boards[0], kGenericRead | kGenericWrite,
                                           kFileShareRead | kFileShareWrite, security,
                                           kOpenExisting, kFileFlagOverlapped);
    CHECK(IsOpenHandle(device));
    CHECK(IsOpenHandle(reader));

    // The settings report, framed as the program reads it: report number 0, then the data.
    const std::vector<std::uint8_t> defaults = {0x00, 0xEE, 0x00, 0x0C, 0x00, 0x0B, 0x00, 0x08, 0x01,
                                                0x80, 0xFF, 0x10, 0x01, 0x02, 0x03, 0x04, 0x05};
    CHECK(SameReport(SettingsReport(*hid, device), defaults));

    // A register write is taken, and the next settings report shows it.
    std::vector<std::uint8_t> write(BoardFeatureReportByteLength, 0);
    write[1] = 1, write[2] = 7, write[3] = 0x42;
    CHECK(hid->HidD_SetFeature(device, write) != 0);
    std::vector<std::uint8_t> written = defaults;
    written[3 + 7] = 0x42;
    CHECK(SameReport(SettingsReport(*hid, device), written));

    // Overlapped reads that find reports waiting return them at once, whole, with the report
    // number 0 in front.
    const Handle event = hid->CreateEventA(security, true, true);
    CHECK(IsOpenHandle(event));
    int reads = 0;
    for (int attempt = 0; attempt < 50 && reads < 5; ++attempt) {
        Sleep(100);
        std::array<std::uint8_t, 1001> buffer{};
        std::uint32_t bytesRead = 0;
        Overlapped overlapped;
        overlapped.hEvent = event;
        if (hid->ReadFile(reader, std::span(buffer).first(1000), bytesRead, overlapped) == 0)
            continue;
        ++reads;
        CHECK(bytesRead >= BoardInputReportByteLength);
        CHECK(bytesRead % BoardInputReportByteLength == 0);
        if (bytesRead < BoardInputReportByteLength || bytesRead > 1000)
            continue;
        const std::size_t last = bytesRead - BoardInputReportByteLength;
        const std::array<std::uint8_t, 7> expected = {0x00, 0x00, 0x40, 0x00, 0x20, 0xFF, 0xFF};
        CHECK(std::equal(expected.begin(), expected.end(), buffer.begin() + static_cast<std::ptrdiff_t>(last)));
    }
    CHECK(reads == 5);

    CHECK(hid->CloseHandle(reader) != 0);
    CHECK(hid->CloseHandle(device) != 0);
    std::printf("%s: the Win32 backend over the emulated board\n", failed == 0 ? "passed" : "FAILED");
    return failed == 0 ? 0 : 1;
}
