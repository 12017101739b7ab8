// Checks of the Win32 HID backend against the real setupapi and hid.dll, run under Wine. Wine
// shows two HID interfaces of vendor 0x845E: a mouse (product 0x0001, input reports of 2 bytes)
// and a keyboard (0x0002, 14 bytes); neither sends input reports on its own, and neither has
// feature reports. The keyboard stands in for a board where the program's walk needs one: a
// wrapper reports the board's IDs for it. Reads that return data go through an overlapped named
// pipe opened by the backend, which delivers one message per read as the HID class driver
// delivers one report; the buffer lengths the backend hands to hid.dll are seen by replacing
// hid.dll's entries in this program's import table.
#include "device/board_identity.h"
#include "device/board_write_lock.h"
#include "device/failure_log.h"
#include "device/interface_walk.h"
#include "device/platform_backend.h"
#include "device/read_channel.h"
#include "device/system_failure.h"
#include "tests/backends/windows/check/command_line.h"
#include "tests/backends/windows/check/import_patch.h"
#include "tests/backends/windows/check/open_recorder.h"
#include "tools/hid-list/hid_listing.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

using namespace tensilo;
using namespace tensilo::device;
using tensilo::check::OpenRecorder;
using tensilo::check::ReplaceImport;

namespace {

int passed = 0;
int failed = 0;

void Check(bool ok, const char* expression, int line) {
    if (ok) {
        ++passed;
    } else {
        ++failed;
        std::printf("FAIL line %d: %s\n", line, expression);
    }
}
#define CHECK(expression) Check(static_cast<bool>(expression), #expression, __LINE__)

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool Contains(const std::string& text, const std::string& part) {
    return Lower(text).find(part) != std::string::npos;
}

// The status a cancelled read leaves in its OVERLAPPED record.
constexpr std::uint32_t kStatusCancelled = 0xC0000120;

constexpr const char* kMousePath = "\\\\?\\hid#vid_845e&pid_0001";
constexpr const char* kKeyboardPath = "\\\\?\\hid#vid_845e&pid_0002";

// Forwards to the real backend and counts what is obtained and released. An interface whose path
// contains `disguise` reports the board's vendor and product IDs.
class CountingHidApi final : public HidApi {
public:
    explicit CountingHidApi(HidApi& inner, std::string disguise = {})
        : inner_(inner), disguise_(std::move(disguise)) {}

    int opens = 0;
    int closes = 0;
    int badCloses = 0; // closes of handles not open here, or refused
    int sets = 0;
    int setsDestroyed = 0;
    int preparsed = 0;
    int preparsedFreed = 0;

    bool Balanced() const {
        return opens == closes && badCloses == 0 && open_.empty() && sets == setsDestroyed &&
               preparsed == preparsedFreed;
    }

