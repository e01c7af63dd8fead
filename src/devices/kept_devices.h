#pragma once
#include <windows.h>
#include <dinput.h>

namespace gantrel {

// Under Wine's own DirectInput, a device object the library has acquired is
// never freed. Wine's input thread may start a read into it after Unacquire
// cancelled the last one, and that read lands after Release has freed the
// object, in memory the heap has handed out again. And a read that fails
// while Unacquire runs leaves the object on Wine's list of acquired devices,
// where a freed object hangs or crashes the next Acquire of any device, and
// where even a live one must never be acquired again.
//
// So the library keeps one reference of its own to such an object and opens
// it again, instead of a new one, while its device is attached. At most
// kKeptDevices objects wait for reuse (a kept object whose device went away
// is freed when room is needed: its device's removal ended every read); an
// object that may be on Wine's list is never used again. Elsewhere nothing
// is kept: each function below then does nothing or finds nothing.
constexpr int kKeptDevices = 16;

// Decided once, from the instance, before any device object exists.
void decide_device_keeping(IDirectInput8A* instance);
bool keeps_device_objects();

// A reference of the table's own to a device object the slot lets go of.
void keep_device(IDirectInputDevice8A* device, const GUID& instance);
// A reference that is never released, to an object that may be on Wine's list.
void strand_device(IDirectInputDevice8A* device);
// A kept object for this instance whose device is attached, with the
// table's reference, which the caller now owns; null when there is none.
IDirectInputDevice8A* take_kept_device(const GUID& instance);

}  // namespace gantrel
