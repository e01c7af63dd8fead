#pragma once
// Under Wine PeekMessageA costs from a few to tens of microseconds a call and
// varies widely, which buries the bridge's own share of dib_poll. With the
// pump stubbed, both sides' PeekMessageA is one call that finds no message.
#include <windows.h>

namespace bench {

// Points `module`'s import of PeekMessageA at a switch between the real call
// and the stub. False when the module does not import it.
bool install_pump_switch(HMODULE module);
void stub_message_pump(bool stubbed);

// What gantrel.dll's PeekMessageA import now leads to; the raw side calls it
// too while the pump is stubbed, so that both pay the same for it.
BOOL WINAPI switched_peek_message(LPMSG message, HWND window, UINT first, UINT last, UINT remove);

}  // namespace bench
