// The console as a full screen for the interactive tester: rows of text
// drawn in place through the console API (which Wine's console also turns
// into terminal output), and keys read one at a time.
#pragma once
#include <string>
#include <vector>

namespace probe {

// A key as the tester sees it: a character, or one of the named keys.
struct Key {
    enum Name { kNone, kChar, kUp, kDown, kLeft, kRight, kPageUp, kPageDown, kEscape, kTab, kCtrlC };
    Name name = kNone;
    char ch = 0;
};

class ConsoleScreen {
public:
    // True when standard input and output are both a console.
    static bool available();

    // Clears the visible window, hides the cursor and takes keys one by one
    // (Ctrl-C still reaches the interrupt handler).
    ConsoleScreen();
    // Puts the cursor below what was drawn and gives back the console's modes.
    ~ConsoleScreen();
    ConsoleScreen(const ConsoleScreen &) = delete;
    ConsoleScreen &operator=(const ConsoleScreen &) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    // Rows from the top of the window; only rows that changed are written.
    void draw(const std::vector<std::string> &rows);

    // Waits up to ms for a key press or the interrupt; kNone when neither.
    Key next_key(unsigned ms);

private:
    void *in_, *out_;
    unsigned long in_mode_ = 0;
    bool cursor_visible_ = true;
    int top_ = 0, width_ = 80, height_ = 25, used_ = 0;
    std::vector<std::string> shown_;
};

}  // namespace probe
