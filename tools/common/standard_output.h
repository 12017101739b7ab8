// The end of what a console program printed on standard output: whether all of it was written.
// A full disk or a closed terminal must not read as success to the script that ran the program.
#pragma once

#include <string_view>

namespace tensilo::tools {

// Flushes standard output (std::cout) and returns `status` when everything printed was written;
// otherwise says "PROGRAM: standard output: REASON" on standard error and returns at least 1.
int FinishStandardOutput(std::string_view program, int status);

} // namespace tensilo::tools
