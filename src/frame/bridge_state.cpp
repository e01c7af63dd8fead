#include "frame/bridge_state.h"

#include <cstring>

#include "frame/bridge_lock.h"
#include "frame/text_builder.h"

namespace gantrel {

DeviceSlot g_devices[kDeviceSlots];
EffectSlot g_effects[kEffectSlots];
IDirectInput8A* g_directinput = nullptr;
HWND g_hidden_window = nullptr;
SRWLOCK g_description_lock = SRWLOCK_INIT;

bool OwnedText::assign(const char* text, size_t length) {
    std::free(text_);
    text_ = nullptr;
    length_ = 0;
    if (length == 0) return true;
    text_ = static_cast<char*>(std::malloc(length));
    if (text_ == nullptr) return false;
    std::memcpy(text_, text, length);
    length_ = length;
    return true;
}

#ifdef GANTREL_CHECKED_TABLES
namespace {
volatile long index_faults = 0;
DeviceSlot spare_device;
EffectSlot spare_effect;
}  // namespace

DeviceSlot& device_at(int index) {
    if (index >= 0 && index < kDeviceSlots) return g_devices[index];
    InterlockedIncrement(&index_faults);
    spare_device.open = 0;
    spare_device.device = nullptr;
    return spare_device;
}

EffectSlot& effect_at(int index) {
    if (index >= 0 && index < kEffectSlots) return g_effects[index];
    InterlockedIncrement(&index_faults);
    spare_effect = EffectSlot{};
    return spare_effect;
}

long table_index_faults() { return index_faults; }
#endif

void reset_device_slot(int index) {
    DeviceSlot& slot = device_at(index);
    slot.open = 0;
    slot.device = nullptr;
    slot.instance_guid = GUID{};
    slot.acquired = 0;
    OwnedText old;
    swap_description(slot, old);  // freed here, outside the lock: the storage goes, not just the text
    slot.saved_autocenter = 1;
    slot.autocenter_state = 0;
    slot.ffb_axis_mask = 0;
    slot.axis_map[0] = 0;
    slot.axis_map[1] = 1;
    slot.axis_flip[0] = 0;
    slot.axis_flip[1] = 0;
    slot.poll = nullptr;
}

void clear_effect_slot(int index) { effect_at(index) = EffectSlot{}; }

DeviceSlot* open_device_slot(int32_t handle) {
    if (handle < 1 || handle > kDeviceSlots) return nullptr;
    DeviceSlot& slot = device_at(handle - 1);
    return slot.open ? &slot : nullptr;
}

EffectSlot* used_effect_slot(int32_t handle) {
    if (handle < 1 || handle > kEffectSlots) return nullptr;
    EffectSlot& slot = effect_at(handle - 1);
    return slot.in_use ? &slot : nullptr;
}

namespace {
PVOID volatile* poll_field(DeviceSlot& slot) { return reinterpret_cast<PVOID volatile*>(&slot.poll); }
}  // namespace

bool register_poll(DeviceSlot& slot, PollInProgress& poll) {
    return InterlockedCompareExchangePointer(poll_field(slot), &poll, nullptr) == nullptr;
}

bool unregister_poll(DeviceSlot& slot, PollInProgress& poll) {
    return InterlockedCompareExchangePointer(poll_field(slot), nullptr, &poll) == &poll;
}

PollInProgress* take_poll(DeviceSlot& slot) {
    return static_cast<PollInProgress*>(InterlockedExchangePointer(poll_field(slot), nullptr));
}

DeviceSlot* find_open_device(const GUID& instance) {
    for (int i = 0; i < kDeviceSlots; ++i) {
        DeviceSlot& slot = device_at(i);
        if (slot.open && slot.device && std::memcmp(&slot.instance_guid, &instance, sizeof(GUID)) == 0)
            return &slot;
    }
    return nullptr;
}

bool append_description(const DeviceSlot& slot, const char* separator, TextBuilder& list) {
    SharedLock lock(g_description_lock);
    if (slot.description.empty()) return false;
    list.append(separator);
    list.append(slot.description.data(), slot.description.size());
    return true;
}

void swap_description(DeviceSlot& slot, OwnedText& text) {
    ExclusiveLock lock(g_description_lock);
    slot.description.swap(text);
}

}  // namespace gantrel
