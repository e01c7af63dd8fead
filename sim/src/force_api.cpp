// The gsim_force_ control functions: one force recorder per device.
#include "force_recorder.h"
#include "sim_lock.h"
#include "sim_state.h"

#include <algorithm>
#include <memory>

using namespace gsim;

namespace {

// Never destroyed: the recorders may outlive the simulator's own statics.
std::map<const VirtualDevice *, std::unique_ptr<ForceRecorder>> &recorders() {
    static auto *all = new std::map<const VirtualDevice *, std::unique_ptr<ForceRecorder>>();
    return *all;
}

DevicePtr device_at(int index) {
    auto &list = sim().devices;
    if (index < 0 || static_cast<size_t>(index) >= list.size()) return nullptr;
    return list[index];
}

ForceRecorder *recorder_of(int index) {
    DevicePtr dev = device_at(index);
    if (!dev) return nullptr;
    auto it = recorders().find(dev.get());
    return it == recorders().end() ? nullptr : it->second.get();
}

}  // namespace

#define GSIM_EXPORT extern "C" GSIM_API

GSIM_EXPORT int gsim_force_axes(int device, DWORD *offsets, int max) {
    Guard guard;
    DevicePtr dev = device_at(device);
    if (!dev) return GSIM_E_NODEVICE;
    const std::vector<DWORD> axes = actuator_offsets(dev->desc);
    for (int i = 0; offsets && i < max && static_cast<size_t>(i) < axes.size(); i++) offsets[i] = axes[i];
    return static_cast<int>(axes.size());
}

GSIM_EXPORT int gsim_force_record(int device, DWORD step_ms) {
    if (step_ms < 1 || step_ms > 1000) return GSIM_E_ARG;
    Guard guard;
    DevicePtr dev = device_at(device);
    if (!dev) return GSIM_E_NODEVICE;
    auto &all = recorders();
    for (auto it = all.begin(); it != all.end();) it = it->first->removed ? all.erase(it) : std::next(it);
    all[dev.get()] = std::make_unique<ForceRecorder>(dev, step_ms);
    return GSIM_OK;
}

GSIM_EXPORT int gsim_force_advance(int device, DWORD ms) {
    Guard guard;
    if (!device_at(device)) return GSIM_E_NODEVICE;
    ForceRecorder *rec = recorder_of(device);
    return rec ? rec->advance(ms) : GSIM_E_ARG;
}

GSIM_EXPORT int gsim_force_move(int device, DWORD axis_ofs, LONG centre, LONG amplitude, DWORD period_ms) {
    if (axis_ofs % 4 || axis_ofs >= 4 * kForceSlots) return GSIM_E_ARG;
    Guard guard;
    if (!device_at(device)) return GSIM_E_NODEVICE;
    ForceRecorder *rec = recorder_of(device);
    if (!rec) return GSIM_E_ARG;
    rec->move(static_cast<int>(axis_ofs / 4), centre, amplitude, period_ms);
    return GSIM_OK;
}

GSIM_EXPORT int gsim_force_count(int device) {
    Guard guard;
    if (!device_at(device)) return GSIM_E_NODEVICE;
    ForceRecorder *rec = recorder_of(device);
    return rec ? static_cast<int>(rec->samples().size()) : 0;
}

GSIM_EXPORT int gsim_force_samples(int device, int first, GSIM_FORCE_SAMPLE *out, int max) {
    if (!out || first < 0 || max < 0) return GSIM_E_ARG;
    Guard guard;
    if (!device_at(device)) return GSIM_E_NODEVICE;
    ForceRecorder *rec = recorder_of(device);
    if (!rec) return 0;
    const auto &all = rec->samples();
    int n = 0;
    for (size_t i = static_cast<size_t>(first); i < all.size() && n < max; i++) out[n++] = all[i];
    return n;
}

GSIM_EXPORT int gsim_force_stop(int device) {
    Guard guard;
    DevicePtr dev = device_at(device);
    if (!dev) return GSIM_E_NODEVICE;
    return recorders().erase(dev.get()) ? GSIM_OK : GSIM_E_ARG;
}
