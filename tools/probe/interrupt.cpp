#include "interrupt.h"

#include <windows.h>

#include <atomic>
#include <mutex>
#include <vector>

namespace probe {

namespace {

std::atomic<unsigned long> g_event{~0ul};  // the console event, ~0 when none
HANDLE g_set = CreateEventA(nullptr, TRUE, FALSE, nullptr);
std::mutex g_notes_lock;
std::vector<std::string> g_notes;

// Windows ends the process when a close, log-off or shutdown handler
// returns, and at the latest after 5 s: wait that long for the command to
// clean up and exit, which ends this wait too.
const DWORD kCloseGraceMs = 4500;

BOOL WINAPI on_console_event(DWORD event) {
    raise_interrupt(event);
    if (event == CTRL_CLOSE_EVENT || event == CTRL_LOGOFF_EVENT || event == CTRL_SHUTDOWN_EVENT)
        Sleep(kCloseGraceMs);
    return TRUE;
}

const char *reason_text(unsigned long event) {
    switch (event) {
    case CTRL_C_EVENT: return "interrupted by Ctrl-C";
    case CTRL_BREAK_EVENT: return "interrupted by Ctrl-Break";
    case CTRL_CLOSE_EVENT: return "interrupted: the console was closed";
    default: return "interrupted: the session is ending";
    }
}

}  // namespace

void watch_console_events() { SetConsoleCtrlHandler(on_console_event, TRUE); }

void raise_interrupt(unsigned long console_event) {
    unsigned long none = ~0ul;
    g_event.compare_exchange_strong(none, console_event);
    SetEvent(g_set);
}

bool interrupted() { return g_event.load() != ~0ul; }

void clear_interrupt() {
    g_event = ~0ul;
    ResetEvent(g_set);
    std::lock_guard<std::mutex> hold(g_notes_lock);
    g_notes.clear();
}

void check_interrupt() {
    if (interrupted()) throw Interrupted(reason_text(g_event.load()));
}

void pause_or_interrupt(unsigned ms) {
    WaitForSingleObject(g_set, ms);
    check_interrupt();
}

void *interrupt_event() { return g_set; }

void note_cleanup(const std::string &what) {
    if (!interrupted()) return;
    std::lock_guard<std::mutex> hold(g_notes_lock);
    g_notes.push_back(what);
}

std::string interrupt_message(const std::string &reason) {
    std::lock_guard<std::mutex> hold(g_notes_lock);
    std::string out = reason;
    for (size_t i = 0; i < g_notes.size(); i++) out += (i ? ", " : "; ") + g_notes[i];
    return out;
}

}  // namespace probe
