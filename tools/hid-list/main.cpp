// tensilo-hid-list: prints every HID interface the platform backend finds, with its attributes,
// device strings and report lengths, and marks the Tensilo boards among them. For the user whose
// window lists no board: it shows whether the board is seen at all, and what the window's walk
// would get from it.
#include "device/board_identity.h"
#include "device/platform_backend.h"
#include "tools/hid-list/hid_listing.h"

#include <iostream>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

#ifdef _WIN32
namespace {

// The device strings are UTF-8 text, so the console shows them in UTF-8 while the listing runs;
// its code page is the user's, and goes back to what it was when the program ends.
class Utf8Console {
public:
    Utf8Console() : previous_(GetConsoleOutputCP()) { SetConsoleOutputCP(CP_UTF8); }
    ~Utf8Console() {
        std::cout.flush();
        if (previous_ != 0)
            SetConsoleOutputCP(previous_);
    }
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

private:
    UINT previous_;
};

} // namespace
#endif

int main() {
#ifdef _WIN32
    const Utf8Console console;
#endif
    using namespace tensilo;
    const auto hid = device::MakePlatformHidApi();
    const auto reports = tools::ListHidInterfaces(*hid);

    std::cout << "HID interfaces (backend " << device::PlatformBackendName()
              << "); * marks a Tensilo board (vendor 0x" << std::hex << std::uppercase
              << device::BoardVendorId << ", product 0x" << device::BoardProductId << std::dec
              << "):\n";
    for (const auto& report : reports)
        std::cout << tools::FormatInterfaceLine(report) << '\n';
    std::cout << tools::FormatSummary(reports) << '\n';
    if (const std::string advice = tools::AccessAdvice(reports); !advice.empty())
        std::cout << advice << '\n';
    return 0;
}
