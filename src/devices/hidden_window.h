#pragma once

namespace gantrel {

// Creates the bridge's hidden window, to which exclusive device access is
// bound, on first need, and again on the calling thread when the window has
// died with its thread or been closed. Devices already open keep the window
// they were bound to, and the handle stays theirs when a replacement is
// refused. False leaves "hidden window creation failed".
bool ensure_hidden_window();

// Dispatches whatever is queued for the hidden window; never waits, and
// does nothing before the first window exists.
void pump_window_messages();

}  // namespace gantrel
