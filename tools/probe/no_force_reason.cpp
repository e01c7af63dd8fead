#include "no_force_reason.h"

namespace probe {

namespace {

const char *const kPage = " See docs/devices.md for devices like it.";

}  // namespace

NoForceReason no_force_reason(const DeviceChoice &choice, int32_t ffb_mask) {
    if (const DeviceEntry *listed = choice.entry) {
        if (listed->effects.empty())
            return {"no-effect-types",
                    std::string("DirectInput reports force feedback for this device but lists none of the ten "
                                "effect types the library plays.") + kPage};
        if (ffb_mask == 0)
            return {"no-actuator-axis",
                    std::string("DirectInput lists effect types for this device but marks none of its axes as a "
                                "force-feedback actuator (dib_ffb_axes 0), and an effect needs one to act on.") +
                        kPage};
        return {};
    }
    const GameController *seen = choice.unlisted;
    if (!seen || seen->force_feedback) return {};
    if (seen->pid_controls > 0)
        return {"pid-reports-incomplete",
                "DirectInput shows " + std::to_string(seen->pid_controls) +
                    " force-feedback (PID) control(s) of this device but does not report force feedback for it, "
                    "so no effect can be created: it did not find every PID report it needs." + kPage};
    return {"no-force-feedback",
            std::string("DirectInput reports no force feedback for this device and shows none of its controls "
                        "on the force-feedback (PID) usage page: as far as DirectInput tells, it has none.") +
                kPage};
}

}  // namespace probe
