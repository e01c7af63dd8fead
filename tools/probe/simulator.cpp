#include "simulator.h"

#include "axis_names.h"
#include "gantrel_sim_force.h"
#include "probe_errors.h"

#include <cmath>
#include <cstdio>

namespace probe {

struct Simulator::Calls {
    int(__cdecl *device_find)(const GUID *);
    int(__cdecl *device_set_button)(int, int, BOOL);
    int(__cdecl *device_set_pov)(int, int, DWORD);
    int(__cdecl *device_status)(int, GSIM_DEVICE_STATUS *);
    int(__cdecl *force_axes)(int, DWORD *, int);
    int(__cdecl *force_record)(int, DWORD);
    int(__cdecl *force_advance)(int, DWORD);
    int(__cdecl *force_move)(int, DWORD, LONG, LONG, DWORD);
    int(__cdecl *force_count)(int);
    int(__cdecl *force_samples)(int, int, GSIM_FORCE_SAMPLE *, int);
    int(__cdecl *force_stop)(int);
};

namespace {

const double kToBridge = 4096.0 / 10000.0;

template <typename F>
bool bind(HMODULE dll, const char *name, F &out) {
    out = reinterpret_cast<F>(reinterpret_cast<void *>(GetProcAddress(dll, name)));
    return out != nullptr;
}

void check(int result, const char *call) {
    if (result < 0)
        throw ProbeError(kExitNeedsSimulator, std::string("the simulated DirectInput refused ") + call + " (" +
                                                  std::to_string(result) + ")");
}

}  // namespace

const Simulator *Simulator::find() {
    static const Simulator *found = [] () -> const Simulator * {
        HMODULE dll = GetModuleHandleA("dinput8.dll");
        if (!dll) return nullptr;
        static Calls c;
        const bool all = bind(dll, "gsim_device_find", c.device_find) &&
                         bind(dll, "gsim_device_set_button", c.device_set_button) &&
                         bind(dll, "gsim_device_set_pov", c.device_set_pov) &&
                         bind(dll, "gsim_device_status", c.device_status) &&
                         bind(dll, "gsim_force_axes", c.force_axes) &&
                         bind(dll, "gsim_force_record", c.force_record) &&
                         bind(dll, "gsim_force_advance", c.force_advance) &&
                         bind(dll, "gsim_force_move", c.force_move) &&
                         bind(dll, "gsim_force_count", c.force_count) &&
                         bind(dll, "gsim_force_samples", c.force_samples) &&
                         bind(dll, "gsim_force_stop", c.force_stop);
        if (!all) return nullptr;
        static Simulator sim;
        sim.calls_ = &c;
        return &sim;
    }();
    return found;
}

int Simulator::device_index(const std::string &text) const {
    unsigned long d1;
    unsigned d2, d3, b[8];
    if (std::sscanf(text.c_str(), "{%8lx-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}", &d1, &d2, &d3, &b[0], &b[1], &b[2],
                    &b[3], &b[4], &b[5], &b[6], &b[7]) != 11)
        return -1;
    GUID g = {d1, static_cast<unsigned short>(d2), static_cast<unsigned short>(d3), {}};
    for (int i = 0; i < 8; i++) g.Data4[i] = static_cast<unsigned char>(b[i]);
    const int index = calls_->device_find(&g);
    return index >= 0 ? index : -1;
}

void Simulator::record(int device, unsigned step_ms) const {
    check(calls_->force_record(device, step_ms), "gsim_force_record");
}

void Simulator::advance(int device, unsigned ms) const {
    check(calls_->force_advance(device, ms), "gsim_force_advance");
}

void Simulator::move(int device, int axis, double centre, double amplitude, unsigned period_ms) const {
    // Rounded: 4096 / 10000 has no exact binary form, so 2048 / kToBridge is
    // 4999.99... and would truncate to 4999.
    check(calls_->force_move(device, static_cast<DWORD>(axis * 4), std::lround(centre / kToBridge),
                             std::lround(amplitude / kToBridge), period_ms),
          "gsim_force_move");
}

void Simulator::stop(int device) const { calls_->force_stop(device); }

ForceTrace Simulator::trace(int device) const {
    ForceTrace t;
    DWORD offsets[GSIM_FORCE_MAX_AXES];
    const int axes = calls_->force_axes(device, offsets, GSIM_FORCE_MAX_AXES);
    check(axes, "gsim_force_axes");
    for (int a = 0; a < axes; a++) t.axes.push_back(axis_name(static_cast<int32_t>(offsets[a] / 4)));
    t.push.resize(axes);
    t.position.resize(axes);
    const int count = calls_->force_count(device);
    check(count, "gsim_force_count");
    std::vector<GSIM_FORCE_SAMPLE> samples(static_cast<size_t>(count));
    if (count) check(calls_->force_samples(device, 0, samples.data(), count), "gsim_force_samples");
    for (const GSIM_FORCE_SAMPLE &s : samples) {
        t.time_ms.push_back(s.time_ms);
        t.active.push_back(s.active);
        for (int a = 0; a < axes; a++) {
            t.push[a].push_back(s.force[a] * kToBridge);
            t.position[a].push_back(s.position[a] * kToBridge);
        }
    }
    return t;
}

void Simulator::set_button(int device, int button, bool pressed) const {
    check(calls_->device_set_button(device, button, pressed), "gsim_device_set_button");
}

void Simulator::set_hat(int device, int hat, long position) const {
    check(calls_->device_set_pov(device, hat, position < 0 ? 0xFFFFFFFFu : static_cast<DWORD>(position)),
          "gsim_device_set_pov");
}

bool Simulator::autocenter_on(int device) const {
    GSIM_DEVICE_STATUS status = {};
    status.size = sizeof status;
    check(calls_->device_status(device, &status), "gsim_device_status");
    return status.autocenter == DIPROPAUTOCENTER_ON;
}

}  // namespace probe
