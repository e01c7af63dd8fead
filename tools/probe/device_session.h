// An open device that is released however the command ends, and the axis
// map the probe gives it.
#pragma once
#include "cli_args.h"
#include "device_list.h"
#include "probe.h"

#include <cstdint>
#include <string>

namespace probe {

class OpenDevice {
public:
    // Throws on failure; a GUID the list does not have and DirectInput
    // cannot create is "no such device" (exit status 3).
    explicit OpenDevice(const DeviceChoice &choice);
    ~OpenDevice();
    OpenDevice(const OpenDevice &) = delete;
    OpenDevice &operator=(const OpenDevice &) = delete;

    int32_t handle() const { return handle_; }
    // Releases now, reporting a failure; nothing to do while the device is gone.
    void release();
    // The device was unplugged: releases it (which cannot fail on a valid
    // handle) and holds no handle until reopen() succeeds.
    void lost();
    // Opens `guid`, the device listed again; false while it cannot be opened.
    bool reopen(const std::string &guid);

private:
    int32_t handle_;
    std::string label_;
};

struct AxisMap {
    int32_t axis[2];
    int32_t flip[2];
};

// The map asked for with --map/--flip; without --map, `fallback`. Refuses
// a map that names one axis twice.
AxisMap map_from_options(const ParsedArgs &args, const AxisMap &fallback);
// Effects need actuators: the device's first two force-feedback axes (one
// on a wheel), or X,Y when it reports none.
AxisMap actuator_map(int32_t handle);
void apply_map(int32_t handle, const AxisMap &map);
// "X, none" or "X (reversed), Y".
std::string map_text(const AxisMap &map);

// An effect on mapped axes without an actuator does nothing (or DirectInput
// refuses it): warns on io.err when no mapped axis is one of the actuators
// in ffb_mask, or, with strict, fails with exit status 2.
void check_map_reaches_actuator(const AxisMap &map, int32_t ffb_mask, bool strict, Io &io);

}  // namespace probe
