#include "fake_hidraw_fs.h"

#include "device/hidraw/sysfs_tree.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sched.h>
#include <sys/mount.h>
#include <thread>
#include <unistd.h>

#ifdef TENSILO_HAVE_FUSE3
#define FUSE_USE_VERSION 35
#include <fuse.h>
#include <linux/hidraw.h>
#endif

namespace tensilo::device::test {

struct FakeHidrawFs::State {
    std::mutex mutex;
    std::map<unsigned, FakeNode> nodes;
#ifdef TENSILO_HAVE_FUSE3
    fuse* session = nullptr;
#endif
    std::thread loop;
};

void FakeHidrawFs::With(unsigned node, const std::function<void(FakeNode&)>& use) {
    const std::lock_guard lock(state_->mutex);
    use(state_->nodes[node]);
}

bool IsolateMounts() {
    return ::unshare(CLONE_NEWNS) == 0 &&
           ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

#ifdef TENSILO_HAVE_FUSE3

namespace {

FakeHidrawFs::State& StateOf() {
    return *static_cast<FakeHidrawFs::State*>(fuse_get_context()->private_data);
}

// The node a path names ("/hidraw3"), or nullptr. Called with the state's mutex held.
FakeNode* NodeAt(FakeHidrawFs::State& state, const char* path) {
    const auto number = path[0] == '/' ? hidraw::HidrawNumber(path + 1) : std::nullopt;
    if (!number)
        return nullptr;
    const auto found = state.nodes.find(*number);
    return found == state.nodes.end() ? nullptr : &found->second;
}

int GetAttr(const char* path, struct stat* status, fuse_file_info*) {
    auto& state = StateOf();
    const std::lock_guard lock(state.mutex);
    *status = {};
    if (std::strcmp(path, "/") == 0) {
        status->st_mode = S_IFDIR | 0755;
        status->st_nlink = 2;
        return 0;
    }
    if (NodeAt(state, path) == nullptr)
        return -ENOENT;
    status->st_mode = S_IFREG | 0666;
    status->st_nlink = 1;
    return 0;
}

int Open(const char* path, fuse_file_info* file) {
    auto& state = StateOf();
    const std::lock_guard lock(state.mutex);
    const FakeNode* node = NodeAt(state, path);
    if (node == nullptr)
        return -ENOENT;
    if (node->Unplugged)
        return -ENODEV;
    if (node->RefuseOpen)
        return -EACCES;
    file->direct_io = 1; // each read reaches Read, whatever its size, with no page cache between
    file->nonseekable = 1;
    return 0;
}

int Read(const char* path, char* buffer, size_t size, off_t, fuse_file_info*) {
    auto& state = StateOf();
    const std::lock_guard lock(state.mutex);
    FakeNode* node = NodeAt(state, path);
    if (node == nullptr || node->Unplugged)
        return -EIO;
    if (node->Input.empty())
        return -EAGAIN; // the backend opens its handles non-blocking
    const std::vector<std::uint8_t> report = std::move(node->Input.front());
    node->Input.pop_front();
    const std::size_t count = std::min(size, report.size());
    std::memcpy(buffer, report.data(), count);
    return static_cast<int>(count);
}

// Every node tells itself readable, as a file system without poll does, and an unplugged one
// tells its hang-up as hidraw does: the read that follows finds out what is there. No wake-up is
// ever sent, so the handle that would carry one is let go here (libfuse leaves that to the file
// system, and leaks it when there is no poll at all).
int Poll(const char* path, fuse_file_info*, fuse_pollhandle* handle, unsigned* events) {
    if (handle != nullptr)
        fuse_pollhandle_destroy(handle);
    auto& state = StateOf();
    const std::lock_guard lock(state.mutex);
    const FakeNode* node = NodeAt(state, path);
    *events = node == nullptr || node->Unplugged ? POLLERR | POLLHUP : POLLIN | POLLRDNORM;
    return 0;
}

int Ioctl(const char* path, unsigned int command, void*, fuse_file_info*, unsigned int,
          void* data) {
    auto& state = StateOf();
    const std::lock_guard lock(state.mutex);
    FakeNode* node = NodeAt(state, path);
    if (node == nullptr || node->Unplugged)
        return -ENODEV;
    auto* bytes = static_cast<std::uint8_t*>(data);
    const std::size_t length = _IOC_SIZE(command);
    if (command == HIDIOCGRAWINFO) {
        hidraw_devinfo info{};
        info.bustype = node->Bus;
        info.vendor = static_cast<__s16>(node->VendorId);
        info.product = static_cast<__s16>(node->ProductId);
        std::memcpy(data, &info, sizeof info);
        return 0;
    }
    if (command == HIDIOCGFEATURE(length)) {
        const auto found = node->Features.find(bytes[0]);
        if (found == node->Features.end())
            return -EPIPE; // the device stalls a request for a report it lacks
        const std::size_t count = std::min(length, found->second.size());
        std::memcpy(bytes, found->second.data(), count);
        return static_cast<int>(count);
    }
    if (command == HIDIOCSFEATURE(length)) {
        node->FeatureWrites.emplace_back(bytes, bytes + length);
        return static_cast<int>(length);
    }
    return -ENOTTY;
}

} // namespace

std::unique_ptr<FakeHidrawFs> FakeHidrawFs::Mount(const std::filesystem::path& mountPoint,
                                                  std::string& whyNot) {
    const int probe = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
    if (probe < 0) {
        whyNot = std::string("/dev/fuse cannot be opened here: ") + std::strerror(errno);
        return nullptr;
    }
    ::close(probe);

    std::unique_ptr<FakeHidrawFs> fs(new FakeHidrawFs);
    fs->state_ = std::make_unique<State>();
    fuse_operations operations{};
    operations.getattr = GetAttr;
    operations.open = Open;
    operations.read = Read;
    operations.ioctl = Ioctl;
    operations.poll = Poll;
    char name[] = "tensilo-fake-hidraw";
    char* argv[] = {name};
    fuse_args args = FUSE_ARGS_INIT(1, argv);
    fuse* session = fuse_new(&args, &operations, sizeof operations, fs->state_.get());
    fuse_opt_free_args(&args); // fuse_new may have copied them onto the heap
    if (session == nullptr) {
        whyNot = "libfuse3 could not set up a file system";
        return nullptr;
    }
    std::error_code ignored;
    std::filesystem::create_directories(mountPoint, ignored);
    if (fuse_mount(session, mountPoint.c_str()) != 0) {
        fuse_destroy(session);
        whyNot = "mounting a FUSE file system is not permitted here";
        return nullptr;
    }
    fs->state_->session = session;
    fs->state_->loop = std::thread([session] { fuse_loop(session); });
    return fs;
}

FakeHidrawFs::~FakeHidrawFs() {
    if (!state_ || state_->session == nullptr)
        return;
    // Unmounting ends the connection, which wakes the loop from its wait for a request.
    fuse_exit(state_->session);
    fuse_unmount(state_->session);
    state_->loop.join();
    fuse_destroy(state_->session);
}

#else

std::unique_ptr<FakeHidrawFs> FakeHidrawFs::Mount(const std::filesystem::path&,
                                                  std::string& whyNot) {
    whyNot = "built without libfuse3 (Debian package libfuse3-dev)";
    return nullptr;
}

FakeHidrawFs::~FakeHidrawFs() = default;

#endif

} // namespace tensilo::device::test
