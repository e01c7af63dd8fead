// unplug_steps.h - what a host sees, call by call, once an open wheel with an
// effect playing is unplugged: Wine's own DirectInput (8 and 10) answers so
// after its input thread has noticed the removal, and the simulated
// DirectInput answers the same. Shared by the HID suite and the simulator's.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gantrel.h"

namespace unplugged {

enum class Call { kPoll, kUpdate, kStart, kStop, kCreate, kReset, kOpenAgain, kRelease };

struct Step {
    Call call;
    const char *name;
    int32_t result;      // for kCreate: any handle (>= 1)
    const char *message; // the last error after a failure; nullptr after a success
};

// In this order: the device is unacquired and its input lost, effect calls
// that need it acquired are refused, the rest still succeed; release works.
inline const std::vector<Step> &steps()
{
    static const std::vector<Step> table = {
        {Call::kPoll, "dib_poll", DIB_E_INPUT, "device input lost; reacquire failed (HRESULT 0x80040209)"},
        // SetParameters without a download: DirectInput keeps the values.
        {Call::kUpdate, "dib_effect_update", DIB_OK, nullptr},
        {Call::kStart, "dib_effect_start", DIB_E_EXCLUSIVE,
         "another application has exclusive use of the device (HRESULT 0x80040205)"},
        {Call::kStop, "dib_effect_stop", DIB_OK, nullptr},
        {Call::kCreate, "dib_effect_create", 1, nullptr},
        {Call::kReset, "dib_device_reset", DIB_E_FAILED, "DISFFC_RESET failed (HRESULT 0x80040205)"},
        {Call::kOpenAgain, "dib_open", DIB_E_FAILED, "CreateDevice failed (device unplugged?) (HRESULT 0x80040154)"},
        {Call::kRelease, "dib_release", DIB_OK, nullptr},
    };
    return table;
}

inline int32_t run(const Step &step, int32_t device, int32_t effect, const std::string &guid)
{
    EffectParams params = {};
    params.constant_magnitude = 2000;
    InputReport report;
    switch (step.call) {
    case Call::kPoll: return dib_poll(device, &report);
    case Call::kUpdate: return dib_effect_update(effect, &params);
    case Call::kStart: return dib_effect_start(effect, 1);
    case Call::kStop: return dib_effect_stop(effect);
    case Call::kCreate: return dib_effect_create(device, DIB_EFFECT_CONSTANT, &params);
    case Call::kReset: return dib_device_reset(device);
    case Call::kOpenAgain: return dib_open(guid.c_str());
    case Call::kRelease: return dib_release(device);
    }
    return DIB_E_FAILED;
}

inline bool as_expected(const Step &step, int32_t got)
{
    return step.call == Call::kCreate ? got >= 1 : got == step.result;
}

} // namespace unplugged
