#include "device/hidraw/sysfs_tree.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <climits>
#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace tensilo::device::hidraw {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kAttributeLimit = 64 * 1024;
constexpr std::uint32_t kBusUsb = 0x0003;

// True when `path` lies strictly below `root`; both are canonical.
bool IsBelow(const fs::path& path, const fs::path& root) {
    const std::string& text = path.native();
    const std::string prefix = root.native() == "/" ? "/" : root.native() + "/";
    return text.size() > prefix.size() && text.compare(0, prefix.size(), prefix) == 0;
}

} // namespace

std::optional<unsigned> HidrawNumber(std::string_view name) {
    constexpr std::string_view kPrefix = "hidraw";
    if (name.size() <= kPrefix.size() || name.substr(0, kPrefix.size()) != kPrefix)
        return std::nullopt;
    const std::string_view digits = name.substr(kPrefix.size());
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    unsigned number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc{} || end != digits.data() + digits.size())
        return std::nullopt;
    return number;
}

std::vector<std::string> ListHidrawNodes(const fs::path& sysRoot) {
    // readdir(3) rather than a directory_iterator, which spends two more system calls on each
    // listing; a search lists the class twice, several times a second.
    std::vector<std::pair<unsigned, std::string>> found;
    if (DIR* const folder = ::opendir((sysRoot / "class" / "hidraw").c_str())) {
        while (const dirent* entry = ::readdir(folder)) {
            if (const auto number = HidrawNumber(entry->d_name))
                found.emplace_back(*number, entry->d_name);
        }
        ::closedir(folder);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> names;
    names.reserve(found.size());
    for (auto& entry : found)
        names.push_back(std::move(entry.second));
    return names;
}

std::optional<std::string> HidrawNodeOfDevice(const fs::path& sysRoot, unsigned major,
                                              unsigned minor) {
    std::error_code error;
    const fs::path link = sysRoot / "dev" / "char" /
                          (std::to_string(major) + ":" + std::to_string(minor));
    const fs::path target = fs::canonical(link, error);
    if (error)
        return std::nullopt;
    std::string name = target.filename().string();
    if (!HidrawNumber(name))
        return std::nullopt;
    return name;
}

std::optional<NodeSysfs> LocateNode(const fs::path& sysRoot, std::string_view nodeName) {
    if (!HidrawNumber(nodeName))
        return std::nullopt;
    std::error_code error;
    const fs::path root = fs::canonical(sysRoot, error);
    if (error)
        return std::nullopt;
    NodeSysfs node;
    node.HidDevice =
        fs::canonical(root / "class" / "hidraw" / std::string(nodeName) / "device", error);
    if (error || !IsBelow(node.HidDevice, root))
        return std::nullopt;

    // Only a HID device on the USB bus has a USB device above it that speaks for it. A
    // Bluetooth keyboard also sits below a USB device, its radio adapter, whose serial number
    // and version are not the keyboard's; hence the bus check before the walk up.
    const auto hidId = UeventValue(node.HidDevice, "HID_ID");
    if (!hidId || ParseHex(*hidId) != kBusUsb)
        return node;
    for (fs::path up = node.HidDevice.parent_path(); IsBelow(up, root); up = up.parent_path()) {
        if (fs::exists(up / "idVendor", error)) {
            node.UsbDevice = up;
            break;
        }
    }
    return node;
}

std::optional<HidId> ParseHidId(std::string_view text) {
    const std::size_t first = text.find(':');
    const std::size_t second = first == std::string_view::npos ? first : text.find(':', first + 1);
    if (second == std::string_view::npos)
        return std::nullopt;
    const std::string_view vendorText = text.substr(first + 1, second - first - 1);
    const std::string_view productText = text.substr(second + 1);
    const auto vendor = ParseHex(vendorText);
    const auto product = ParseHex(productText);
    // The kernel writes eight digits each; anything after them, or a value beyond 16 bits, is no
    // HID_ID of a device this program could match.
    if (!vendor || !product || *vendor > 0xFFFF || *product > 0xFFFF ||
        vendorText.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos ||
        productText.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos)
        return std::nullopt;
    return HidId{static_cast<std::uint16_t>(*vendor), static_cast<std::uint16_t>(*product)};
}

std::optional<HidId> ParseHidDeviceName(std::string_view name) {
    // BBBB:VVVV:PPPP.NNNN, four hex digits each but the instance, which grows past four.
    const auto isHex = [](std::string_view digits) {
        return !digits.empty() &&
               digits.find_first_not_of("0123456789ABCDEFabcdef") == std::string_view::npos;
    };
    if (name.size() < 16 || name[4] != ':' || name[9] != ':' || name[14] != '.' ||
        !isHex(name.substr(0, 4)) || !isHex(name.substr(5, 4)) || !isHex(name.substr(10, 4)) ||
        !isHex(name.substr(15)))
        return std::nullopt;
    return HidId{static_cast<std::uint16_t>(*ParseHex(name.substr(5, 4))),
                 static_cast<std::uint16_t>(*ParseHex(name.substr(10, 4)))};
}

std::optional<HidId> HidIdOfNode(const fs::path& sysRoot, std::string_view nodeName) {
    if (!HidrawNumber(nodeName))
        return std::nullopt;
    const fs::path device = sysRoot / "class" / "hidraw" / std::string(nodeName) / "device";
    // The kernel names each HID device after its bus, vendor and product: one readlink of the
    // node's device link tells them. A search asks this of every node several times a second, and
    // under emulation every system call counts.
    char target[PATH_MAX];
    const ssize_t length = ::readlink(device.c_str(), target, sizeof target);
    if (length > 0 && static_cast<std::size_t>(length) < sizeof target) {
        const std::string_view link(target, static_cast<std::size_t>(length));
        if (const auto id = ParseHidDeviceName(link.substr(link.rfind('/') + 1)))
            return id;
    }
    // Otherwise what the HID device's uevent says.
    const auto id = UeventValue(device, "HID_ID");
    return id ? ParseHidId(*id) : std::nullopt;
}

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const fs::path& file, std::size_t limit) {
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    // A sysfs attribute is at most a page and comes whole in one read; the chunk takes it without
    // clearing room for the longest file allowed.
    std::array<std::uint8_t, 4096> chunk;
    std::vector<std::uint8_t> bytes;
    bool failed = false;
    while (bytes.size() < limit) {
        const ssize_t count = ::read(fd, chunk.data(), std::min(chunk.size(), limit - bytes.size()));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            failed = true;
        if (count <= 0)
            break;
        bytes.insert(bytes.end(), chunk.data(), chunk.data() + count);
    }
    ::close(fd);
    if (failed)
        return std::nullopt;
    return bytes;
}

std::optional<std::string> ReadAttribute(const fs::path& file) {
    const auto bytes = ReadFileBytes(file, kAttributeLimit);
    if (!bytes)
        return std::nullopt;
    std::string text(bytes->begin(), bytes->end());
    if (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

std::optional<std::string> UeventValue(const fs::path& device, std::string_view key) {
    const auto text = ReadAttribute(device / "uevent");
    if (!text)
        return std::nullopt;
    std::string_view rest = *text;
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        const std::string_view line = rest.substr(0, end);
        if (line.size() > key.size() && line.substr(0, key.size()) == key && line[key.size()] == '=')
            return std::string(line.substr(key.size() + 1));
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return std::nullopt;
}

std::optional<std::uint32_t> ParseHex(std::string_view text) {
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc{} || end == text.data())
        return std::nullopt;
    return value;
}

} // namespace tensilo::device::hidraw
