// Fake hidraw nodes for the transfer tests: a FUSE file system, served by a thread of the test
// process, whose files hidrawN answer reads, polls (always readable, or hung up once unplugged)
// and the hidraw ioctls (HIDIOCGRAWINFO, HIDIOCGFEATURE, HIDIOCSFEATURE) as the kernel's nodes do.
// Regular FUSE files get only "restricted" ioctls, whose argument size and direction the kernel
// takes from the command number; the hidraw commands encode both, so they pass.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tensilo::device::test {

struct FakeNode {
    std::uint32_t Bus = 0x0003;
    std::uint16_t VendorId = 0;
    std::uint16_t ProductId = 0;
    // Input reports as the node hands them out: with the ID byte for a numbered device, without
    // for an unnumbered one. A read shorter than a report gets its start and loses the rest.
    std::deque<std::vector<std::uint8_t>> Input;
    // Feature reports by report number, byte 0 holding the number.
    std::map<std::uint8_t, std::vector<std::uint8_t>> Features;
    std::vector<std::vector<std::uint8_t>> FeatureWrites;
    // After an unplug, reads fail with EIO and ioctls with ENODEV.
    bool Unplugged = false;
    // Opens fail with EACCES, as for a user without the udev rule's access, also for root.
    bool RefuseOpen = false;
};

class FakeHidrawFs {
public:
    // Mounts an empty file system on `mountPoint`, which is made if needed. Returns nothing, and
    // why in `whyNot`, where that cannot be done (no libfuse3 in the build, no /dev/fuse,
    // mounting refused).
    static std::unique_ptr<FakeHidrawFs> Mount(const std::filesystem::path& mountPoint,
                                               std::string& whyNot);
    // Unmounts. Every file on the mount must be closed by then.
    ~FakeHidrawFs();

    // Runs `use` on node hidrawN, made on first use, while no request is being served.
    void With(unsigned node, const std::function<void(FakeNode&)>& use);

    struct State;

private:
    FakeHidrawFs() = default;
    std::unique_ptr<State> state_;
};

// Moves the test process into a mount namespace of its own, so that a mount it leaves behind
// when it dies goes away with it. Call while the process has one thread; false if refused.
bool IsolateMounts();

} // namespace tensilo::device::test
