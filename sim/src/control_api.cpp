// The gsim_ control functions exported beside DirectInput8Create.
#include "builtin_devices.h"
#include "call_hook.h"
#include "device_file.h"
#include "sim_lock.h"
#include "sim_objects.h"
#include "sim_state.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace gsim;

namespace gsim {

// Acquired device objects on the device lose their input.
static void lose_input(const VirtualDevice *dev) {
    for (SimDevice *d : open_device_objects())
        if (d->dev.get() == dev) d->lose();
}

// Device objects on a device see it as gone: unplugged for good.
static void detach(const DevicePtr &dev) {
    dev->removed = true;
    lose_input(dev.get());
}

static void replace_devices(const std::vector<GSIM_DEVICE_DESC> &descs) {
    Sim &s = sim();
    for (const DevicePtr &d : s.devices) detach(d);
    s.devices.clear();
    for (const GSIM_DEVICE_DESC &d : descs) s.devices.push_back(std::make_shared<VirtualDevice>(d));
}

int load_device_set(int mode) {
    Sim &s = sim();
    std::vector<GSIM_DEVICE_DESC> descs;
    s.load_error.clear();
    // Read through Win32, not the C runtime, so that a change made with
    // SetEnvironmentVariable by the program is seen.
    char path[MAX_PATH * 4] = "";
    if (mode == GSIM_RESET_CONFIGURED) GetEnvironmentVariableA("GANTREL_SIM_DEVICES", path, sizeof(path));
    if (*path) {
        if (!load_device_file(path, descs, s.load_error)) {
            std::fprintf(stderr, "gantrel-sim: %s\n", s.load_error.c_str());
            std::fflush(stderr);
            replace_devices({});
            return GSIM_E_LOAD;
        }
    } else if (mode != GSIM_RESET_EMPTY) {
        for (int i = 0; i < GSIM_BUILTIN_COUNT; i++) {
            GSIM_DEVICE_DESC d;
            builtin_desc(i, d);
            descs.push_back(d);
        }
    }
    replace_devices(descs);
    return static_cast<int>(descs.size());
}

static VirtualDevice *device_at(int index) {
    auto &list = sim().devices;
    if (index < 0 || static_cast<size_t>(index) >= list.size()) return nullptr;
    return list[index].get();
}

}  // namespace gsim

#define GSIM_EXPORT extern "C" GSIM_API

GSIM_EXPORT int gsim_builtin_desc(int which, GSIM_DEVICE_DESC *desc) {
    if (!desc) return GSIM_E_ARG;
    return builtin_desc(which, *desc) ? GSIM_OK : GSIM_E_ARG;
}

GSIM_EXPORT int gsim_reset(int mode) {
    if (mode < GSIM_RESET_CONFIGURED || mode > GSIM_RESET_EMPTY) return GSIM_E_ARG;
    Guard guard;
    Sim &s = sim();
    s.faults.clear(0);
    s.log.clear();
    s.registry.over_releases = 0;
    s.registry.dead_calls = 0;
    clear_call_hook();
    return load_device_set(mode);
}

static int load_parsed(bool ok, std::vector<GSIM_DEVICE_DESC> &descs, std::string &error) {
    Sim &s = sim();
    if (!ok) {
        s.load_error = error;
        return GSIM_E_LOAD;
    }
    s.load_error.clear();
    replace_devices(descs);
    return static_cast<int>(descs.size());
}

GSIM_EXPORT int gsim_load_file(const char *path) {
    if (!path) return GSIM_E_ARG;
    Guard guard;
    std::vector<GSIM_DEVICE_DESC> descs;
    std::string error;
    bool ok = load_device_file(path, descs, error);
    return load_parsed(ok, descs, error);
}

GSIM_EXPORT int gsim_load_json(const char *text) {
    if (!text) return GSIM_E_ARG;
    Guard guard;
    std::vector<GSIM_DEVICE_DESC> descs;
    std::string error;
    bool ok = parse_devices(text, "device JSON", descs, error);
    return load_parsed(ok, descs, error);
}

GSIM_EXPORT const char *gsim_load_error(void) {
    Guard guard;
    return sim().load_error.c_str();
}

GSIM_EXPORT int gsim_device_count(void) {
    Guard guard;
    return static_cast<int>(sim().devices.size());
}

GSIM_EXPORT int gsim_device_add(const GSIM_DEVICE_DESC *desc) {
    if (!desc || check_desc(*desc)) return GSIM_E_ARG;
    Guard guard;
    sim().devices.push_back(std::make_shared<VirtualDevice>(*desc));
    return static_cast<int>(sim().devices.size()) - 1;
}

GSIM_EXPORT int gsim_device_remove(int index) {
    Guard guard;
    if (!device_at(index)) return GSIM_E_NODEVICE;
    auto &list = sim().devices;
    detach(list[index]);
    list.erase(list.begin() + index);
    return GSIM_OK;
}

