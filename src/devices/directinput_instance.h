#pragma once

namespace gantrel {

// Creates the process-wide DirectInput instance on first need. False leaves
// "DirectInput8Create failed (HRESULT ...)" in the caller's last-error text;
// the next call tries again.
bool ensure_directinput();

}  // namespace gantrel
