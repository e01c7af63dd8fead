#include "frame/bridge_state.h"

#include <cstring>

namespace gantrel {

DeviceSlot g_devices[kDeviceSlots];
EffectSlot g_effects[kEffectSlots];
IDirectInput8A* g_directinput = nullptr;
HWND g_hidden_window = nullptr;
SRWLOCK g_description_lock = SRWLOCK_INIT;

void reset_device_slot(int index) {
    DeviceSlot& slot = g_devices[index];
    slot.open = 0;
    slot.device = nullptr;
    slot.instance_guid = GUID{};
    slot.acquired = 0;
    store_description(slot, std::string());  // frees the storage, not just the text
    slot.saved_autocenter = 1;
    slot.autocenter_state = 0;
    slot.ffb_axis_mask = 0;
    slot.axis_map[0] = 0;
    slot.axis_map[1] = 1;
    slot.axis_flip[0] = 0;
    slot.axis_flip[1] = 0;
}

void clear_effect_slot(int index) { g_effects[index] = EffectSlot{}; }

DeviceSlot* open_device_slot(int32_t handle) {
    if (handle < 1 || handle > kDeviceSlots) return nullptr;
    DeviceSlot& slot = g_devices[handle - 1];
    return slot.open ? &slot : nullptr;
}

EffectSlot* used_effect_slot(int32_t handle) {
    if (handle < 1 || handle > kEffectSlots) return nullptr;
    EffectSlot& slot = g_effects[handle - 1];
    return slot.in_use ? &slot : nullptr;
}

DeviceSlot* find_open_device(const GUID& instance) {
    for (DeviceSlot& slot : g_devices) {
        if (slot.open && slot.device &&
            std::memcmp(&slot.instance_guid, &instance, sizeof(GUID)) == 0)
            return &slot;
    }
    return nullptr;
}

std::string copy_description(const DeviceSlot& slot) {
    AcquireSRWLockShared(&g_description_lock);
    std::string copy = slot.description;
    ReleaseSRWLockShared(&g_description_lock);
    return copy;
}

void store_description(DeviceSlot& slot, std::string text) {
    AcquireSRWLockExclusive(&g_description_lock);
    slot.description.swap(text);
    ReleaseSRWLockExclusive(&g_description_lock);
    // The old text is freed here, outside the lock, when `text` goes.
}

}  // namespace gantrel
