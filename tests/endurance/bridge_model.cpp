#include "bridge_model.h"

#include <cstdio>

namespace endurance {
namespace {

constexpr char kHeldElsewhere[] =
    "Another application holds this device exclusively - close other FFB software and disable in-game force feedback";
constexpr char kExclusive[] = "another application has exclusive use of the device";

Outcome fail(int32_t result, const char* text, HRESULT hr = S_OK) {
    char message[512];
    if (hr == S_OK)
        std::snprintf(message, sizeof message, "%s", text);
    else
        std::snprintf(message, sizeof message, "%s (HRESULT 0x%08lX)", text,
                      static_cast<unsigned long>(static_cast<DWORD>(hr)));
    return {result, true, message};
}

Outcome quiet(int32_t result) { return {result, false, {}}; }

bool exclusive_loss(HRESULT hr) {
    return hr == as_hr(DIERR_OTHERAPPHASPRIO) || hr == as_hr(DIERR_NOTACQUIRED) || hr == as_hr(DIERR_INPUTLOST) ||
           hr == as_hr(DIERR_NOTEXCLUSIVEACQUIRED);
}

bool known_type(int32_t type) { return type == 1 || (type >= 3 && type <= 11); }
bool condition_type(int32_t type) { return type >= 8 && type <= 11; }

}  // namespace

BridgeModel::BridgeModel(const DeviceProfile (&profiles)[kDevices]) {
    for (int d = 0; d < kDevices; ++d) devices_[d].profile = profiles[d];
}

BridgeModel::Slot* BridgeModel::open_slot(int32_t handle) {
    if (handle < 1 || handle > kSlots || !slots_[handle - 1].open) return nullptr;
    return &slots_[handle - 1];
}

BridgeModel::Entry* BridgeModel::used_entry(int32_t effect) {
    if (effect < 1 || effect > kEntries || !entries_[effect - 1].used) return nullptr;
    return &entries_[effect - 1];
}

int BridgeModel::downloaded_on(int device) const {
    int n = 0;
    for (const Entry& e : entries_)
        if (e.used && e.downloaded && slots_[e.slot].device == device) ++n;
    return n;
}

HRESULT BridgeModel::download(Entry& e) {
    const Slot& slot = slots_[e.slot];
    if (slot.lost) return as_hr(DIERR_NOTEXCLUSIVEACQUIRED);  // a lost device is no longer acquired
    if (e.downloaded) return DI_OK;
    if (downloaded_on(slot.device) >= static_cast<int>(devices_[slot.device].profile.capacity))
        return as_hr(DIERR_DEVICEFULL);
    e.downloaded = true;
    return DI_OK;
}

void BridgeModel::drop_effects(int slot, bool forget) {
    for (Entry& e : entries_) {
        if (!e.used || e.slot != slot) continue;
        e.downloaded = false;
        if (forget) e = Entry{};
    }
}

Outcome BridgeModel::open(int d, const Fault& f) {
    std::lock_guard<std::mutex> lock(mutex_);
    int index = 0;
    while (index < kSlots && slots_[index].open) ++index;
    if (index == kSlots) return fail(DIB_E_FAILED, "device table full");
    Device& device = devices_[d];
    constexpr char kCreate[] = "CreateDevice failed (device unplugged?)";
    if (f.hits(GSIM_M_DI_CREATEDEVICE, 0)) return fail(DIB_E_FAILED, kCreate, f.hr);  // S_OK: no interface
    if (!device.attached) return fail(DIB_E_FAILED, kCreate, as_hr(DIERR_DEVICENOTREG));
    if (f.hits(GSIM_M_DEV_SETDATAFORMAT, 0)) {
        ++objects_.bare_devices;
        return fail(DIB_E_FAILED, "SetDataFormat failed", f.hr);
    }
    ++objects_.formatted_devices;
    if (f.hits(GSIM_M_DEV_SETCOOPERATIVELEVEL, 0)) return fail(DIB_E_FAILED, "SetCooperativeLevel failed", f.hr);

    Slot slot;
    if (!f.hits(GSIM_M_DEV_GETPROPERTY, 0)) {
        slot.saved_autocenter = device.autocenter;
        slot.autocenter_state = device.autocenter == DIPROPAUTOCENTER_ON ? 6 : 2;
    }
    slot.described = !f.hits(GSIM_M_DEV_GETDEVICEINFO, 0);
    const HRESULT first = f.hits(GSIM_M_DEV_ACQUIRE, 0)            ? f.hr
                          : device.held || device.owner >= 0 ? as_hr(DIERR_OTHERAPPHASPRIO)
                                                                  : DI_OK;
    if (first == as_hr(DIERR_OTHERAPPHASPRIO)) return fail(DIB_E_EXCLUSIVE, kHeldElsewhere, first);
    if (FAILED(first)) return fail(DIB_E_FAILED, "Acquire failed", first);
    // Unacquired for the write; a second Acquire that fails writes the
    // setting read at the start back.
    if (!f.hits(GSIM_M_DEV_SETPROPERTY, kAxes)) {
        device.autocenter = DIPROPAUTOCENTER_OFF;
        slot.autocenter_state |= DIB_AUTOCENTER_SWITCHED_OFF;
    }
    if (f.hits(GSIM_M_DEV_ACQUIRE, 1)) {
        if ((slot.autocenter_state & DIB_AUTOCENTER_SWITCHED_OFF) && !f.hits(GSIM_M_DEV_SETPROPERTY, kAxes + 1))
            device.autocenter = slot.saved_autocenter;
        return fail(DIB_E_FAILED, "Acquire failed", f.hr);
    }
    if (!f.hits(GSIM_M_DEV_GETPROPERTY, 1) && device.autocenter == DIPROPAUTOCENTER_OFF)
        slot.autocenter_state |= DIB_AUTOCENTER_CONFIRMED_OFF;

    slot.open = true;
    slot.device = d;
    slots_[index] = slot;
    device.owner = index;
    return quiet(index + 1);
}

Outcome BridgeModel::release(int32_t handle, const Fault& f) {
    std::lock_guard<std::mutex> lock(mutex_);
    Slot* slot = open_slot(handle);
    if (!slot) return quiet(DIB_E_BADARG);
    Device& device = devices_[slot->device];
    drop_effects(handle - 1, true);
    // The auto-centre write is refused while the device is still acquired.
    const bool still_acquired = !slot->lost && f.hits(GSIM_M_DEV_UNACQUIRE, 0);
    if (!still_acquired && !f.hits(GSIM_M_DEV_SETPROPERTY, 0)) device.autocenter = slot->saved_autocenter;
    if (device.owner == handle - 1) device.owner = -1;
    *slot = Slot{};
    return quiet(DIB_OK);
}

Outcome BridgeModel::reset(int32_t handle, const Fault& f) {
    std::lock_guard<std::mutex> lock(mutex_);
    Slot* slot = open_slot(handle);
    if (!slot) return quiet(DIB_E_BADARG);
    drop_effects(handle - 1, true);
    const HRESULT hr = f.hits(GSIM_M_DEV_SENDFORCEFEEDBACKCOMMAND, 0) ? f.hr : slot->lost ? as_hr(DIERR_NOTEXCLUSIVEACQUIRED) : DI_OK;
    return FAILED(hr) ? fail(DIB_E_FAILED, "DISFFC_RESET failed", hr) : quiet(DIB_OK);
}

Outcome BridgeModel::poll(int32_t handle, bool null_report, const Fault& f) {
    std::lock_guard<std::mutex> lock(mutex_);
    Slot* slot = open_slot(handle);
    if (!slot || null_report) return quiet(DIB_E_BADARG);
    Device& device = devices_[slot->device];
    const auto read = [&](DWORD nth) {
        return f.hits(GSIM_M_DEV_GETDEVICESTATE, nth) ? f.hr : slot->lost ? as_hr(DIERR_INPUTLOST) : DI_OK;
    };
    HRESULT hr = read(0);
    if (hr == as_hr(DIERR_INPUTLOST) || hr == as_hr(DIERR_NOTACQUIRED)) {
        HRESULT acquired = DI_NOEFFECT;
        if (f.hits(GSIM_M_DEV_ACQUIRE, 0)) acquired = f.hr;
        else if (slot->lost && !device.attached) acquired = as_hr(DIERR_UNPLUGGED);
        else if (slot->lost && (device.held || device.owner >= 0)) acquired = as_hr(DIERR_OTHERAPPHASPRIO);
        else if (slot->lost) acquired = DI_OK;
        if (FAILED(acquired)) return fail(DIB_E_INPUT, "device input lost; reacquire failed", acquired);
        if (slot->lost) {
            slot->lost = false;
            device.owner = handle - 1;
        }
        hr = read(1);
    }
    return FAILED(hr) ? fail(DIB_E_INPUT, "GetDeviceState failed", hr) : quiet(DIB_OK);
}

Outcome BridgeModel::set_axis_map(int32_t handle, int32_t axis0, int32_t axis1) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!open_slot(handle)) return fail(DIB_E_BADARG, "bad device handle");
    const auto valid = [](int32_t code) { return code >= -1 && code <= 7; };
    if (!valid(axis0) || !valid(axis1) || (axis0 == -1 && axis1 == -1))
        return fail(DIB_E_BADARG, "axis code out of range");
    return quiet(DIB_OK);
}

