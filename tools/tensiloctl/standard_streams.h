// Standard input and output as tensiloctl's commands use them: raw bytes with the system's reason
// for a read or write that failed, so that a full disk is never taken for success, and a reader
// that has gone (a closed pipe) is told apart from every other failure.
#pragma once

#include <cstddef>
#include <optional>
#include <streambuf>
#include <string>

namespace tensilo::ctl {

// A source of bytes: standard input, or a file opened for reading.
class InputChannel {
public:
    virtual ~InputChannel() = default;
    // Reads at most `size` bytes into `buffer`: the number read (0 at the end), or a failure with
    // the system's error number.
    struct Result {
        std::size_t bytes = 0;
        int error = 0;
    };
    virtual Result Read(char* buffer, std::size_t size) = 0;
};

// Reads `input` to its end, at most `limit` + 1 bytes (so that a caller sees it was longer):
// the bytes, or the error number of the read that failed.
struct WholeInput {
    std::string bytes;
    int error = 0;
};
WholeInput ReadToEnd(InputChannel& input, std::size_t limit);

// Why an output could not be written.
struct OutputFault {
    int error = 0;   // the system's error number of the first write that failed
    bool readerGone; // EPIPE: the reader has gone, which ends a command quietly
    std::string reason;
};

// A buffered output stream whose first failed write is kept with its reason; everything written
// after it is dropped (the stream then reports failure).
class OutputChannel : public std::streambuf {
public:
    OutputChannel();
    std::optional<OutputFault> Fault() const;

protected:
    // Writes all `size` bytes: 0, or the system's error number when they could not all be written.
    virtual int Deliver(const char* data, std::size_t size) = 0;

    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* data, std::streamsize size) override;
    int sync() override;

private:
    // Delivers what is buffered; false once a write has failed.
    bool Drain();

    char buffer_[8192];
    int error_ = 0;
};

// The text of a system error number, as strerror gives it ("No space left on device").
std::string ErrorText(int error);

} // namespace tensilo::ctl
