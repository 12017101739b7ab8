#include "tools/common/standard_output.h"

#include <cerrno>
#include <iostream>
#include <system_error>

namespace tensilo::tools {

int FinishStandardOutput(std::string_view program, int status) {
    // What is still buffered is written now; the flush's own failure keeps the system's reason.
    errno = 0;
    std::cout.flush();
    const int error = errno;
    if (std::cout)
        return status;
    std::cerr << program << ": standard output: "
              << (error != 0 ? std::generic_category().message(error)
                             : std::string("not everything could be written"))
              << std::endl;
    return status > 1 ? status : 1;
}

} // namespace tensilo::tools
