#include "harness/emulated-board/gadget_configfs.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace tensilo::emulated {

namespace fs = std::filesystem;

namespace {

// configfs attributes take one write of the whole value.
void WriteAttribute(const fs::path& file, const std::string& value) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error("cannot open " + file.string() + ": " + std::strerror(errno));
    const auto written = ::write(fd, value.data(), value.size());
    const int error = errno;
    ::close(fd);
    if (written != static_cast<ssize_t>(value.size()))
        throw std::runtime_error("cannot write \"" + value + "\" to " + file.string() + ": " +
                                 std::strerror(error));
}

void MakeDirectory(const fs::path& directory) {
    if (::mkdir(directory.c_str(), 0755) != 0 && errno != EEXIST)
        throw std::runtime_error("cannot create " + directory.string() + ": " +
                                 std::strerror(errno));
}

std::string Hex4(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04x", value);
    return text;
}

} // namespace

ConfigfsGadget::ConfigfsGadget(const fs::path& configfsRoot, const BoardOptions& options)
    : gadget_(configfsRoot / "usb_gadget" / ("tensilo-" + options.name)),
      functionName_("tensilo-" + options.name), udc_(options.udc) {
    MakeDirectory(gadget_);
    WriteAttribute(gadget_ / "idVendor", Hex4(options.vendorId));
    WriteAttribute(gadget_ / "idProduct", Hex4(options.productId));
    WriteAttribute(gadget_ / "bcdDevice", Hex4(options.version));
    WriteAttribute(gadget_ / "bcdUSB", "0x0200");
    // Only the strings the board has get a file: an absent one keeps string index 0, so the
    // host finds no such string at all.
    const fs::path strings = gadget_ / "strings" / "0x409";
    MakeDirectory(strings);
    if (options.manufacturer)
        WriteAttribute(strings / "manufacturer", *options.manufacturer);
    if (options.product)
        WriteAttribute(strings / "product", *options.product);
    if (options.serial)
        WriteAttribute(strings / "serialnumber", *options.serial);
    MakeDirectory(gadget_ / "configs" / "c.1");
    WriteAttribute(gadget_ / "configs" / "c.1" / "MaxPower", "100");
    const fs::path function = gadget_ / "functions" / ("ffs." + functionName_);
    MakeDirectory(function);
    const fs::path link = gadget_ / "configs" / "c.1" / ("ffs." + functionName_);
    if (::symlink(function.c_str(), link.c_str()) != 0 && errno != EEXIST)
        throw std::runtime_error("cannot link " + link.string() + ": " + std::strerror(errno));
}

ConfigfsGadget::~ConfigfsGadget() {
    if (bound_)
        Unbind();
    // Removal in reverse; each may fail only when something else holds the gadget, and there is
    // nothing better to do about it here than leave it for the next run's diagnosis.
    ::unlink((gadget_ / "configs" / "c.1" / ("ffs." + functionName_)).c_str());
    ::rmdir((gadget_ / "configs" / "c.1").c_str());
    ::rmdir((gadget_ / "functions" / ("ffs." + functionName_)).c_str());
    ::rmdir((gadget_ / "strings" / "0x409").c_str());
    ::rmdir(gadget_.c_str());
}

void ConfigfsGadget::Bind() {
    WriteAttribute(gadget_ / "UDC", udc_);
    bound_ = true;
}

void ConfigfsGadget::Unbind() {
    bound_ = false;
    try {
        WriteAttribute(gadget_ / "UDC", "\n");
    } catch (const std::runtime_error&) {
        // Already unbound (the controller went away): nothing is plugged in either way.
    }
}

} // namespace tensilo::emulated
