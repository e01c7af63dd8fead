#pragma once
// A plain model of what the bridge documents, kept beside the real library
// while random operations run: which handle each open and create returns,
// which code and message every failure gives, which failures write nothing,
// and what the simulated devices do underneath (exclusive ownership, lost
// input, effect slots, auto-centre). Each method predicts one operation and
// applies its effect on the model. Methods lock the model, so threads that
// work on different devices can share it.
#include <windows.h>

#include <mutex>
#include <string>

#include "gantrel.h"
#include "gantrel_sim.h"

namespace endurance {

constexpr int kDevices = 10;  // simulated devices, more than the bridge's slots
constexpr int kSlots = 8;
constexpr int kEntries = 64;
constexpr DWORD kAxes = 3;    // axes per device: DIPROP_RANGE is set once for each at open
constexpr int32_t kFfbAxes = 3;  // X and Y are the actuators of every device

// dinput.h spells some of its codes as unsigned numbers.
constexpr HRESULT as_hr(unsigned long code) { return static_cast<HRESULT>(code); }

// One fault rule for one operation, on the operation's device: the calls
// skip+1 .. skip+count of `method` return hr instead of doing their work.
struct Fault {
    int method = GSIM_M_NONE;
    HRESULT hr = S_OK;
    DWORD skip = 0;
    DWORD count = 1;
    // Whether the rule replaces the nth (0-based) call of `method`.
    bool hits(int m, DWORD nth) const { return m == method && nth >= skip && nth < skip + count; }
};

// What an operation returns, and the message it leaves for its thread.
struct Outcome {
    int32_t result = 0;
    bool writes = false;  // false: the thread's previous message stays
    std::string message;
};

// The simulated objects the bridge must have created: a device object for
// each open that reaches CreateDevice (given a data format unless that step
// failed) and for each device enumeration describes anew; an effect object
// for each CreateEffect the device gets as far as making one.
struct SimObjects {
    int formatted_devices = 0;
    int bare_devices = 0;
    int effects = 0;
};

struct DeviceProfile {
    DWORD capacity;    // effects the device holds downloaded at once
    bool all_effects;  // false: only constant, sine and spring
};

class BridgeModel {
public:
    explicit BridgeModel(const DeviceProfile (&profiles)[kDevices]);

    Outcome open(int device, const Fault& f);
    Outcome release(int32_t handle, const Fault& f);
    Outcome reset(int32_t handle, const Fault& f);
    Outcome poll(int32_t handle, bool null_report, const Fault& f);
    Outcome set_axis_map(int32_t handle, int32_t axis0, int32_t axis1);
    // Predicts a create; a success names the lowest free entry. The caller
    // records the handle the bridge returned with created().
    Outcome create(int32_t handle, int32_t type, const EffectParams* p, const Fault& f, bool& downloads);
    void created(int32_t effect, int32_t handle, bool downloaded);
    Outcome update(int32_t effect, bool null_params, const Fault& f);
    Outcome start(int32_t effect, const Fault& f);
    Outcome stop(int32_t effect);
    Outcome destroy(int32_t effect);
    Outcome ffb_axes(int32_t handle);
    // dib_query_ffb_axes with device d's GUID; -1 for a GUID no device has.
    Outcome query(int d);

    void unplug(int device);
    void replug(int device);
    void hold_elsewhere(int device, bool held);

    bool effect_free(int32_t effect);
    int32_t autocenter_state(int32_t handle);
    int slot_device(int32_t handle);   // simulated device of an open handle, -1 if not open
    int effect_device(int32_t effect); // simulated device of an effect, -1 if free
    // Entries dib_enumerate writes; counts the devices it describes anew.
    int enumerate();
    SimObjects sim_objects();
    bool any_open();

private:
    struct Device {
        DeviceProfile profile;
        bool attached = true;
        bool held = false;  // by another application
        int owner = -1;     // slot holding exclusive access
        int autocenter = DIPROPAUTOCENTER_ON;
    };
    struct Slot {
        bool open = false;
        int device = -1;
        bool lost = false;  // input lost, not acquired since
        int saved_autocenter = 1;
        int32_t autocenter_state = 0;
        bool described = false;
    };
    struct Entry {
        bool used = false;
        int slot = -1;
        bool downloaded = false;
    };

    Slot* open_slot(int32_t handle);
    Entry* used_entry(int32_t effect);
    int downloaded_on(int device) const;
    // The device takes the effect into one of its slots: what Download returns.
    HRESULT download(Entry& e);
    void drop_effects(int slot, bool forget);

    std::mutex mutex_;
    Device devices_[kDevices];
    Slot slots_[kSlots];
    Entry entries_[kEntries];
    SimObjects objects_;
};

}  // namespace endurance