    void HidD_GetHidGuid(Guid& guid) override { inner_.HidD_GetHidGuid(guid); }
    Handle SetupDiGetClassDevsA(const Guid& guid, std::uint32_t flags) override {
        const Handle set = inner_.SetupDiGetClassDevsA(guid, flags);
        sets += IsOpenHandle(set) ? 1 : 0;
        return set;
    }
    std::int32_t SetupDiEnumDeviceInterfaces(Handle set, const Guid& guid, std::uint32_t index,
                                             InterfaceData& data) override {
        return inner_.SetupDiEnumDeviceInterfaces(set, guid, index, data);
    }
    std::int32_t SetupDiGetDeviceInterfaceDetailA(Handle set, const InterfaceData& data,
                                                  std::span<std::uint8_t> detail,
                                                  std::uint32_t& requiredSize) override {
        return inner_.SetupDiGetDeviceInterfaceDetailA(set, data, detail, requiredSize);
    }
    std::int32_t GetInterfaceIds(Handle set, const InterfaceData& data, const std::string& path,
                                 InterfaceIds& ids) override {
        const std::int32_t result = inner_.GetInterfaceIds(set, data, path, ids);
        if (disguise_.empty() || !Contains(path, disguise_))
            return result;
        ids = InterfaceIds{BoardVendorId, BoardProductId};
        return 1;
    }
    std::int32_t SetupDiDestroyDeviceInfoList(Handle set) override {
        const std::int32_t result = inner_.SetupDiDestroyDeviceInfoList(set);
        setsDestroyed += result != 0 ? 1 : 0;
        return result;
    }
    Handle CreateFileA(const std::string& path, std::uint32_t access, std::uint32_t share,
                       const SecurityAttributes& security, std::uint32_t disposition,
                       std::uint32_t flags) override {
        const Handle handle = inner_.CreateFileA(path, access, share, security, disposition, flags);
        if (IsOpenHandle(handle)) {
            ++opens;
            open_.insert(handle);
            if (!disguise_.empty() && Contains(path, disguise_))
                disguised_.insert(handle);
        }
        return handle;
    }
    std::int32_t HidD_GetAttributes(Handle device, Attributes& attributes) override {
        const std::int32_t result = inner_.HidD_GetAttributes(device, attributes);
        if (result != 0 && disguised_.count(device) != 0) {
            attributes.VendorID = BoardVendorId;
            attributes.ProductID = BoardProductId;
        }
        return result;
    }
    std::int32_t HidD_GetSerialNumberString(Handle d, std::span<std::uint8_t> b) override {
        return inner_.HidD_GetSerialNumberString(d, b);
    }
    std::int32_t HidD_GetManufacturerString(Handle d, std::span<std::uint8_t> b) override {
        return inner_.HidD_GetManufacturerString(d, b);
    }
    std::int32_t HidD_GetProductString(Handle d, std::span<std::uint8_t> b) override {
        return inner_.HidD_GetProductString(d, b);
    }
    std::int32_t HidD_GetPreparsedData(Handle device, PreparsedData& data) override {
        const std::int32_t result = inner_.HidD_GetPreparsedData(device, data);
        preparsed += result != 0 ? 1 : 0;
        return result;
    }
    std::int32_t HidP_GetCaps(PreparsedData data, HidCaps& caps) override {
        return inner_.HidP_GetCaps(data, caps);
    }
    std::int32_t HidD_FreePreparsedData(PreparsedData data) override {
        const std::int32_t result = inner_.HidD_FreePreparsedData(data);
        preparsedFreed += result != 0 ? 1 : 0;
        return result;
    }
    std::int32_t HidD_GetFeature(Handle device, std::span<std::uint8_t> report) override {
        return inner_.HidD_GetFeature(device, report);
    }
    std::int32_t HidD_SetFeature(Handle device, std::span<const std::uint8_t> report) override {
        return inner_.HidD_SetFeature(device, report);
    }
    Handle CreateEventA(const SecurityAttributes& security, bool manualReset,
                        bool initialState) override {
        return inner_.CreateEventA(security, manualReset, initialState);
    }
    std::int32_t ReadFile(Handle device, std::span<std::uint8_t> buffer, std::uint32_t& bytesRead,
                          Overlapped& overlapped) override {
        return inner_.ReadFile(device, buffer, bytesRead, overlapped);
    }
    std::int32_t ReadFileWithTimeout(Handle device, std::span<std::uint8_t> buffer,
                                     std::uint32_t& bytesRead, Overlapped& overlapped,
                                     std::uint32_t timeoutMilliseconds) override {
        return inner_.ReadFileWithTimeout(device, buffer, bytesRead, overlapped,
                                          timeoutMilliseconds);
    }
    std::int32_t ReadFilesWithTimeout(std::span<InputRead> reads,
                                      std::uint32_t timeoutMilliseconds) override {
        return inner_.ReadFilesWithTimeout(reads, timeoutMilliseconds);
    }
    std::int32_t CloseHandle(Handle handle) override {
        const std::int32_t result = inner_.CloseHandle(handle);
        if (result != 0 && open_.erase(handle) == 1)
            ++closes;
        else
            ++badCloses;
        disguised_.erase(handle);
        return result;
    }
    std::int32_t TakeWriteLock(Handle device, std::uint32_t timeoutMilliseconds) override {
        return inner_.TakeWriteLock(device, timeoutMilliseconds);
    }
    std::int32_t ReleaseWriteLock(Handle device) override {
        return inner_.ReleaseWriteLock(device);
    }
    std::optional<SystemFailure> LastFailure() const override { return inner_.LastFailure(); }

private:
    HidApi& inner_;
    std::string disguise_;
    std::set<Handle> open_;
    std::set<Handle> disguised_;
};

const tools::InterfaceReport* FindByPath(const std::vector<tools::InterfaceReport>& reports,
                                         const char* pathStart) {
    for (const auto& report : reports)
        if (Lower(report.path).rfind(pathStart, 0) == 0)
            return &report;
    return nullptr;
}

// The lister's walk sees both of Wine's interfaces with their attributes, strings and report
// lengths, and releases everything it obtained.
void CheckListing(HidApi& real) {
    std::puts("check: listing of every HID interface");
    CountingHidApi hid(real);
    const auto reports = tools::ListHidInterfaces(hid);
    CHECK(reports.size() == 2);
    const auto* mouse = FindByPath(reports, kMousePath);
    const auto* keyboard = FindByPath(reports, kKeyboardPath);
    CHECK(mouse != nullptr);
    CHECK(keyboard != nullptr);
    if (mouse != nullptr && keyboard != nullptr) {
        for (const auto* report : {mouse, keyboard}) {
            CHECK(report->opened);
            CHECK(report->attributesRead);
            CHECK(report->attributes.VendorID == 0x845E);
            CHECK(report->serial.has_value());
            CHECK(report->manufacturer == "The Wine Project");
            CHECK(report->capsRead);
            CHECK(!report->IsBoard());
        }
        CHECK(mouse->attributes.ProductID == 0x0001);
        CHECK(keyboard->attributes.ProductID == 0x0002);
        CHECK(mouse->product == "Wine HID mouse");
        CHECK(keyboard->product == "Wine HID keyboard");
        CHECK(mouse->caps.InputReportByteLength == 2);
        CHECK(keyboard->caps.InputReportByteLength == 14);
    }
    CHECK(tools::FormatSummary(reports) == "2 interfaces, 0 Tensilo boards");
    CHECK(hid.opens == 2);
    CHECK(hid.Balanced());

    // With the keyboard reporting the board's IDs, the lister marks it.
    CountingHidApi disguised(real, "pid_0002");
    const auto marked = tools::ListHidInterfaces(disguised);
    const auto* board = FindByPath(marked, kKeyboardPath);
    CHECK(board != nullptr && board->IsBoard());
    CHECK(board != nullptr && tools::FormatInterfaceLine(*board).rfind("* ", 0) == 0);
    CHECK(tools::FormatSummary(marked) == "2 interfaces, 1 Tensilo board");
    CHECK(disguised.Balanced());
}

// The sizes the program passes are the ones the real setupapi accepts, and a wrong record size is
// refused, so that a mismatch cannot go unnoticed.
void CheckSetupApiSizes(HidApi& hid) {
    std::puts("check: setupapi record sizes");
    Guid hidGuid;
    hid.HidD_GetHidGuid(hidGuid);
    const Handle set = hid.SetupDiGetClassDevsA(hidGuid, kDigcfPresent | kDigcfDeviceInterface);
    CHECK(IsOpenHandle(set));

    InterfaceData data;
    data.cbSize = 28; // the 32-bit record's size
    CHECK(hid.SetupDiEnumDeviceInterfaces(set, hidGuid, 0, data) == 0);
    std::printf("  cbSize 28 refused with error %lu\n", GetLastError());
    data.cbSize = sizeof data;
    CHECK(sizeof data == 32);
    CHECK(hid.SetupDiEnumDeviceInterfaces(set, hidGuid, 0, data) != 0);
    InterfaceData past;
    past.cbSize = sizeof past;
    CHECK(hid.SetupDiEnumDeviceInterfaces(set, hidGuid, 2, past) == 0); // past the last one

    std::uint32_t required = 0;
    CHECK(hid.SetupDiGetDeviceInterfaceDetailA(set, data, {}, required) == 0);
    CHECK(required > kDetailPathOffset && required < 1024);
    std::vector<std::uint8_t> detail(required + 1, 0);
    const auto record = std::span(detail).first(required);
    std::uint32_t reported = 0;
    const std::uint32_t wrongHeader = 5; // the 32-bit record's fixed part
    std::memcpy(detail.data(), &wrongHeader, sizeof wrongHeader);
    CHECK(hid.SetupDiGetDeviceInterfaceDetailA(set, data, record, reported) == 0);
    std::printf("  detail header 5 refused with error %lu\n", GetLastError());
    std::memcpy(detail.data(), &kDetailHeaderSize, sizeof kDetailHeaderSize);
    CHECK(hid.SetupDiGetDeviceInterfaceDetailA(set, data, record, reported) != 0);
    const std::string path(reinterpret_cast<const char*>(detail.data()) + kDetailPathOffset);
    CHECK(Contains(path, kMousePath));
    CHECK(hid.SetupDiDestroyDeviceInfoList(set) != 0);
}

// A read with nothing waiting returns at once with nothing read, and leaves no read pending: the
// record's status is that of the cancelled read and its event is signalled again.
void CheckEmptyRead(HidApi& hid, Handle readHandle, Overlapped& record) {
    std::vector<std::uint8_t> buffer(1001, 0xAB);
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::uint32_t bytesRead = 77;
        const auto start = std::chrono::steady_clock::now();
        const std::int32_t result =
            hid.ReadFile(readHandle, std::span(buffer).first(1000), bytesRead, record);
        const auto elapsed = std::chrono::steady_clock::now() - start;
        CHECK(result == 0);
        CHECK(bytesRead == 0);
        CHECK(elapsed < std::chrono::seconds(2));
        CHECK(record.Internal == kStatusCancelled);
        if (record.hEvent != kNoHandle)
            CHECK(WaitForSingleObject(reinterpret_cast<HANDLE>(record.hEvent), 0) == WAIT_OBJECT_0);
    }
    CHECK(std::all_of(buffer.begin(), buffer.end(), [](std::uint8_t b) { return b == 0xAB; }));
}

