// Ctrl-C, Ctrl-Break and a closing console: each command stops what it
// plays, releases the device and leaves with exit status 130.
#pragma once
#include "probe_errors.h"

#include <string>

namespace probe {

// The ProbeError a command throws once interrupted; run_probe prints its
// one line with what was cleaned up on the way out.
struct Interrupted : ProbeError {
    explicit Interrupted(const std::string &reason) : ProbeError(kExitInterrupted, reason) {}
};

// Installs the console control handler (the executable does, once). The
// handler only raises the interrupt; the command's own thread cleans up, and
// a closing console is held open until it has.
void watch_console_events();

// What the handler does for a console event (CTRL_C_EVENT, ...): raise the
// interrupt with a reason. Tests call it from another thread.
void raise_interrupt(unsigned long console_event);
bool interrupted();
// Back to not interrupted, with no notes; run_probe does this first.
void clear_interrupt();

// Throws Interrupted once the interrupt is raised.
void check_interrupt();
// Waits up to ms, returning early (by throwing Interrupted) on an interrupt.
void pause_or_interrupt(unsigned ms);
// The event that is set while interrupted, for waits on several handles.
void *interrupt_event();

// What the way out did ("stopped and destroyed effect 1"), collected while
// interrupted and appended to the one-line message.
void note_cleanup(const std::string &what);
std::string interrupt_message(const std::string &reason);

}  // namespace probe