Outcome BridgeModel::create(int32_t handle, int32_t type, const EffectParams* p, const Fault& f, bool& downloads) {
    std::lock_guard<std::mutex> lock(mutex_);
    downloads = false;
    Slot* slot = open_slot(handle);
    if (!slot || !p) return fail(DIB_E_BADARG, "bad device handle");
    if (!known_type(type)) return fail(DIB_E_UNSUPPORTED, "unsupported effect type");
    int index = 0;
    while (index < kEntries && entries_[index].used) ++index;
    if (index == kEntries) return fail(DIB_E_POOLFULL, "bridge effect table full");
    if (condition_type(type) && !p->cond[0].enabled && !p->cond[1].enabled)
        return fail(DIB_E_BADARG, "condition effect with no axes");

    const Device& device = devices_[slot->device];
    const bool listed = device.profile.all_effects || type == DIB_EFFECT_CONSTANT || type == DIB_EFFECT_SINE ||
                        type == DIB_EFFECT_SPRING;
    HRESULT hr = DI_OK;
    if (f.hits(GSIM_M_DEV_CREATEEFFECT, 0)) {
        hr = f.hr;
        if (SUCCEEDED(hr)) return fail(DIB_E_FAILED, "CreateEffect failed", hr);  // no interface came back
    } else if (!listed) {
        hr = as_hr(DIERR_DEVICENOTREG);  // what DirectInput answers for an effect the device lacks
    } else {
        ++objects_.effects;
        if (!slot->lost) {  // a lost device creates without downloading
            hr = downloaded_on(slot->device) >= static_cast<int>(device.profile.capacity) ? as_hr(DIERR_DEVICEFULL)
                                                                                        : DI_OK;
            downloads = SUCCEEDED(hr);
        }
    }
    if (hr == as_hr(DIERR_DEVICEFULL)) return fail(DIB_E_POOLFULL, "device effect pool exhausted", hr);
    if (exclusive_loss(hr)) return fail(DIB_E_EXCLUSIVE, kExclusive, hr);
    if (FAILED(hr))
        return fail(hr == as_hr(DIERR_UNSUPPORTED) ? DIB_E_UNSUPPORTED : DIB_E_FAILED, "CreateEffect failed", hr);
    return quiet(index + 1);
}