// The system tells each interface's vendor and product without an open, the same as the device
// tells once opened; and the program's walk, with no board present, opens nothing at all (every
// CreateFileA is seen in the import table).
void CheckIdentityBeforeOpen(HidApi& hid) {
    std::puts("check: vendor and product told before any open");
    const auto reports = tools::ListHidInterfaces(hid);
    Guid hidGuid;
    hid.HidD_GetHidGuid(hidGuid);
    const Handle set = hid.SetupDiGetClassDevsA(hidGuid, kDigcfPresent | kDigcfDeviceInterface);
    CHECK(IsOpenHandle(set));
    InterfaceData data;
    data.cbSize = sizeof data;
    std::uint32_t index = 0;
    for (; hid.SetupDiEnumDeviceInterfaces(set, hidGuid, index, data) != 0; ++index) {
        const std::string path = InterfacePath(hid, set, data);
        InterfaceIds ids;
        CHECK(hid.GetInterfaceIds(set, data, path, ids) != 0);
        std::printf("  %s: vendor 0x%04X product 0x%04X\n", path.c_str(), ids.VendorID,
                    ids.ProductID);
        const bool listed = index < reports.size() && reports[index].path == path;
        CHECK(listed);
        if (listed) {
            CHECK(ids.VendorID == reports[index].attributes.VendorID);
            CHECK(ids.ProductID == reports[index].attributes.ProductID);
        }
    }
    CHECK(index == 2);
    CHECK(hid.SetupDiDestroyDeviceInfoList(set) != 0);

    CHECK(OpenRecorder::Install());
    WindowState state;
    CHECK(
        !WalkInterfaces(hid, state, [](const std::string&) { return BoardVerdict::KeepAndStop; }));
    const auto opened = OpenRecorder::Take();
    for (const std::string& path : opened)
        std::printf("  the walk opened %s\n", path.c_str());
    CHECK(opened.empty());
}

