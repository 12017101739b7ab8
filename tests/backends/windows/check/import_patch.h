// Replaces, in this program's import table, the address of a function it imports from a DLL, so
// that a check can see the arguments the backend passes to Windows (the call goes through that
// table) and then forward them to the real function.
#pragma once

#include <windows.h>

namespace tensilo::check {

// Points every import of `function` from `dll` (compared without regard to case) at
// `replacement`; stores the address it had in `original`. False when the program imports no such
// function.
bool ReplaceImport(const char* dll, const char* function, void* replacement, void** original);

} // namespace tensilo::check
