// The backend over a fake sysfs tree whose nodes are plain files. This covers everything the
// backend takes from sysfs (the walk, the device strings, the report descriptor) and its handle
// table. The nodes' ioctls and reads need a real or FUSE node: see fuse_transfer_test.cpp.
#include "device/board_identity.h"
#include "device/failure_log.h"
#include "device/hidraw/hidraw_hid_api.h"
#include "device/read_channel.h"
#include "protocol/unicode_text.h"
#include "fake_sysfs.h"
#include "sample_descriptors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <optional>
#include <pthread.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <thread>
#include <unistd.h>

namespace tensilo::device {
namespace {

namespace fs = std::filesystem;
using test::FakeHidDevice;

const FakeHidDevice kBoard{0, test::kBusUsb, BoardVendorId, BoardProductId,
                           {BoardReportDescriptor.begin(), BoardReportDescriptor.end()},
                           "TS-0001", "TS-0001", "Tensilo", "Tensilo board", "0103"};
const FakeHidDevice kKeyboard{2, test::kBusBluetooth, 0x046D, 0xB342, test::kBootKeyboard,
                              "aa:bb:cc:dd:ee:ff", {}, {}, {}, {}};
const FakeHidDevice kTouchpad{3, test::kBusI2c, 0x04F3, 0x3147, {0xA1, 0x01}, "", {}, {}, {}, {}};
const FakeHidDevice kMouse{10, test::kBusUsb, 0x046D, 0xC077, test::kBootMouse, "",
                           {}, "Mice Inc", {}, "7200"};

class HidrawSysfs : public ::testing::Test {
protected:
    HidrawSysfs() {
        for (const auto* device : {&kBoard, &kKeyboard, &kTouchpad, &kMouse})
            tree.Add(*device);
        fs::create_directory(tree.Sys() / "class/hidraw/hidrawX"); // not a node name
    }

    Handle Open(const std::string& path, std::uint32_t disposition = kOpenExisting) {
        return api.CreateFileA(path, kGenericRead | kGenericWrite, kFileShareRead | kFileShareWrite,
                               {}, disposition, 0);
    }
    Handle OpenNode(unsigned node) { return Open((tree.Dev() / ("hidraw" + std::to_string(node))).string()); }

