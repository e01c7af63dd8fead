// A device's force trace on its own simulated clock: notices effect starts,
// moves axes, samples what each actuator axis feels. Used with the
// simulator lock held.
#pragma once
#include "force_model.h"
#include "gantrel_sim_force.h"
#include "virtual_device.h"

#include <map>
#include <vector>

namespace gsim {

// The device's actuator axes as c_dfDIJoystick2 offsets (see gsim_force_axes).
std::vector<DWORD> actuator_offsets(const GSIM_DEVICE_DESC &desc);

class ForceRecorder {
public:
    ForceRecorder(const DevicePtr &dev, DWORD step_ms);
    // Returns the number of samples held.
    int advance(DWORD ms);
    void move(int slot, double centre, double amplitude, DWORD period_ms);
    const std::vector<GSIM_FORCE_SAMPLE> &samples() const { return samples_; }

private:
    struct Motion {
        bool on = false;
        double centre = 0, amplitude = 0, since_ms = 0;
        DWORD period_ms = 0;
    };
    struct Track {
        DWORD start_count, restart_count;
        double start_ms;
    };

    void observe_starts();
    void step_axes(double dt_s);
    void apply_motion(int slot, double &position, double &velocity, double &acceleration) const;
    GSIM_FORCE_SAMPLE sample() const;
    void keep(const GSIM_FORCE_SAMPLE &s);

    DevicePtr dev_;
    DWORD step_ms_;
    double clock_ms_ = 0;
    DWORD remainder_ms_ = 0;
    std::vector<int> actuator_slots_;
    Motion motion_[kForceSlots];
    AxisKinematics kin_[kForceSlots];
    double speed_[kForceSlots] = {};  // position units per second, for the next acceleration
    std::map<DWORD, Track> tracks_;   // by effect object id
    std::vector<GSIM_FORCE_SAMPLE> samples_;
};

}  // namespace gsim