GSIM_EXPORT int gsim_device_get(int index, GSIM_DEVICE_DESC *desc) {
    if (!desc) return GSIM_E_ARG;
    Guard guard;
    VirtualDevice *dev = device_at(index);
    if (!dev) return GSIM_E_NODEVICE;
    *desc = dev->desc;
    desc->autocenter = dev->autocenter;
    return GSIM_OK;
}

GSIM_EXPORT int gsim_device_set(int index, const GSIM_DEVICE_DESC *desc) {
    if (!desc || check_desc(*desc)) return GSIM_E_ARG;
    Guard guard;
    VirtualDevice *dev = device_at(index);
    if (!dev) return GSIM_E_NODEVICE;
    bool was_attached = dev->desc.attached;
    dev->desc = *desc;
    dev->autocenter = desc->autocenter;
    dev->version++;
    if (was_attached && !desc->attached) lose_input(dev);
    return GSIM_OK;
}

GSIM_EXPORT int gsim_device_find(const GUID *instance_guid) {
    if (!instance_guid) return GSIM_E_ARG;
    Guard guard;
    auto &list = sim().devices;
    for (size_t i = 0; i < list.size(); i++)
        if (IsEqualGUID(list[i]->desc.instance_guid, *instance_guid)) return static_cast<int>(i);
    return GSIM_E_NODEVICE;
}

GSIM_EXPORT int gsim_device_set_state(int index, const DIJOYSTATE2 *state) {
    if (!state) return GSIM_E_ARG;
    Guard guard;
    VirtualDevice *dev = device_at(index);
    if (!dev) return GSIM_E_NODEVICE;
    dev->desc.state = *state;
    return GSIM_OK;
}

GSIM_EXPORT int gsim_device_set_axis(int index, DWORD ofs, LONG raw) {
    if (ofs % sizeof(LONG) || ofs + sizeof(LONG) > sizeof(DIJOYSTATE2)) return GSIM_E_ARG;
    Guard guard;
    VirtualDevice *dev = device_at(index);
    if (!dev) return GSIM_E_NODEVICE;
    std::memcpy(reinterpret_cast<BYTE *>(&dev->desc.state) + ofs, &raw, sizeof(raw));
    return GSIM_OK;
}

GSIM_EXPORT int gsim_device_set_button(int index, int button, BOOL pressed) {
    if (button < 0 || button >= GSIM_MAX_BUTTONS) return GSIM_E_ARG;
    Guard guard;
    VirtualDevice *dev = device_at(index);
    if (!dev) return GSIM_E_NODEVICE;
    dev->desc.state.rgbButtons[button] = pressed ? 0x80 : 0;
    return GSIM_OK;
}

GSIM_EXPORT int gsim_device_set_pov(int index, int pov, DWORD value) {
    if (pov < 0 || pov >= GSIM_MAX_POVS) return GSIM_E_ARG;
    Guard guard;
    VirtualDevice *dev = device_at(index);
    if (!dev) return GSIM_E_NODEVICE;
    dev->desc.state.rgdwPOV[pov] = value;
    return GSIM_OK;
}

GSIM_EXPORT int gsim_device_unplug(int index) {
    Guard guard;
    VirtualDevice *dev = device_at(index);
    if (!dev) return GSIM_E_NODEVICE;
    dev->desc.attached = FALSE;
    lose_input(dev);
    return GSIM_OK;
}

GSIM_EXPORT int gsim_device_replug(int index) {
    Guard guard;
    VirtualDevice *dev = device_at(index);
    if (!dev) return GSIM_E_NODEVICE;
    dev->desc.attached = TRUE;
    return GSIM_OK;
}

GSIM_EXPORT int gsim_device_set_held_elsewhere(int index, BOOL held) {
    Guard guard;
    VirtualDevice *dev = device_at(index);
    if (!dev) return GSIM_E_NODEVICE;
    dev->held_elsewhere = held != FALSE;
    return GSIM_OK;
}

GSIM_EXPORT int gsim_device_status(int index, GSIM_DEVICE_STATUS *status) {
    if (!status || status->size != sizeof(GSIM_DEVICE_STATUS)) return GSIM_E_ARG;
    Guard guard;
    VirtualDevice *dev = device_at(index);
    if (!dev) return GSIM_E_NODEVICE;
    GSIM_DEVICE_STATUS out{};
    out.size = sizeof(out);
    out.autocenter = dev->autocenter;
    out.attached = dev->attached();
    out.held_elsewhere = dev->held_elsewhere;
    out.downloaded_effects = dev->downloaded;
    out.ff_state = DIGFFS_EMPTY | DIGFFS_STOPPED;
    for (SimDevice *d : open_device_objects()) {
        if (d->dev.get() != dev) continue;
        out.open_objects++;
        if (d->status == SimDevice::Status::Acquired) out.acquired++;
        if (d->exclusively_acquired()) {
            out.exclusive = 1;
            out.ff_state = d->force_feedback_state();
        }
        for (SimEffect *e : d->effects)
            if (e->st->playing) out.playing_effects++;
    }
    *status = out;
    return GSIM_OK;
}
