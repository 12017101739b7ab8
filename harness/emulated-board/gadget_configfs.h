// The board's USB device as a configfs gadget: the device descriptor's IDs, version and strings,
// one configuration with one FunctionFS function, and the binding to a device controller, which
// is what plugs the board into the host's port.
#pragma once

#include "harness/emulated-board/board_options.h"

#include <filesystem>
#include <string>

namespace tensilo::emulated {

class ConfigfsGadget {
public:
    // Creates the gadget "tensilo-NAME" below `configfsRoot` (usually /sys/kernel/config), and
    // the FunctionFS instance whose file system is then mounted by name (FunctionName()).
    // Throws std::runtime_error naming the file that could not be written.
    ConfigfsGadget(const std::filesystem::path& configfsRoot, const BoardOptions& options);
    // Unbinds if bound and removes everything it created, in reverse order.
    ~ConfigfsGadget();
    ConfigfsGadget(const ConfigfsGadget&) = delete;
    ConfigfsGadget& operator=(const ConfigfsGadget&) = delete;

    std::string FunctionName() const { return functionName_; }
    void Bind();   // plug in: the function's descriptors must be written by now
    void Unbind(); // pull out

private:
    std::filesystem::path gadget_;
    std::string functionName_;
    std::string udc_;
    bool bound_ = false;
};

} // namespace tensilo::emulated
