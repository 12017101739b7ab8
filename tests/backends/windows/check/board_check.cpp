// Checks of the Win32 HID backend against an emulated board, under Wine in the guest of
// tests/kernel, where Wine's HID bus reaches the board through the kernel's hidraw node. The one
// board plugged in is B of tests/kernel/boards, with its settings tail 01 to 05 and an input
// report of 00 40 00 20 FF FF every 10 ms; the scenario file run before this program left the
// program's default registers in it. Exits 0 when every check held.
//
//   tensilo-win32-board-check.exe UNPLUG_PROGRAM [ARG]...
//
// The last check runs the given command, which must pull B out and return once it is gone, while
// this program goes on reading: the reads must keep returning, then fail, and the handle must
// still close exactly once.
#include "device/board_identity.h"
#include "device/interface_walk.h"
#include "device/platform_backend.h"
#include "device/system_failure.h"
#include "tests/backends/windows/check/command_line.h"
#include "tests/backends/windows/check/open_recorder.h"
#include "tools/hid-list/hid_listing.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <thread>
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

// The board is pulled out while this reads on, as the program's poll does: no read may hang, and
// once the board is gone the reads fail as failures, not as "nothing waiting", and never return
// data again; the handle then closes once, and a second close is refused.
void CheckUnplugDuringReads(HidApi& hid, Handle reader, Handle event, int argc, char** argv) {
    // A read that does not return within seconds would hang the program's poll for good: say so
    // and end, rather than wait for the test's time limit.
    std::atomic<std::int64_t> readStarted = -1;
    std::atomic<bool> done = false;
    std::thread watchdog([&] {
        while (!done) {
            Sleep(100);
            const std::int64_t started = readStarted;
            if (started >= 0 && static_cast<std::int64_t>(GetTickCount64()) - started > 5000) {
                std::printf("FAIL: a read has not returned for 5 s while the board was unplugged\n");
                std::fflush(stdout);
                std::_Exit(1);
            }
        }
    });
    const auto read = [&](std::uint32_t& bytesRead) {
        std::array<std::uint8_t, 1000> buffer{};
        Overlapped overlapped;
        overlapped.hEvent = event;
        readStarted = static_cast<std::int64_t>(GetTickCount64());
        const std::int32_t result = hid.ReadFile(reader, buffer, bytesRead, overlapped);
        readStarted = -1;
        return result;
    };

    const HANDLE unplug = check::StartProcess(argc, argv);
    CHECK(unplug != nullptr);
    int readsWithData = 0;
    bool unplugged = false;
    DWORD unplugStatus = 1;
    // Reads through the unplug, then for up to 10 s after it until one fails as a failure: Wine
    // may still hand out reports it took before the board went.
    bool failedAfterUnplug = false;
    std::string lastReason = "none";
    for (ULONGLONG deadline = GetTickCount64() + 30000; unplug && GetTickCount64() < deadline;) {
        if (!unplugged && WaitForSingleObject(unplug, 0) == WAIT_OBJECT_0) {
            unplugged = true;
            GetExitCodeProcess(unplug, &unplugStatus);
            deadline = std::min<ULONGLONG>(deadline, GetTickCount64() + 10000);
        }
        std::uint32_t bytesRead = 0;
        if (read(bytesRead) != 0) {
            readsWithData += bytesRead > 0 ? 1 : 0;
        } else {
            CHECK(bytesRead == 0);
            const auto failure = hid.LastFailure();
            if (unplugged && failure)
                lastReason = failure->reason;
            if (unplugged && failure && failure->kind != SystemFailure::Kind::NothingWaiting) {
                std::printf("a read after the unplug: %s\n", failure->reason.c_str());
                failedAfterUnplug = true;
                break;
            }
        }
        Sleep(5);
    }
    CHECK(unplugged);
    CHECK(unplugStatus == 0);
    CHECK(readsWithData > 0);
    CHECK(failedAfterUnplug);
    if (!failedAfterUnplug)
        std::printf("the last read after the unplug: %s\n", lastReason.c_str());
    // Gone stays gone: more reads fail the same way, with no data.
    for (int i = 0; i < 3 && failedAfterUnplug; ++i) {
        std::uint32_t bytesRead = 0;
        CHECK(read(bytesRead) == 0);
        CHECK(bytesRead == 0);
        const auto failure = hid.LastFailure();
        CHECK(failure && failure->kind != SystemFailure::Kind::NothingWaiting);
    }
    done = true;
    watchdog.join();
    if (unplug)
        CloseHandle(unplug);
    CHECK(hid.CloseHandle(reader) != 0);
    CHECK(hid.CloseHandle(reader) == 0);
}

// The system tells every interface's vendor and product before any open, the board's as the
// product's; and the program's walk opens the board alone (every CreateFileA is seen in the
// import table).
void CheckWalkOpensOnlyTheBoard(HidApi& hid) {
    Guid hidGuid;
    hid.HidD_GetHidGuid(hidGuid);
    const Handle set = hid.SetupDiGetClassDevsA(hidGuid, kDigcfPresent | kDigcfDeviceInterface);
    CHECK(IsOpenHandle(set));
    int boards = 0;
    InterfaceData data;
    data.cbSize = sizeof data;
    for (std::uint32_t index = 0; hid.SetupDiEnumDeviceInterfaces(set, hidGuid, index, data) != 0;
         ++index) {
        const std::string path = InterfacePath(hid, set, data);
        InterfaceIds ids;
        const bool told = hid.GetInterfaceIds(set, data, path, ids) != 0;
        std::printf("told before opening: %s vendor 0x%04X product 0x%04X%s\n", path.c_str(),
                    ids.VendorID, ids.ProductID, told ? "" : " (not told)");
        CHECK(told);
        if (ids.VendorID == BoardVendorId && ids.ProductID == BoardProductId)
            ++boards;
    }
    CHECK(hid.SetupDiDestroyDeviceInfoList(set) != 0);
    CHECK(boards == 1);

    CHECK(check::OpenRecorder::Install());
    WindowState state;
    const bool found = WalkInterfaces(hid, state, [](const std::string& serial) {
        return serial == "TS-B2" ? BoardVerdict::KeepAndStop : BoardVerdict::Close;
    });
    const auto opened = check::OpenRecorder::Take();
    for (const std::string& path : opened)
        std::printf("the walk opened %s\n", path.c_str());
    CHECK(found);
    CHECK(opened.size() == 1 && opened.front() == state.DevicePath);
    if (found)
        CHECK(hid.CloseHandle(state.DeviceHandle) != 0);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: tensilo-win32-board-check UNPLUG_PROGRAM [ARG]...\n");
        return 2;
    }
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
    CheckWalkOpensOnlyTheBoard(*hid);

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
    const std::vector<std::uint8_t> defaults = {0x00, 0xEE, 0x00, 0x0F, 0x01, 0x08, 0x00, 0x08, 0x00,
                                                0xF4, 0x00, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05};
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

    CHECK(hid->CloseHandle(device) != 0);
    CheckUnplugDuringReads(*hid, reader, event, argc - 1, argv + 1);
    std::printf("%s: the Win32 backend over the emulated board\n", failed == 0 ? "passed" : "FAILED");
    return failed == 0 ? 0 : 1;
}