    test::FakeSysfs tree;
    HidrawHidApi api{tree.Sys(), tree.Dev()};
};

// The paths of a set's members, read with the program's size query then detail query.
std::vector<std::string> WalkPaths(HidApi& api, Handle set) {
    Guid guid;
    api.HidD_GetHidGuid(guid);
    std::vector<std::string> paths;
    InterfaceData data;
    data.cbSize = sizeof data;
    for (std::uint32_t index = 0; api.SetupDiEnumDeviceInterfaces(set, guid, index, data); ++index) {
        std::uint32_t required = 0;
        EXPECT_EQ(api.SetupDiGetDeviceInterfaceDetailA(set, data, {}, required), 0);
        std::vector<std::uint8_t> detail(required + 1, 0);
        std::memcpy(detail.data(), &kDetailHeaderSize, 4);
        EXPECT_NE(api.SetupDiGetDeviceInterfaceDetailA(set, data, std::span(detail).first(required),
                                                       required), 0);
        paths.emplace_back(reinterpret_cast<const char*>(detail.data() + kDetailPathOffset));
        EXPECT_EQ(required, kDetailPathOffset + paths.back().size() + 1);
    }
    return paths;
}

TEST_F(HidrawSysfs, WalkIsASnapshotInNumericOrder) {
    Guid guid;
    api.HidD_GetHidGuid(guid);
    const Handle set = api.SetupDiGetClassDevsA(guid, kDigcfPresent | kDigcfDeviceInterface);
    ASSERT_TRUE(IsOpenHandle(set));
    tree.Add({5, test::kBusUsb, 1, 2, test::kBootMouse, "", {}, {}, {}, {}}); // after the snapshot
    tree.Remove(2);
    const auto dev = [&](const char* name) { return (tree.Dev() / name).string(); };
    EXPECT_EQ(WalkPaths(api, set),
              (std::vector{dev("hidraw0"), dev("hidraw2"), dev("hidraw3"), dev("hidraw10")}));
    EXPECT_EQ(Open(dev("hidraw2")), kInvalidHandle); // gone since the snapshot

    InterfaceData data;
    data.cbSize = sizeof(InterfaceData) - 4;
    EXPECT_EQ(api.SetupDiEnumDeviceInterfaces(set, guid, 0, data), 0);
    data.cbSize = sizeof data;
    EXPECT_EQ(api.SetupDiEnumDeviceInterfaces(set, Guid{}, 0, data), 0);
    EXPECT_NE(api.SetupDiDestroyDeviceInfoList(set), 0);
    EXPECT_EQ(api.SetupDiDestroyDeviceInfoList(set), 0);
    EXPECT_EQ(api.SetupDiEnumDeviceInterfaces(set, guid, 0, data), 0);
    EXPECT_TRUE(WalkPaths(api, api.SetupDiGetClassDevsA(Guid{}, kDigcfPresent)).empty());
}

TEST_F(HidrawSysfs, DetailRefusesWrongHeaderAndShortBufferWithoutOverrun) {
    Guid guid;
    api.HidD_GetHidGuid(guid);
    const Handle set = api.SetupDiGetClassDevsA(guid, kDigcfPresent | kDigcfDeviceInterface);
    InterfaceData data;
    data.cbSize = sizeof data;
    ASSERT_NE(api.SetupDiEnumDeviceInterfaces(set, guid, 0, data), 0);
    std::uint32_t required = 0;
    api.SetupDiGetDeviceInterfaceDetailA(set, data, {}, required);
    std::vector<std::uint8_t> detail(required + 8, 0xEE);
    const std::uint32_t wrongHeader = kDetailHeaderSize == 8 ? 5 : 8;
    std::memcpy(detail.data(), &wrongHeader, 4);
    EXPECT_EQ(api.SetupDiGetDeviceInterfaceDetailA(set, data, std::span(detail).first(required), required), 0);
    std::memcpy(detail.data(), &kDetailHeaderSize, 4);
    EXPECT_EQ(api.SetupDiGetDeviceInterfaceDetailA(set, data, std::span(detail).first(required - 1), required), 0);
    EXPECT_TRUE(std::all_of(detail.begin() + 4, detail.end(), [](auto b) { return b == 0xEE; }));
    InterfaceData cleared;
    cleared.cbSize = sizeof cleared;
    EXPECT_EQ(api.SetupDiGetDeviceInterfaceDetailA(set, cleared, detail, required), 0);
    api.SetupDiDestroyDeviceInfoList(set);
}

// Vendor and product come from each node's HID device in sysfs, on every bus, without the node
// being opened: a node with no file in the device folder is told all the same.
TEST_F(HidrawSysfs, IdsAreToldWithoutOpeningTheNode) {
    FakeHidDevice closed = kMouse;
    closed.Node = 12;
    closed.ProductId = 0xC52B;
    tree.Add(closed, /*plainNode=*/false);
    // Devices whose sysfs name tells nothing: the uevent speaks for them, when it can.
    const auto renamed = [&](unsigned node, const char* uevent) {
        FakeHidDevice device = kMouse;
        device.Node = node;
        const fs::path nodeFolder = tree.Add(device);
        const fs::path other = tree.Sys() / "devices" / ("odd-" + std::to_string(node));
        fs::create_directories(other);
        std::ofstream(other / "uevent") << uevent;
        fs::remove(nodeFolder / "device");
        fs::create_directory_symlink(other, nodeFolder / "device");
    };
    renamed(13, "DRIVER=hid-generic\nHID_ID=0003:0001046D:0000C077\n"); // vendor beyond 16 bits
    renamed(14, "DRIVER=hid-generic\nHID_ID=0018:000004F3:00003147\n");

    Guid guid;
    api.HidD_GetHidGuid(guid);
    const Handle set = api.SetupDiGetClassDevsA(guid, kDigcfPresent | kDigcfDeviceInterface);
    const std::vector<std::string> paths = WalkPaths(api, set);
    const struct {
        unsigned node;
        std::optional<std::pair<std::uint16_t, std::uint16_t>> ids;
    } cases[] = {
        {0, std::pair{BoardVendorId, BoardProductId}},
        {2, std::pair{std::uint16_t{0x046D}, std::uint16_t{0xB342}}}, // Bluetooth: not the radio's
        {3, std::pair{std::uint16_t{0x04F3}, std::uint16_t{0x3147}}}, // I2C
        {10, std::pair{std::uint16_t{0x046D}, std::uint16_t{0xC077}}},
        {12, std::pair{std::uint16_t{0x046D}, std::uint16_t{0xC52B}}}, // no node file to open
        {13, std::nullopt},
        {14, std::pair{std::uint16_t{0x04F3}, std::uint16_t{0x3147}}},
    };
    InterfaceData data;
    data.cbSize = sizeof data;
    for (std::uint32_t index = 0; api.SetupDiEnumDeviceInterfaces(set, guid, index, data); ++index) {
        const auto& c = cases[index];
        SCOPED_TRACE(paths.at(index));
        InterfaceIds ids{0x1111, 0x2222};
        const std::int32_t told = api.GetInterfaceIds(set, data, paths.at(index), ids);
        EXPECT_EQ(told != 0, c.ids.has_value());
        EXPECT_EQ(std::pair(ids.VendorID, ids.ProductID),
                  c.ids.value_or(std::pair{std::uint16_t{0x1111}, std::uint16_t{0x2222}}));
    }
    EXPECT_EQ(paths.size(), std::size(cases));

    // Only a node of the device folder is told, and only through a set.
    InterfaceIds ids;
    ASSERT_NE(api.SetupDiEnumDeviceInterfaces(set, guid, 0, data), 0);
    EXPECT_EQ(api.GetInterfaceIds(set, data, (tree.Root() / "hidraw0").string(), ids), 0);
    EXPECT_EQ(api.GetInterfaceIds(set, data, (tree.Dev() / "hidraw9").string(), ids), 0);
    EXPECT_EQ(api.GetInterfaceIds(kInvalidHandle, data, paths.front(), ids), 0);
    api.SetupDiDestroyDeviceInfoList(set);
}

// The two texts sysfs tells vendor and product in: the HID device's name and its uevent's HID_ID.
TEST(HidIdText, Table) {
    using Id = std::optional<std::pair<std::uint16_t, std::uint16_t>>;
    const auto asPair = [](std::optional<hidraw::HidId> id) -> Id {
        return id ? Id{{id->VendorId, id->ProductId}} : std::nullopt;
    };
    const struct {
        const char* text;
        Id name, uevent;
    } rows[] = {
        {"0003:1209:7E51.0004", Id{{0x1209, 0x7E51}}, std::nullopt},
        {"0005:046D:B342.10004", Id{{0x046D, 0xB342}}, std::nullopt},  // the instance grows
        {"0003:00001209:00007E51", std::nullopt, Id{{0x1209, 0x7E51}}},
        {"0003:0001046D:0000C077", std::nullopt, std::nullopt},          // beyond 16 bits
        {"0003:1209:7E5.0004", std::nullopt, std::nullopt},
        {"0003:1209:7E51.", std::nullopt, std::nullopt},
        {"0003:1209:7E51", std::nullopt, Id{{0x1209, 0x7E51}}},
        {"0003:12G9:7E51.0001", std::nullopt, std::nullopt},
        {"0003:00001209:00007E51x", std::nullopt, std::nullopt},
        {"hidraw0", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(asPair(hidraw::ParseHidDeviceName(row.text)), row.name) << row.text;
        EXPECT_EQ(asPair(hidraw::ParseHidId(row.text)), row.uevent) << row.text;
    }
}

enum class Kind { Serial, Manufacturer, Product };

std::optional<std::u16string> ReadString(HidApi& api, Handle device, Kind kind,
                                         std::size_t length = 100) {
    std::vector<std::uint8_t> buffer(length + 2, 0xEE);
    const auto span = std::span(buffer).first(length);
    const std::int32_t result = kind == Kind::Serial ? api.HidD_GetSerialNumberString(device, span)
                              : kind == Kind::Manufacturer ? api.HidD_GetManufacturerString(device, span)
                                                           : api.HidD_GetProductString(device, span);
    EXPECT_EQ(buffer[length], 0xEE) << "written past the buffer";
    if (result == 0)
        return std::nullopt;
    std::u16string text;
    for (std::size_t i = 0; i + 1 < length && (buffer[i] != 0 || buffer[i + 1] != 0); i += 2)
        text.push_back(static_cast<char16_t>(buffer[i] | buffer[i + 1] << 8));
    return text;
}

TEST_F(HidrawSysfs, DeviceStringsComeFromTheRightDevice) {
    const struct {
        unsigned node;
        Kind kind;
        std::optional<std::u16string> expected;
    } cases[] = {
        {0, Kind::Serial, u"TS-0001"},
        {0, Kind::Manufacturer, u"Tensilo"},
        {0, Kind::Product, u"Tensilo board"},
        // Bluetooth: the unique ID, never the radio adapter's USB strings.
        {2, Kind::Serial, u"aa:bb:cc:dd:ee:ff"},
        {2, Kind::Manufacturer, std::nullopt},
        {3, Kind::Serial, std::nullopt}, // I2C with an empty unique ID
        {10, Kind::Serial, std::nullopt}, // USB without a serial number
        {10, Kind::Manufacturer, u"Mice Inc"},
        {10, Kind::Product, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "hidraw" << c.node << " kind " << static_cast<int>(c.kind));
        const Handle device = OpenNode(c.node);
        ASSERT_TRUE(IsOpenHandle(device));
        EXPECT_EQ(ReadString(api, device, c.kind), c.expected);
        EXPECT_NE(api.CloseHandle(device), 0);
    }
}

TEST_F(HidrawSysfs, StringsAreUtf16LeAndCutToTheBuffer) {
    FakeHidDevice device = kBoard;
    device.Node = 7;
    device.Serial = std::string(60, 'S');
    device.Manufacturer = "Z\xC3\xBCrich \xE2\x98\x83 \xF0\x9D\x84\x9E"; // Zürich ☃ 𝄞
    tree.Add(device);
    const Handle handle = OpenNode(7);
    // 100 bytes hold 50 of the 60 characters and no terminator; 3 bytes hold one unit.
    EXPECT_EQ(ReadString(api, handle, Kind::Serial), std::u16string(50, u'S'));
    EXPECT_EQ(ReadString(api, handle, Kind::Serial, 3), u"S");
    EXPECT_EQ(ReadString(api, handle, Kind::Manufacturer), u"Z\u00FCrich \u2603 \U0001D11E");

    const struct {
        const char* utf8;
        std::u16string utf16;
    } malformed[] = {
        {"A\xFF", u"A\uFFFD"},                      // no lead byte
        {"\xC0\xAF", u"\uFFFD\uFFFD"},              // overlong '/'
        {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},    // a surrogate
        {"\xE2\x82", u"\uFFFD\uFFFD"},              // cut sequence
        {"\xF4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // above U+10FFFF
    };
    for (const auto& c : malformed)
        EXPECT_EQ(protocol::Utf8ToUtf16(c.utf8), c.utf16) << c.utf8;
}

TEST_F(HidrawSysfs, CapabilitiesFromTheReportDescriptor) {
    WindowState state;
    state.DeviceHandle = OpenNode(0);
    ReadDeviceCaps(api, state);
    EXPECT_EQ(state.Capabilities.InputReportByteLength, BoardInputReportByteLength);
    EXPECT_EQ(state.Capabilities.OutputReportByteLength, 0);
    EXPECT_EQ(state.Capabilities.FeatureReportByteLength, BoardFeatureReportByteLength);
    EXPECT_EQ(state.Capabilities.UsagePage, 0xFF00);
    EXPECT_EQ(state.Capabilities.Usage, 1);

    // A faulty descriptor gives no preparsed data and leaves the caller's value alone.
    const Handle touchpad = OpenNode(3);
    PreparsedData data = 1234;
    EXPECT_EQ(api.HidD_GetPreparsedData(touchpad, data), 0);
    EXPECT_EQ(data, 1234);

    const Handle keyboard = OpenNode(2);
    ASSERT_NE(api.HidD_GetPreparsedData(keyboard, data), 0);
    HidCaps caps;
    ASSERT_EQ(api.HidP_GetCaps(data, caps), kHidpStatusSuccess);
    EXPECT_EQ(caps.InputReportByteLength, 9);
    EXPECT_EQ(caps.OutputReportByteLength, 2);
    EXPECT_NE(api.HidD_FreePreparsedData(data), 0);
    EXPECT_EQ(api.HidD_FreePreparsedData(data), 0);
    caps.Usage = 99;
    EXPECT_NE(api.HidP_GetCaps(data, caps), kHidpStatusSuccess);
    EXPECT_EQ(caps.Usage, 99);
    EXPECT_EQ(api.HidD_FreePreparsedData(keyboard), 0); // a device handle is no preparsed data
}

std::size_t OpenFds() {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), {}));
}

TEST_F(HidrawSysfs, HandlesAreUniqueAndClosedOnce) {
    const std::size_t fdsBefore = OpenFds();
    const Handle first = OpenNode(0);
    const Handle second = OpenNode(0);
    ASSERT_TRUE(IsOpenHandle(first));
    EXPECT_NE(first, second);
    EXPECT_NE(api.CloseHandle(first), 0);
    EXPECT_EQ(api.CloseHandle(first), 0);
    const Handle third = OpenNode(0);
    EXPECT_NE(third, first); // a closed value is never handed out again
    const Handle event1 = api.CreateEventA({}, true, true);
    const Handle event2 = api.CreateEventA({}, true, true);
    EXPECT_TRUE(event1 != kNoHandle && event2 != kNoHandle && event1 != event2 && event1 != third);
    EXPECT_EQ(api.SetupDiDestroyDeviceInfoList(second), 0);
    EXPECT_NE(api.CloseHandle(second), 0);
    EXPECT_NE(api.CloseHandle(third), 0);
    EXPECT_EQ(OpenFds(), fdsBefore);

    // A file descriptor's number is not a handle: closing it must leave the descriptor open.
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    EXPECT_EQ(api.CloseHandle(pipeEnds[0]), 0);
    EXPECT_EQ(api.CloseHandle(kInvalidHandle), 0);
    EXPECT_NE(::fcntl(pipeEnds[0], F_GETFD), -1);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
}

TEST_F(HidrawSysfs, OpenRefusesWhatIsNoNode) {
    fs::create_directory(tree.Root() / "elsewhere");
    std::ofstream(tree.Root() / "elsewhere/hidraw0").put('x');
    std::ofstream(tree.Dev() / "notanode").put('x');
    const std::size_t fdsBefore = OpenFds();
    EXPECT_EQ(Open((tree.Dev() / "hidraw9").string()), kInvalidHandle);             // no such file
    EXPECT_EQ(Open((tree.Root() / "elsewhere/hidraw0").string()), kInvalidHandle); // not in the device folder
    EXPECT_EQ(Open((tree.Dev() / "notanode").string()), kInvalidHandle);
    EXPECT_EQ(Open((tree.Dev() / "hidraw11").string(), 2 /*CREATE_ALWAYS*/), kInvalidHandle);
    EXPECT_FALSE(fs::exists(tree.Dev() / "hidraw11"));
    EXPECT_EQ(OpenFds(), fdsBefore);

    // Plain files have no HIDIOCGRAWINFO: the attribute read fails and leaves the record alone.
    const Handle board = OpenNode(0);
    Attributes attributes;
    attributes.VendorID = 0x1111;
    EXPECT_EQ(api.HidD_GetAttributes(board, attributes), 0);
    EXPECT_EQ(attributes.VendorID, 0x1111);
    api.CloseHandle(board);
}

// A character device is known by its number through <sys>/dev/char, whatever its name.
TEST_F(HidrawSysfs, CharacterDeviceIsFoundByItsNumber) {
    const fs::path node = tree.Root() / "tensilo-board";
    if (::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) // the numbers of /dev/null
        GTEST_SKIP() << "cannot make a device node here: " << std::strerror(errno);
    fs::create_directories(tree.Sys() / "dev/char");
    fs::create_directory_symlink(fs::read_symlink(tree.Sys() / "class/hidraw/hidraw0"),
                                 tree.Sys() / "dev/char/1:3");
    const int probe = ::open(node.c_str(), O_RDWR);
    if (probe < 0)
        GTEST_SKIP() << "device nodes cannot be opened here: " << std::strerror(errno);
    ::close(probe);
    const Handle board = Open(node.string());
    ASSERT_TRUE(IsOpenHandle(board));
    EXPECT_EQ(ReadString(api, board, Kind::Serial), u"TS-0001");
    api.CloseHandle(board);
}

// The waiting read, on a node that is a FIFO: poll waits on it as on a hidraw node, and each write
// into it stands for one report the device sends (without a report ID: the board numbers none).
TEST_F(HidrawSysfs, WaitingReadEndsWithAReportWithTheTimeOrWithASignal) {
    FakeHidDevice device = kBoard;
    device.Node = 4;
    tree.Add(device, false);
    const fs::path node = tree.Dev() / "hidraw4";
    ASSERT_EQ(::mkfifo(node.c_str(), 0600), 0);
    const Handle reader = OpenNode(4);
    ASSERT_TRUE(IsOpenHandle(reader));
    const int writer = ::open(node.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(writer, 0);
    const std::uint8_t report[6] = {0x12, 0x34, 0x80, 0xFF, 0x7F, 0x01};
    const std::vector<std::uint8_t> framed = {0x00, 0x12, 0x34, 0x80, 0xFF, 0x7F, 0x01};
    std::vector<std::uint8_t> buffer(1000, 0xAB);
    std::uint32_t bytesRead = 77;
    Overlapped overlapped;
    const auto waitFor = [&](std::uint32_t milliseconds) {
        bytesRead = 77;
        const std::int32_t result =
            api.ReadFileWithTimeout(reader, buffer, bytesRead, overlapped, milliseconds);
        EXPECT_NE(result, 0);
        return std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + bytesRead);
    };

    EXPECT_TRUE(waitFor(20).empty()) << "nothing sent: the time passes";
    ASSERT_EQ(::write(writer, report, sizeof report), 6);
    EXPECT_EQ(waitFor(60000), framed) << "a report waiting: at once, framed";

    // A signal ends the wait: the helper signals until the wait has ended, and sends a report only
    // after a second, which a wait that went on after a signal would return.
    struct sigaction quiet {};
    struct sigaction previous {};
    quiet.sa_handler = [](int) {};
    ASSERT_EQ(::sigaction(SIGUSR1, &quiet, &previous), 0);
    std::atomic<bool> ended = false;
    const pthread_t waiting = ::pthread_self();
    std::thread helper([&] {
        for (int i = 0; i < 20 && !ended; ++i) {
            ::pthread_kill(waiting, SIGUSR1);
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        EXPECT_EQ(::write(writer, report, sizeof report), 6);
    });
    EXPECT_TRUE(waitFor(60000).empty()) << "the signal ended the wait";
    ended = true;
    helper.join();
    ::sigaction(SIGUSR1, &previous, nullptr);
    EXPECT_EQ(waitFor(60000), framed) << "the report sent after it is there for the next wait";

    ::close(writer);
    EXPECT_NE(api.CloseHandle(reader), 0);
    EXPECT_EQ(api.ReadFileWithTimeout(reader, buffer, bytesRead, overlapped, 10), 0)
        << "a closed handle";
    EXPECT_EQ(bytesRead, 0u);
}

// The write lock is flock on the node: two opens of one node conflict, in one program or two (a
// second backend here), a take waits its time and fails as busy, which the --verbose log writes,
// and a release or a close lets it go, also to a take that is waiting for it.
TEST_F(HidrawSysfs, WriteLockIsTheNodesAndGoesWithReleaseOrClose) {
    const std::string path = (tree.Dev() / "hidraw0").string();
    std::ostringstream log;
    FailureLog logged(api, log, "tensilo-config: ");
    const auto open = [&](HidApi& hid) {
        return hid.CreateFileA(path, kGenericRead | kGenericWrite, 0, {}, kOpenExisting, 0);
    };
    HidrawHidApi otherProgram{tree.Sys(), tree.Dev()};
    const Handle first = open(api);
    const Handle second = open(logged);
    const Handle third = open(otherProgram);
    ASSERT_TRUE(IsOpenHandle(first) && IsOpenHandle(second) && IsOpenHandle(third));
    const auto takesMs = [](HidApi& hid, Handle device, std::uint32_t wait, bool taken) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(hid.TakeWriteLock(device, wait) != 0, taken);
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - start)
            .count();
    };
    EXPECT_LT(takesMs(api, first, 0, true), 100);
    EXPECT_LT(takesMs(api, first, 0, true), 100) << "its holder takes it again at once";
    EXPECT_GE(takesMs(logged, second, 150, false), 150);
    EXPECT_EQ(logged.LastFailure()->kind, SystemFailure::Kind::Busy);
    EXPECT_EQ(log.str(),
              "tensilo-config: TakeWriteLock " + path + " failed: " + kWriteLockBusyReason + "\n");
    EXPECT_GE(takesMs(otherProgram, third, 50, false), 50);
    EXPECT_NE(api.ReleaseWriteLock(first), 0);
    EXPECT_EQ(api.ReleaseWriteLock(first), 0) << "let go once";
    EXPECT_EQ(api.ReleaseWriteLock(second), 0) << "never taken";
    EXPECT_LT(takesMs(otherProgram, third, 0, true), 100);

    // A take that waits gets it as soon as the holder closes its handle.
    std::thread closer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_NE(otherProgram.CloseHandle(third), 0);
    });
    EXPECT_LT(takesMs(logged, second, 10000, true), 5000);
    closer.join();
    EXPECT_EQ(api.TakeWriteLock(kInvalidHandle, 0), 0);
    EXPECT_NE(logged.CloseHandle(second), 0);
    EXPECT_LT(takesMs(api, first, 0, true), 100) << "the close let it go";
    EXPECT_NE(api.CloseHandle(first), 0);
}

} // namespace
} // namespace tensilo::device
