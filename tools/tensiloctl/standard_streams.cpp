#include "tools/tensiloctl/standard_streams.h"

#include <cerrno>
#include <cstring>
#include <system_error>

namespace tensilo::ctl {

WholeInput ReadToEnd(InputChannel& input, std::size_t limit) {
    WholeInput whole;
    char chunk[4096];
    while (whole.bytes.size() <= limit) {
        const InputChannel::Result result = input.Read(chunk, sizeof chunk);
        if (result.error != 0) {
            whole.error = result.error;
            break;
        }
        if (result.bytes == 0)
            break;
        whole.bytes.append(chunk, result.bytes);
    }
    return whole;
}

OutputChannel::OutputChannel() {
    setp(buffer_, buffer_ + sizeof buffer_);
}

std::optional<OutputFault> OutputChannel::Fault() const {
    if (error_ == 0)
        return std::nullopt;
    return OutputFault{error_, error_ == EPIPE, ErrorText(error_)};
}

bool OutputChannel::Drain() {
    const std::size_t pending = static_cast<std::size_t>(pptr() - pbase());
    setp(buffer_, buffer_ + sizeof buffer_);
    if (error_ != 0)
        return false;
    if (pending > 0)
        error_ = Deliver(buffer_, pending);
    return error_ == 0;
}

OutputChannel::int_type OutputChannel::overflow(int_type c) {
    if (!Drain())
        return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof()))
        sputc(traits_type::to_char_type(c));
    return traits_type::not_eof(c);
}

std::streamsize OutputChannel::xsputn(const char* data, std::streamsize size) {
    for (std::streamsize written = 0; written < size;) {
        if (error_ != 0)
            return written;
        const std::streamsize room = epptr() - pptr();
        if (room == 0) {
            if (!Drain())
                return written;
            continue;
        }
        const std::streamsize part = size - written < room ? size - written : room;
        std::memcpy(pptr(), data + written, static_cast<std::size_t>(part));
        pbump(static_cast<int>(part));
        written += part;
    }
    return size;
}

int OutputChannel::sync() {
    return Drain() ? 0 : -1;
}

std::string ErrorText(int error) {
    return std::generic_category().message(error);
}

} // namespace tensilo::ctl