void BridgeModel::created(int32_t effect, int32_t handle, bool downloaded) {
    std::lock_guard<std::mutex> lock(mutex_);
    entries_[effect - 1] = Entry{true, handle - 1, downloaded};
}

Outcome BridgeModel::update(int32_t effect, bool null_params, const Fault& f) {
    std::lock_guard<std::mutex> lock(mutex_);
    Entry* e = used_entry(effect);
    if (!e || null_params) return fail(DIB_E_BADARG, "bad effect handle");
    const auto set = [&](DWORD nth) {
        if (f.hits(GSIM_M_EFF_SETPARAMETERS, nth)) return f.hr;
        const HRESULT hr = download(*e);  // not acquired: the values are kept without a download
        return hr == as_hr(DIERR_NOTEXCLUSIVEACQUIRED) ? HRESULT(DI_DOWNLOADSKIPPED) : hr;
    };
    HRESULT hr = set(0);
    if (hr == as_hr(DIERR_EFFECTPLAYING)) hr = set(1);
    return FAILED(hr) ? fail(DIB_E_FAILED, "SetParameters failed", hr) : quiet(DIB_OK);
}

Outcome BridgeModel::start(int32_t effect, const Fault& f) {
    std::lock_guard<std::mutex> lock(mutex_);
    Entry* e = used_entry(effect);
    if (!e) return fail(DIB_E_BADARG, "bad effect handle");
    const HRESULT hr = f.hits(GSIM_M_EFF_START, 0) ? f.hr : download(*e);
    if (exclusive_loss(hr)) return fail(DIB_E_EXCLUSIVE, kExclusive, hr);
    return FAILED(hr) ? fail(DIB_E_FAILED, "effect Start failed", hr) : quiet(DIB_OK);
}