// The program's own walk, capabilities and read channel through the real backend, with the
// keyboard standing in for a board: the walk opens the keyboard alone.
void CheckProgramWalkAndRead(HidApi& real) {
    std::puts("check: the program's walk, capabilities and reads");
    CountingHidApi hid(real, "pid_0002");
    WindowState state;
    std::string serial = "(none)";
    CHECK(OpenRecorder::Install());
    CHECK(WalkInterfaces(hid, state, [&](const std::string& text) {
        serial = text;
        return BoardVerdict::KeepAndStop;
    }));
    const auto opened = OpenRecorder::Take();
    CHECK(opened.size() == 1 && Contains(opened.front(), kKeyboardPath));
    CHECK(serial != "(none)");
    CHECK(Contains(state.DevicePath, kKeyboardPath));
    CHECK(IsOpenHandle(state.DeviceHandle));

    ReadDeviceCaps(hid, state);
    CHECK(state.Capabilities.InputReportByteLength == 14);
    state.ReadHandle = hid.CreateFileA(state.DevicePath, kGenericRead | kGenericWrite,
                                       kFileShareRead | kFileShareWrite, state.HandleSecurity,
                                       kOpenExisting, kFileFlagOverlapped);
    CHECK(IsOpenHandle(state.ReadHandle));
    CreateReadEvent(hid, state);
    CHECK(IsOpenHandle(state.ReadEvent));
    CHECK(WaitForSingleObject(reinterpret_cast<HANDLE>(state.ReadEvent), 0) == WAIT_OBJECT_0);

    CheckEmptyRead(hid, state.ReadHandle, state.ReadOverlapped);
    Overlapped noEvent; // a record without event: the read's end is waited for on the handle
    CheckEmptyRead(hid, state.ReadHandle, noEvent);

    CHECK(hid.CloseHandle(state.DeviceHandle) != 0);
    CHECK(hid.CloseHandle(state.ReadHandle) != 0);
    std::uint32_t bytesRead = 77;
    std::array<std::uint8_t, 1000> buffer{};
    CHECK(hid.ReadFile(state.ReadHandle, buffer, bytesRead, state.ReadOverlapped) == 0);
    CHECK(bytesRead == 0);
    CHECK(hid.opens == 2);
    CHECK(hid.Balanced());
    CHECK(real.CloseHandle(state.ReadEvent) != 0);
}

// -1 is a pseudo handle to Windows, which CloseHandle would accept; to the program it is a
// failed open, and closing it must fail.
void CheckCloseOfNonHandles(HidApi& hid) {
    std::puts("check: closing non-handles");
    CHECK(hid.CloseHandle(kInvalidHandle) == 0);
    CHECK(hid.CloseHandle(kNoHandle) == 0);
}

// Each failure keeps Windows' own reason, GetLastError's code with FormatMessage's text, and the
// ordinary answers (nothing waiting, the walk's end) are told apart from faults; the --verbose
// log writes the faults only.
void CheckFailureReasons(HidApi& hid) {
    std::puts("check: failure reasons");
    std::ostringstream log;
    FailureLog logged(hid, log, "");
    const std::string missingPath =
        "\\\\?\\hid#no-such-device#0#{4d1e55b2-f16f-11cf-88cb-001111000030}";
    CHECK(logged.CreateFileA(missingPath, kGenericRead | kGenericWrite,
                             kFileShareRead | kFileShareWrite, {}, kOpenExisting,
                             0) == kInvalidHandle);
    auto failure = hid.LastFailure();
    CHECK(failure && failure->kind == SystemFailure::Kind::Failed);
    const std::string reason = failure ? failure->reason : "";
    std::printf("  open of a missing device: %s\n", reason.c_str());
    CHECK(reason.find(" (") != std::string::npos && reason.rfind("error (", 0) != 0);
    CHECK(log.str() == "CreateFileA " + missingPath + " failed: " + reason + "\n");

    Guid hidGuid;
    hid.HidD_GetHidGuid(hidGuid);
    const Handle set = hid.SetupDiGetClassDevsA(hidGuid, kDigcfPresent | kDigcfDeviceInterface);
    InterfaceData data;
    data.cbSize = sizeof data;
    CHECK(hid.SetupDiEnumDeviceInterfaces(set, hidGuid, 99, data) == 0);
    failure = hid.LastFailure();
    CHECK(failure && failure->kind == SystemFailure::Kind::NoMoreItems);
    CHECK(hid.SetupDiEnumDeviceInterfaces(set, hidGuid, 0, data) != 0);
    const std::string path = InterfacePath(hid, set, data);
    hid.SetupDiDestroyDeviceInfoList(set);

    const Handle device =
        logged.CreateFileA(path, kGenericRead | kGenericWrite, kFileShareRead | kFileShareWrite, {},
                           kOpenExisting, kFileFlagOverlapped);
    CHECK(IsOpenHandle(device));
    std::array<std::uint8_t, 1000> buffer{};
    std::uint32_t bytesRead = 0;
    Overlapped record;
    CHECK(logged.ReadFile(device, buffer, bytesRead, record) == 0); // Wine's devices send nothing
    failure = hid.LastFailure();
    CHECK(failure && failure->kind == SystemFailure::Kind::NothingWaiting);
    CHECK(logged.CloseHandle(device) != 0);
    CHECK(hid.CloseHandle(kInvalidHandle) == 0);
    CHECK(LastFailureText(hid) == "not an open handle");
    CHECK(log.str() == "CreateFileA " + missingPath + " failed: " + reason + "\n");
}

