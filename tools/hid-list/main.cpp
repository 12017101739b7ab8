// tensilo-hid-list: prints every HID interface the platform backend finds, with its attributes,
// device strings and report lengths, and marks the Tensilo boards among them. For the user whose
// window lists no board: it shows whether the board is seen at all, and what the window's walk
// would get from it.
//   tensilo-hid-list [--help | --version]
#include "device/board_identity.h"
#include "device/platform_backend.h"
#include "tools/common/standard_output.h"
#include "tools/common/utf8_console.h"
#include "tools/hid-list/hid_listing.h"

#include <iostream>
#include <ostream>
#include <string>
#include <string_view>

namespace {

constexpr const char* kProgram = "tensilo-hid-list";

void PrintUsage(std::ostream& out) {
    out << "Usage: tensilo-hid-list [--help | --version]\n"
           "Lists every HID interface the system offers, with its vendor and product IDs, device\n"
           "strings and report lengths, and marks the Tensilo boards with '*'.\n"
           "  --help     show this text and exit\n"
           "  --version  show the program's version and exit\n";
}

} // namespace

int main(int argc, char** argv) {
    using namespace tensilo;
    if (argc > 1) {
        const std::string_view option = argv[1];
        const bool help = option == "--help" || option == "-h";
        const bool version = option == "--version";
        if (argc == 2 && help) {
            PrintUsage(std::cout);
            return tools::FinishStandardOutput(kProgram, 0);
        }
        if (argc == 2 && version) {
            std::cout << kProgram << " " TENSILO_VERSION "\n";
            return tools::FinishStandardOutput(kProgram, 0);
        }
        // Each option stands alone: after one, any further argument is the mistake.
        std::cerr << "tensilo-hid-list: unexpected argument '" << argv[help || version ? 2 : 1]
                  << "'\n";
        PrintUsage(std::cerr);
        return 2;
    }
    // The device strings are UTF-8 text: a Windows console shows them so while the list runs.
    const tools::Utf8Console console;
    const auto hid = device::MakePlatformHidApi();
    const auto reports = tools::ListHidInterfaces(*hid);

    std::cout << "HID interfaces (backend " << device::PlatformBackendName()
              << "); * marks a Tensilo board (vendor 0x" << std::hex << std::uppercase
              << device::BoardVendorId << ", product 0x" << device::BoardProductId << std::dec
              << "):\n";
    for (const auto& report : reports)
        std::cout << tools::FormatInterfaceLine(report) << '\n';
    std::cout << tools::FormatSummary(reports) << '\n';
    if (reports.empty())
        std::cout << tools::NoInterfaceAdvice() << '\n';
    if (const std::string advice = tools::AccessAdvice(reports); !advice.empty())
        std::cout << advice << '\n';
    return tools::FinishStandardOutput(kProgram, 0);
}