Outcome BridgeModel::stop(int32_t effect) {
    std::lock_guard<std::mutex> lock(mutex_);
    return quiet(used_entry(effect) ? DIB_OK : DIB_E_BADARG);
}

Outcome BridgeModel::destroy(int32_t effect) {
    std::lock_guard<std::mutex> lock(mutex_);
    Entry* e = used_entry(effect);
    if (!e) return quiet(DIB_E_BADARG);
    *e = Entry{};  // free before the call returns, so no other thread's create looks taken
    return quiet(DIB_OK);
}

Outcome BridgeModel::ffb_axes(int32_t handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_slot(handle) ? quiet(kFfbAxes) : fail(DIB_E_BADARG, "bad device handle");
}

Outcome BridgeModel::query(int d) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Slot& s : slots_)
        if (s.open && s.device == d) return quiet(kFfbAxes);  // answered from the table
    if (d < 0 || !devices_[d].attached) return fail(DIB_E_INPUT, "CreateDevice failed", as_hr(DIERR_DEVICENOTREG));
    ++objects_.bare_devices;  // a temporary device object, no data format
    return quiet(kFfbAxes);
}

void BridgeModel::unplug(int d) {
    std::lock_guard<std::mutex> lock(mutex_);
    devices_[d].attached = false;
    devices_[d].owner = -1;
    for (int s = 0; s < kSlots; ++s)
        if (slots_[s].open && slots_[s].device == d && !slots_[s].lost) {
            slots_[s].lost = true;
            drop_effects(s, false);
        }
}

void BridgeModel::replug(int d) {
    std::lock_guard<std::mutex> lock(mutex_);
    devices_[d].attached = true;
}

void BridgeModel::hold_elsewhere(int d, bool held) {
    std::lock_guard<std::mutex> lock(mutex_);
    devices_[d].held = held;
}

bool BridgeModel::effect_free(int32_t effect) {
    std::lock_guard<std::mutex> lock(mutex_);
    return effect >= 1 && effect <= kEntries && !entries_[effect - 1].used;
}

int32_t BridgeModel::autocenter_state(int32_t handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    const Slot* slot = open_slot(handle);
    return slot ? slot->autocenter_state : DIB_E_BADARG;
}

int BridgeModel::slot_device(int32_t handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    const Slot* slot = open_slot(handle);
    return slot ? slot->device : -1;
}

int BridgeModel::effect_device(int32_t effect) {
    std::lock_guard<std::mutex> lock(mutex_);
    const Entry* e = used_entry(effect);
    return e ? slots_[e->slot].device : -1;
}

int BridgeModel::enumerate() {
    std::lock_guard<std::mutex> lock(mutex_);
    int listed = 0;
    for (int d = 0; d < kDevices; ++d) {
        if (!devices_[d].attached) continue;
        // An open device is described by its first slot's cached text, empty
        // when its description failed at open.
        const Slot* first = nullptr;
        for (const Slot& s : slots_)
            if (s.open && s.device == d) {
                first = &s;
                break;
            }
        if (!first) ++objects_.bare_devices;
        if (!first || first->described) ++listed;
    }
    return listed;
}

SimObjects BridgeModel::sim_objects() {
    std::lock_guard<std::mutex> lock(mutex_);
    return objects_;
}

bool BridgeModel::any_open() {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const Slot& s : slots_)
        if (s.open) return true;
    return false;
}

}  // namespace endurance