// The whole device path of the interface whose path starts with `pathStart`, as the walk finds it.
std::string DevicePath(HidApi& hid, const char* pathStart) {
    const auto reports = tools::ListHidInterfaces(hid);
    const auto* report = FindByPath(reports, pathStart);
    CHECK(report != nullptr);
    return report != nullptr ? report->path : std::string();
}

// The last call of each replaced hid.dll function: the buffer and the length it was given.
struct BufferCall {
    const void* buffer = nullptr;
    ULONG length = 0;
    int calls = 0;
};
std::map<std::string, BufferCall> bufferCalls;

template <const char* Name> struct BufferCallRecorder {
    using Function = BOOLEAN(NTAPI*)(HANDLE, PVOID, ULONG);
    static inline Function original = nullptr;
    static BOOLEAN NTAPI Record(HANDLE device, PVOID buffer, ULONG length) {
        BufferCall& call = bufferCalls[Name];
        call.buffer = buffer;
        call.length = length;
        ++call.calls;
        return original(device, buffer, length);
    }
    static bool Install() {
        return ReplaceImport("hid.dll", Name, reinterpret_cast<void*>(&Record),
                             reinterpret_cast<void**>(&original));
    }
};
constexpr char kGetFeature[] = "HidD_GetFeature";
constexpr char kSetFeature[] = "HidD_SetFeature";
constexpr char kGetSerial[] = "HidD_GetSerialNumberString";
constexpr char kGetManufacturer[] = "HidD_GetManufacturerString";
constexpr char kGetProduct[] = "HidD_GetProductString";

// Each buffer request reaches hid.dll with the caller's buffer and exactly its length: a feature
// report one byte short, or a string buffer offered longer than it is, would be seen here.
void CheckBufferLengths(HidApi& hid) {
    std::puts("check: buffer lengths handed to hid.dll");
    const bool installed = BufferCallRecorder<kGetFeature>::Install() &&
                           BufferCallRecorder<kSetFeature>::Install() &&
                           BufferCallRecorder<kGetSerial>::Install() &&
                           BufferCallRecorder<kGetManufacturer>::Install() &&
                           BufferCallRecorder<kGetProduct>::Install();
    CHECK(installed);
    if (!installed)
        return;
    SecurityAttributes security;
    const Handle device =
        hid.CreateFileA(DevicePath(hid, kKeyboardPath), kGenericRead | kGenericWrite,
                        kFileShareRead | kFileShareWrite, security, kOpenExisting, 0);
    CHECK(IsOpenHandle(device));
    using Request = std::int32_t (*)(HidApi&, Handle, std::span<std::uint8_t>);
    const std::pair<const char*, Request> requests[] = {
        {kGetFeature,
         [](HidApi& h, Handle d, std::span<std::uint8_t> b) { return h.HidD_GetFeature(d, b); }},
        {kSetFeature,
         [](HidApi& h, Handle d, std::span<std::uint8_t> b) { return h.HidD_SetFeature(d, b); }},
        {kGetSerial, [](HidApi& h, Handle d,
                        std::span<std::uint8_t> b) { return h.HidD_GetSerialNumberString(d, b); }},
        {kGetManufacturer,
         [](HidApi& h, Handle d, std::span<std::uint8_t> b) {
             return h.HidD_GetManufacturerString(d, b);
         }},
        {kGetProduct, [](HidApi& h, Handle d,
                         std::span<std::uint8_t> b) { return h.HidD_GetProductString(d, b); }},
    };
    // The board's feature report (17 bytes), the program's string buffer (100) and lengths around.
    for (const std::size_t length :
         {std::size_t{1}, std::size_t{16}, std::size_t{17}, std::size_t{18}, std::size_t{100}}) {
        std::vector<std::uint8_t> buffer(length + 8, 0);
        for (const auto& [name, request] : requests) {
            const int before = bufferCalls[name].calls;
            request(hid, device, std::span(buffer).first(length));
            const BufferCall& call = bufferCalls[name];
            if (call.calls != before + 1 || call.buffer != buffer.data() || call.length != length)
                std::printf("  %s with %zu bytes: hid.dll got %lu bytes at %s\n", name, length,
                            call.length,
                            call.buffer == buffer.data() ? "the buffer" : "another address");
            CHECK(call.calls == before + 1);
            CHECK(call.buffer == buffer.data());
            CHECK(call.length == length);
        }
    }
    CHECK(hid.CloseHandle(device) != 0);
}

