#pragma once
#include <windows.h>
#include <dinput.h>

#include <cstdint>
#include <string>

namespace gantrel {

constexpr int kDeviceSlots = 8;
constexpr int kEffectSlots = 64;

struct DeviceSlot {
    uint8_t open = 0;
    IDirectInputDevice8A* device = nullptr;
    GUID instance_guid = {};
    uint8_t acquired = 0;
    std::string description;  // JSON object built at open; guarded by g_description_lock
    int32_t saved_autocenter = 1;
    int32_t autocenter_state = 0;
    uint32_t ffb_axis_mask = 0;
    int32_t axis_map[2] = {0, 1};
    uint8_t axis_flip[2] = {0, 0};
};

struct EffectSlot {
    uint8_t in_use;
    int32_t device_handle;
    int32_t type;
    IDirectInputEffect* effect;
    uint8_t cond_axis[2];
};

extern DeviceSlot g_devices[kDeviceSlots];
extern EffectSlot g_effects[kEffectSlots];  // zero-initialised, no constructor
extern IDirectInput8A* g_directinput;
extern HWND g_hidden_window;

// Serialises reads and writes of DeviceSlot::description only, so that
// dib_enumerate, which takes no bridge lock, never copies a text that an open
// or release is replacing or freeing at the same moment.
extern SRWLOCK g_description_lock;

// Both release nothing: the caller has released the interfaces already.
void reset_device_slot(int index);
void clear_effect_slot(int index);

// Null unless 1 <= handle <= 8 and the slot is open.
DeviceSlot* open_device_slot(int32_t handle);
// Null unless 1 <= handle <= 64 and the entry is in use.
EffectSlot* used_effect_slot(int32_t handle);

// First open slot, from index 0, with a device and this instance GUID.
DeviceSlot* find_open_device(const GUID& instance);

// A copy of the slot's description, taken under g_description_lock.
std::string copy_description(const DeviceSlot& slot);
void store_description(DeviceSlot& slot, std::string text);

}  // namespace gantrel
