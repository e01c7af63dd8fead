// Which module made each device object, and whether that module has left
// the process while the object lives on: a host that unloads gantrel.dll
// without releasing its devices leaves them acquired for good.
#pragma once
#include <windows.h>

#include "sim_state.h"

namespace gsim {

struct Creator {
    void *base = nullptr;  // nullptr: not recorded (strict mode off)
    char name[64] = "";
    unsigned unloads = 0;  // unloads seen in the process before it called
    DWORD thread_id = 0;
};

// The module holding `address`, a return address into the caller. Takes
// the loader's lock: call it without the simulator's.
Creator strict_creator(const void *address);
// Remembers the device object that CreateDevice call made for `who`.
void note_creator(DWORD object, const Creator &who, const CallScope &call);

// Listens to the loader for unloads from now on, and keeps this DLL loaded
// so that it sees the calls that follow. Not under the simulator's lock.
void watch_unloads();

// Reports every live device object whose module has been unloaded since
// it made the object. Under the lock.
void notice_unloaded_owners();

}  // namespace gsim
