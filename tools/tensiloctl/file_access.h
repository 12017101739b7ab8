// Settings files on disk, by the name given on the command line, its bytes as they are. A file
// that is written is never half-written and never replaces what is not a file: a regular file
// (or none) is replaced whole through a temporary file beside it, keeping the old file's mode;
// any other target (a FIFO, a device, /dev/stdout, a process substitution) is opened and written
// in place.
#pragma once

#include "tools/tensiloctl/standard_streams.h"
#include "tools/tensiloctl/stop_requests.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace tensilo::ctl {

// Reads the file at `path` to its end, at most `limit` + 1 bytes: the bytes, or the system's
// reason why it cannot be read.
struct FileText {
    std::string bytes;
    std::optional<std::string> failure;
};
FileText ReadFileAt(const std::string& path, std::size_t limit);

// Writes `bytes` to `path` as above; the system's reason when it could not. A request to stop
// that ends the program meanwhile removes the temporary file (`stop`).
std::optional<std::string> WriteFileAt(const std::string& path, std::string_view bytes,
                                       StopRequests& stop);

// Writes all of `bytes` to an open descriptor, going on after a signal and a short write: 0, or
// the system's error number.
int WriteAllTo(int descriptor, std::string_view bytes);

// A file open for reading (or standard input, descriptor 0), as an input channel.
class FileInput : public InputChannel {
public:
    explicit FileInput(int descriptor) : descriptor_(descriptor) {}
    Result Read(char* buffer, std::size_t size) override;

private:
    int descriptor_;
};

} // namespace tensilo::ctl
