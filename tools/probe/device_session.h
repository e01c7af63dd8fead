// An open device that is released however the command ends, and the axis
// map the probe gives it.
#pragma once
#include "cli_args.h"

#include <cstdint>
#include <string>

namespace probe {

class OpenDevice {
public:
    explicit OpenDevice(const std::string &guid);  // throws on failure
    ~OpenDevice();
    OpenDevice(const OpenDevice &) = delete;
    OpenDevice &operator=(const OpenDevice &) = delete;

    int32_t handle() const { return handle_; }
    // Releases now, reporting a failure.
    void release();

private:
    int32_t handle_;
};

struct AxisMap {
    int32_t axis[2];
    int32_t flip[2];
};

// The map asked for with --map/--flip; without --map, `fallback`.
AxisMap map_from_options(const ParsedArgs &args, const AxisMap &fallback);
// Effects need actuators: the device's first two force-feedback axes (one
// on a wheel), or X,Y when it reports none.
AxisMap actuator_map(int32_t handle);
void apply_map(int32_t handle, const AxisMap &map);
// "X, none" or "X (reversed), Y".
std::string map_text(const AxisMap &map);

}  // namespace probe