// A named pipe in message mode, its server end here and its client end opened by the backend as
// the program opens a board for reading; messages written to the server are the reports.
class ReportPipe {
public:
    // `suffix` tells apart the pipes of one check.
    explicit ReportPipe(HidApi& hid, const std::string& suffix = {}) : hid_(hid) {
        const std::string name =
            "\\\\.\\pipe\\tensilo-check-" + std::to_string(GetCurrentProcessId()) + suffix;
        server_ = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                   PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT, 1, 4096,
                                   4096, 0, nullptr);
        SecurityAttributes security;
        client =
            hid.CreateFileA(name, kGenericRead | kGenericWrite, kFileShareRead | kFileShareWrite,
                            security, kOpenExisting, kFileFlagOverlapped);
        // A client end starts in byte mode; in message mode each read returns one message.
        DWORD mode = PIPE_READMODE_MESSAGE;
        if (IsOpenHandle(client) &&
            !SetNamedPipeHandleState(reinterpret_cast<HANDLE>(client), &mode, nullptr, nullptr)) {
            hid.CloseHandle(client);
            client = kInvalidHandle;
        }
    }
    ~ReportPipe() {
        if (IsOpenHandle(client))
            hid_.CloseHandle(client);
        CloseServer();
    }
    ReportPipe(const ReportPipe&) = delete;
    ReportPipe& operator=(const ReportPipe&) = delete;

    bool Open() const { return server_ != INVALID_HANDLE_VALUE && IsOpenHandle(client); }

    bool Send(const std::vector<std::uint8_t>& report) {
        OVERLAPPED request{};
        DWORD written = 0;
        if (!WriteFile(server_, report.data(), static_cast<DWORD>(report.size()), nullptr,
                       &request) &&
            GetLastError() != ERROR_IO_PENDING)
            return false;
        return GetOverlappedResult(server_, &request, &written, TRUE) && written == report.size();
    }

    void CloseServer() {
        if (server_ != INVALID_HANDLE_VALUE)
            CloseHandle(server_);
        server_ = INVALID_HANDLE_VALUE;
    }

    Handle client = kInvalidHandle;

private:
    HidApi& hid_;
    HANDLE server_ = INVALID_HANDLE_VALUE;
};

// Reads through the backend that find reports waiting return them, one per read, whole and
// unchanged, with the count of their bytes; nothing is written past them.
void CheckReadsWithData(HidApi& hid) {
    std::puts("check: reads that return reports");
    ReportPipe pipe(hid);
    CHECK(pipe.Open());
    if (!pipe.Open())
        return;
    const std::vector<std::uint8_t> first = {0x00, 0x12, 0x34, 0x80, 0xFF, 0x7F, 0x01};
    const std::vector<std::uint8_t> second = {0x00, 0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5};
    const std::vector<std::uint8_t> longer(64, 0x5A);

    SecurityAttributes security;
    const Handle event = hid.CreateEventA(security, true, true);
    for (const Handle recordEvent : {event, kNoHandle}) {
        Overlapped record;
        record.hEvent = recordEvent;
        CheckEmptyRead(hid, pipe.client, record);
        CHECK(pipe.Send(first) && pipe.Send(second) && pipe.Send(longer));
        for (const auto* report : {&first, &second, &longer}) {
            std::vector<std::uint8_t> buffer(1001, 0xAB);
            std::uint32_t bytesRead = 0;
            const std::int32_t result =
                hid.ReadFile(pipe.client, std::span(buffer).first(1000), bytesRead, record);
            if (bytesRead != report->size())
                std::printf("  a report of %zu bytes read as %u bytes\n", report->size(),
                            bytesRead);
            CHECK(result != 0);
            CHECK(bytesRead == report->size());
            CHECK(std::equal(report->begin(), report->end(), buffer.begin()));
            CHECK(std::all_of(buffer.begin() + static_cast<std::ptrdiff_t>(report->size()),
                              buffer.end(), [](std::uint8_t b) { return b == 0xAB; }));
            CHECK(record.Internal == 0); // STATUS_SUCCESS
            CHECK(record.InternalHigh == report->size());
            if (recordEvent != kNoHandle)
                CHECK(WaitForSingleObject(reinterpret_cast<HANDLE>(recordEvent), 0) ==
                      WAIT_OBJECT_0);
        }
        CheckEmptyRead(hid, pipe.client, record);
    }
    // The other end gone, as a board pulled out: the read fails and reports nothing.
    pipe.CloseServer();
    Overlapped record;
    std::vector<std::uint8_t> buffer(1000, 0xAB);
    std::uint32_t bytesRead = 77;
    CHECK(hid.ReadFile(pipe.client, buffer, bytesRead, record) == 0);
    CHECK(bytesRead == 0);
    CHECK(CloseHandle(reinterpret_cast<HANDLE>(event)));
}

// A read that waits: with nothing sent it ends after its time with nothing read and no read left
// pending; a report sent while it waits is returned by it, whole; with the other end gone it
// fails.
void CheckWaitingReads(HidApi& hid) {
    std::puts("check: reads that wait");
    ReportPipe pipe(hid);
    CHECK(pipe.Open());
    if (!pipe.Open())
        return;
    const std::vector<std::uint8_t> report = {0x00, 0x12, 0x34, 0x80, 0xFF, 0x7F, 0x01};
    SecurityAttributes security;
    const Handle event = hid.CreateEventA(security, true, true);
    for (const Handle recordEvent : {event, kNoHandle}) {
        Overlapped record;
        record.hEvent = recordEvent;
        std::vector<std::uint8_t> buffer(1001, 0xAB);
        std::uint32_t bytesRead = 77;
        CHECK(hid.ReadFileWithTimeout(pipe.client, std::span(buffer).first(1000), bytesRead, record,
                                      50) != 0);
        CHECK(bytesRead == 0);
        CHECK(record.Internal == kStatusCancelled);
        CHECK(std::all_of(buffer.begin(), buffer.end(), [](std::uint8_t b) { return b == 0xAB; }));

        std::thread sender([&] {
            Sleep(200);
            pipe.Send(report);
        });
        const std::int32_t result = hid.ReadFileWithTimeout(
            pipe.client, std::span(buffer).first(1000), bytesRead, record, 60000);
        sender.join();
        CHECK(result != 0);
        CHECK(bytesRead == report.size());
        CHECK(std::equal(report.begin(), report.end(), buffer.begin()));
        CHECK(record.Internal == 0); // STATUS_SUCCESS
    }
    pipe.CloseServer();
    Overlapped record;
    std::vector<std::uint8_t> buffer(1000, 0xAB);
    std::uint32_t bytesRead = 77;
    CHECK(hid.ReadFileWithTimeout(pipe.client, buffer, bytesRead, record, 1000) == 0);
    CHECK(bytesRead == 0);
    CHECK(CloseHandle(reinterpret_cast<HANDLE>(event)));
}

