// The windowed programs (tensilo-config, tensilo-demo) are Windows-GUI programs: started from a
// console they get no standard output or error, and Qt sends its messages to the debugger. This
// gives them the console they were started from, where there is one, and Qt's messages to
// standard error, so that what they print (the demo's self-check, Qt's warnings) is seen there
// and by a test that reads their output. Does nothing on other systems.
#pragma once

namespace tensilo::tools {

// Call first in main, before the QApplication is made.
void UseStartingConsole();

} // namespace tensilo::tools
