// Text the console programs print is UTF-8. A Windows console shows its output in the user's code
// page, so while one of them runs its console's output code page is UTF-8, and goes back to what
// it was when the program ends. Does nothing on other systems, or without a console.
#pragma once

namespace tensilo::tools {

class Utf8Console {
public:
    Utf8Console();
    ~Utf8Console();
    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

private:
    unsigned previous_ = 0;
};

} // namespace tensilo::tools