// One wait over two pipes, each read with its own event: it lasts its time while neither sends
// and leaves no read pending; a message on either ends it, and every pipe hands out what it has
// then; a pipe whose other end is gone fails alone.
void CheckWaitOverSeveralReads(HidApi& hid) {
    std::puts("check: one wait over several reads");
    ReportPipe first(hid, "-first");
    ReportPipe second(hid, "-second");
    CHECK(first.Open() && second.Open());
    if (!first.Open() || !second.Open())
        return;
    const std::vector<std::uint8_t> report = {0x00, 0x12, 0x34, 0x80, 0xFF, 0x7F, 0x01};
    SecurityAttributes security;
    std::vector<std::uint8_t> buffers[2] = {std::vector<std::uint8_t>(1000, 0xAB),
                                            std::vector<std::uint8_t>(1000, 0xAB)};
    Overlapped records[2];
    InputRead reads[2];
    for (int i = 0; i < 2; ++i) {
        records[i].hEvent = hid.CreateEventA(security, true, true);
        reads[i] = {i == 0 ? first.client : second.client, buffers[i], &records[i], 77, 77};
    }
    const auto waitMs = [&](std::uint32_t timeout, std::int32_t expected) {
        const auto start = std::chrono::steady_clock::now();
        CHECK(hid.ReadFilesWithTimeout(reads, timeout) == expected);
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - start)
            .count();
    };
    CHECK(waitMs(50, 1) >= 40);
    for (const InputRead& read : reads)
        CHECK(read.result != 0 && read.bytesRead == 0 &&
              read.overlapped->Internal == kStatusCancelled);

    std::thread sender([&] {
        Sleep(200);
        second.Send(report);
    });
    CHECK(waitMs(60000, 1) < 30000);
    sender.join();
    CHECK(reads[0].result != 0 && reads[0].bytesRead == 0);
    CHECK(reads[1].result != 0 && reads[1].bytesRead == report.size());
    CHECK(std::equal(report.begin(), report.end(), buffers[1].begin()));

    CHECK(first.Send(report) && second.Send(report));
    waitMs(0, 1);
    CHECK(reads[0].bytesRead == report.size() && reads[1].bytesRead == report.size());

    first.CloseServer();
    CHECK(second.Send(report));
    waitMs(60000, 1);
    CHECK(reads[0].result == 0 && reads[0].bytesRead == 0);
    CHECK(reads[1].result != 0 && reads[1].bytesRead == report.size());
    const auto failure = hid.LastFailure();
    CHECK(failure && failure->kind == SystemFailure::Kind::Failed);

    std::vector<InputRead> tooMany(kMaxInputReads + 1, reads[1]);
    CHECK(hid.ReadFilesWithTimeout(tooMany, 0) == 0);
    for (const Overlapped& record : records)
        CHECK(CloseHandle(reinterpret_cast<HANDLE>(record.hEvent)));
}

// Handles the backend opens or creates are inheritable exactly when the caller asks for it.
void CheckHandleInheritance(HidApi& hid) {
    std::puts("check: handle inheritance");
    const std::string keyboard = DevicePath(hid, kKeyboardPath);
    for (const bool inherit : {false, true, false}) {
        SecurityAttributes security;
        security.nLength = 12; // the program's value: the backend builds the record itself
        security.bInheritHandle = inherit;
        const Handle handles[] = {
            hid.CreateFileA(keyboard, kGenericRead | kGenericWrite,
                            kFileShareRead | kFileShareWrite, security, kOpenExisting, 0),
            hid.CreateFileA(keyboard, kGenericRead | kGenericWrite,
                            kFileShareRead | kFileShareWrite, security, kOpenExisting,
                            kFileFlagOverlapped),
            hid.CreateEventA(security, true, true),
        };
        for (const Handle handle : handles) {
            CHECK(IsOpenHandle(handle));
            DWORD flags = 0;
            CHECK(GetHandleInformation(reinterpret_cast<HANDLE>(handle), &flags));
            if (((flags & HANDLE_FLAG_INHERIT) != 0) != inherit)
                std::printf("  asked for %s handle, got flags %lu\n",
                            inherit ? "an inheritable" : "a private", flags);
            CHECK(((flags & HANDLE_FLAG_INHERIT) != 0) == inherit);
        }
        CHECK(hid.CloseHandle(handles[0]) != 0);
        CHECK(hid.CloseHandle(handles[1]) != 0);
        CHECK(CloseHandle(reinterpret_cast<HANDLE>(handles[2])));
    }
}

// How long a take of the write lock on `device` lasts, and whether it gave what was expected.
long TakesMs(HidApi& hid, Handle device, DWORD wait, bool taken) {
    const auto start = std::chrono::steady_clock::now();
    const bool got = hid.TakeWriteLock(device, wait) != 0;
    CHECK(got == taken);
    if (!taken && !got) {
        const auto failure = hid.LastFailure();
        CHECK(failure && failure->kind == SystemFailure::Kind::Busy);
    }
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now() - start)
                                 .count());
}

