#pragma once
#include <windows.h>
#include <dinput.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace gantrel {

class TextBuilder;

constexpr int kDeviceSlots = 8;
constexpr int kEffectSlots = 64;

// A text in one heap block of its own, or empty. Never throws: a copy that
// finds no memory leaves it empty.
class OwnedText {
public:
    constexpr OwnedText() = default;
    ~OwnedText() { std::free(text_); }
    OwnedText(const OwnedText&) = delete;
    OwnedText& operator=(const OwnedText&) = delete;

    // False, and empty, when the heap refused.
    bool assign(const char* text, size_t length);
    void swap(OwnedText& other) {
        char* text = text_;
        const size_t length = length_;
        text_ = other.text_;
        length_ = other.length_;
        other.text_ = text;
        other.length_ = length;
    }
    const char* data() const { return text_ ? text_ : ""; }
    size_t size() const { return length_; }
    bool empty() const { return length_ == 0; }

private:
    char* text_ = nullptr;
    size_t length_ = 0;
};

// The first dib_poll of a device under way, on the polling thread's stack.
// A window procedure that one of its DirectInput calls runs may release the
// device: the release then takes the record out of the slot, and with it
// the slot's reference, which the poll lets go once DirectInput has returned.
struct PollInProgress {};

struct DeviceSlot {
    uint8_t open = 0;
    IDirectInputDevice8A* device = nullptr;
    GUID instance_guid = {};
    uint8_t acquired = 0;
    OwnedText description;  // JSON object built at open; guarded by g_description_lock
    int32_t saved_autocenter = 1;
    int32_t autocenter_state = 0;
    uint32_t ffb_axis_mask = 0;
    int32_t axis_map[2] = {0, 1};
    uint8_t axis_flip[2] = {0, 0};
    // The first poll of this device, while it runs; other polls that meet it
    // hold a reference of their own. Changed only atomically (below).
    PollInProgress* volatile poll = nullptr;
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

// The library reaches table entries only through these. The unit tests'
// build checks every index again and counts those outside the table (they
// get a spare entry in the default state), so an off-by-one in a handle
// check fails a test instead of reading or writing beside the table. The
// DLL indexes directly: after a correct check there is nothing to test.
#ifdef GANTREL_CHECKED_TABLES
DeviceSlot& device_at(int index);
EffectSlot& effect_at(int index);
// Indexes outside the tables seen so far.
long table_index_faults();
#else
inline DeviceSlot& device_at(int index) { return g_devices[index]; }
inline EffectSlot& effect_at(int index) { return g_effects[index]; }
#endif

// Both release nothing: the caller has released the interfaces already.
void reset_device_slot(int index);
void clear_effect_slot(int index);

// Null unless 1 <= handle <= 8 and the slot is open.
DeviceSlot* open_device_slot(int32_t handle);
// Null unless 1 <= handle <= 64 and the entry is in use.
EffectSlot* used_effect_slot(int32_t handle);

// The first poll of a device and a release that meets it, on any threads.
// register_poll: true when `poll` is now the slot's first poll, false when
// another poll is under way. unregister_poll: false when a release took the
// registration, and with it the slot's reference, which the caller now owns.
// take_poll: the release's side; the poll now owning the reference, or null.
bool register_poll(DeviceSlot& slot, PollInProgress& poll);
bool unregister_poll(DeviceSlot& slot, PollInProgress& poll);
PollInProgress* take_poll(DeviceSlot& slot);

// First open slot, from index 0, with a device and this instance GUID.
DeviceSlot* find_open_device(const GUID& instance);

// Appends `separator` and the slot's description to `list`, under
// g_description_lock; nothing when the description is empty. True when
// something was appended.
bool append_description(const DeviceSlot& slot, const char* separator, TextBuilder& list);
// Puts `text` in the slot and the slot's previous text in `text`, which the
// caller frees outside the lock.
void swap_description(DeviceSlot& slot, OwnedText& text);

}  // namespace gantrel
