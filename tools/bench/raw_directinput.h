#pragma once
// DirectInput used directly: the same DirectInput calls the bridge makes for
// each operation, with nothing of the bridge's own work around them. This is
// the baseline every bridge call is compared with.
#include <windows.h>
#include <dinput.h>

#include "effect_pair.h"

namespace bench {

class RawDirectInput {
public:
    // The DirectInput instance (from the same dinput8.dll the bridge loads)
    // and a hidden window of its own for exclusive access.
    bool create();
    IDirectInput8A* api() const { return api_; }

    // Drains the window's messages, as dib_poll does for the bridge's.
    void pump() const;

    // What dib_open asks of DirectInput, in the same order; nullptr on failure.
    IDirectInputDevice8A* open(const GUID& instance) const;
    // What dib_release asks of DirectInput.
    static void release(IDirectInputDevice8A* device);
    // What dib_enumerate asks of DirectInput with no device open: the list,
    // then for each device a temporary object that describes it. Returns the
    // number of devices described.
    int enumerate() const;

private:
    IDirectInput8A* api_ = nullptr;
    HWND window_ = nullptr;
};

// The description calls of one device: capabilities, actuators and effects.
void describe_raw(IDirectInputDevice8A* device);

// CreateEffect as dib_effect_create makes it; nullptr on failure.
IDirectInputEffect* create_raw_effect(IDirectInputDevice8A* device, const EffectPair& pair);
// What dib_effect_destroy asks of DirectInput.
void destroy_raw_effect(IDirectInputEffect* effect);

}  // namespace bench