constexpr const char* kHoldWriteLock = "--hold-write-lock";

// Run as `program --hold-write-lock PATH`: takes the lock of PATH, holds it for a second and ends
// without letting it go, as a program that crashes between a gain's writes. Exits 0 when it had
// taken it.
int HoldWriteLockAndDie(const char* path) {
    const auto hid = MakePlatformHidApi();
    const Handle device = hid->CreateFileA(path, kGenericRead | kGenericWrite,
                                           kFileShareRead | kFileShareWrite, {}, kOpenExisting, 0);
    const bool taken = IsOpenHandle(device) && hid->TakeWriteLock(device, 20000) != 0;
    Sleep(1000);
    TerminateProcess(GetCurrentProcess(), taken ? 0 : 1);
    return 1;
}

// The write lock is a named mutex of the interface path, per handle as flock is per open: a
// second handle of the path, on this thread or another program's, waits the time it is given and
// fails as busy, and takes it as soon as the first lets it go or is closed; the mutex of a process
// that ended holding it counts as free.
void CheckWriteLocks(HidApi& hid, const char* program) {
    std::puts("check: write locks");
    const std::string keyboard = DevicePath(hid, kKeyboardPath);
    const auto open = [&](HidApi& api) {
        return api.CreateFileA(keyboard, kGenericRead | kGenericWrite,
                               kFileShareRead | kFileShareWrite, {}, kOpenExisting, 0);
    };
    const Handle first = open(hid);
    const Handle second = open(hid);
    CHECK(IsOpenHandle(first) && IsOpenHandle(second));
    CHECK(TakesMs(hid, first, 0, true) < 100);
    CHECK(TakesMs(hid, first, 0, true) < 100); // its holder takes it again at once
    CHECK(TakesMs(hid, second, 300, false) >= 290);
    // Another program, played by a second backend on a thread of its own, waits on the mutex.
    const auto other = MakePlatformHidApi();
    const Handle third = open(*other);
    std::thread([&] { CHECK(TakesMs(*other, third, 300, false) >= 290); }).join();
    CHECK(hid.ReleaseWriteLock(first) != 0);
    CHECK(hid.ReleaseWriteLock(first) == 0); // let go once
    CHECK(TakesMs(hid, second, 0, true) < 100);
    // The other program's take waits while this one holds it, and gets it at this one's close;
    // it holds it until told, and lets it go on its own thread (a mutex belongs to its thread).
    const HANDLE otherTook = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const HANDLE otherMayGo = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    std::thread waiter([&] {
        CHECK(TakesMs(*other, third, 20000, true) < 10000);
        SetEvent(otherTook);
        WaitForSingleObject(otherMayGo, 60000);
        CHECK(other->ReleaseWriteLock(third) != 0);
    });
    Sleep(200);
    CHECK(hid.CloseHandle(second) != 0);
    CHECK(WaitForSingleObject(otherTook, 30000) == WAIT_OBJECT_0);
    CHECK(TakesMs(hid, first, 200, false) >= 190);
    SetEvent(otherMayGo);
    waiter.join();
    CloseHandle(otherTook);
    CloseHandle(otherMayGo);
    CHECK(TakesMs(hid, first, 0, true) < 100);
    CHECK(hid.ReleaseWriteLock(first) != 0);

    // A program that ends holding it, while this one waits for it: the wait has it then. (With no
    // one waiting, the mutex would go with its last handle, and be made anew by the next take.)
    const char* const arguments[] = {program, kHoldWriteLock, keyboard.c_str()};
    const HANDLE holder = check::StartProcess(3, arguments);
    CHECK(holder != nullptr);
    bool heldThere = false;
    for (int attempt = 0; attempt < 200 && !heldThere; ++attempt) {
        heldThere = hid.TakeWriteLock(first, 100) == 0;
        if (!heldThere) {
            hid.ReleaseWriteLock(first);
            Sleep(100);
        }
    }
    CHECK(heldThere);
    CHECK(TakesMs(hid, first, 20000, true) < 10000); // abandoned: taken
    DWORD status = 99;
    CHECK(holder != nullptr && WaitForSingleObject(holder, 60000) == WAIT_OBJECT_0 &&
          GetExitCodeProcess(holder, &status));
    CHECK(status == 0); // it had taken the lock when it ended
    if (holder != nullptr)
        CloseHandle(holder);
    CHECK(BoardWriteLock(*other, third, 100).Busy());
    CHECK(hid.CloseHandle(first) != 0);
    CHECK(BoardWriteLock(*other, third, 0).Taken()); // the close let it go
    CHECK(other->CloseHandle(third) != 0);
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], kHoldWriteLock) == 0)
        return HoldWriteLockAndDie(argv[2]);
    const auto hid = MakePlatformHidApi();
    CHECK(PlatformBackendName() == "win32");
    CheckListing(*hid);
    CheckSetupApiSizes(*hid);
    CheckIdentityBeforeOpen(*hid);
    CheckProgramWalkAndRead(*hid);
    CheckCloseOfNonHandles(*hid);
    CheckFailureReasons(*hid);
    CheckReadsWithData(*hid);
    CheckWaitingReads(*hid);
    CheckWaitOverSeveralReads(*hid);
    CheckHandleInheritance(*hid);
    CheckBufferLengths(*hid);
    CheckWriteLocks(*hid, argv[0]);
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
