#include "console_screen.h"

#include "interrupt.h"

#include <windows.h>

namespace probe {

bool ConsoleScreen::available() {
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode) && GetConsoleMode(GetStdHandle(STD_OUTPUT_HANDLE), &mode);
}

ConsoleScreen::ConsoleScreen() : in_(GetStdHandle(STD_INPUT_HANDLE)), out_(GetStdHandle(STD_OUTPUT_HANDLE)) {
    DWORD mode = 0;
    GetConsoleMode(in_, &mode);
    in_mode_ = mode;
    // Keys one at a time, no echo; processed input keeps Ctrl-C a signal.
    // Without quick edit a stray click cannot freeze the tester.
    SetConsoleMode(in_, ENABLE_PROCESSED_INPUT | ENABLE_EXTENDED_FLAGS);
    FlushConsoleInputBuffer(in_);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(out_, &info)) {
        top_ = info.srWindow.Top;
        width_ = info.srWindow.Right - info.srWindow.Left + 1;
        height_ = info.srWindow.Bottom - info.srWindow.Top + 1;
    }
    CONSOLE_CURSOR_INFO cursor;
    if (GetConsoleCursorInfo(out_, &cursor)) {
        cursor_visible_ = cursor.bVisible;
        cursor.bVisible = FALSE;
        SetConsoleCursorInfo(out_, &cursor);
    }
    DWORD written;
    FillConsoleOutputCharacterA(out_, ' ', static_cast<DWORD>(width_ * height_), COORD{0, static_cast<SHORT>(top_)},
                                &written);
    shown_.assign(static_cast<size_t>(height_), std::string(static_cast<size_t>(width_), ' '));
}

ConsoleScreen::~ConsoleScreen() {
    CONSOLE_CURSOR_INFO cursor;
    if (GetConsoleCursorInfo(out_, &cursor)) {
        cursor.bVisible = cursor_visible_;
        SetConsoleCursorInfo(out_, &cursor);
    }
    SetConsoleCursorPosition(out_, COORD{0, static_cast<SHORT>(top_ + (used_ < height_ ? used_ : height_ - 1))});
    SetConsoleMode(in_, in_mode_);
}

void ConsoleScreen::draw(const std::vector<std::string> &rows) {
    for (int r = 0; r < height_; r++) {
        std::string text = r < static_cast<int>(rows.size()) ? rows[static_cast<size_t>(r)] : std::string();
        // The last column stays empty: writing it makes some consoles wrap.
        text.resize(static_cast<size_t>(width_ - 1), ' ');
        text += ' ';
        if (text == shown_[static_cast<size_t>(r)]) continue;
        DWORD written;
        WriteConsoleOutputCharacterA(out_, text.data(), static_cast<DWORD>(text.size()),
                                     COORD{0, static_cast<SHORT>(top_ + r)}, &written);
        shown_[static_cast<size_t>(r)] = text;
    }
    used_ = static_cast<int>(rows.size());
}

Key ConsoleScreen::next_key(unsigned ms) {
    Key key;
    HANDLE waits[2] = {in_, interrupt_event()};
    if (WaitForMultipleObjects(2, waits, FALSE, ms) != WAIT_OBJECT_0) return key;
    INPUT_RECORD record;
    DWORD got = 0;
    if (!ReadConsoleInputA(in_, &record, 1, &got) || got == 0) return key;
    if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) return key;
    const KEY_EVENT_RECORD &k = record.Event.KeyEvent;
    const char ch = k.uChar.AsciiChar;
    switch (k.wVirtualKeyCode) {
    case VK_UP: key.name = Key::kUp; return key;
    case VK_DOWN: key.name = Key::kDown; return key;
    case VK_LEFT: key.name = Key::kLeft; return key;
    case VK_RIGHT: key.name = Key::kRight; return key;
    case VK_PRIOR: key.name = Key::kPageUp; return key;
    case VK_NEXT: key.name = Key::kPageDown; return key;
    case VK_ESCAPE: key.name = Key::kEscape; return key;
    case VK_TAB: key.name = Key::kTab; return key;
    }
    // A console without processed input hands Ctrl-C over as a character.
    if (ch == 3) key.name = Key::kCtrlC;
    else if (ch >= ' ' && ch < 127) key = {Key::kChar, ch};
    return key;
}

}  // namespace probe
