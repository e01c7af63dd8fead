#pragma once
// Drives effects through gantrel.dll on the simulated wheel (device 0) and
// joystick (device 1) and reads the simulator's force trace. Forces are in
// DirectInput units (library value * 10000 / 4096, truncated by the
// library); + pushes an axis toward its positive end.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "gantrel.h"
#include "gantrel_sim_force.h"

namespace forcetest {

const int kWheel = 0;
const int kStick = 1;

inline EffectParams params() {
    EffectParams p;
    std::memset(&p, 0, sizeof p);
    p.gain = 4096;
    return p;
}

class ForceTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens a simulated device, maps the given axes and starts recording it
    // with 1 ms steps.
    int32_t open(int device, int32_t axis0, int32_t axis1);
    int32_t play(int32_t handle, int32_t type, const EffectParams &p, int32_t count = 1);
    void advance(int device, DWORD ms);
    // The sample at time t (asserts it exists).
    GSIM_FORCE_SAMPLE at(int device, DWORD t);
    // Force on actuator axis `axis` at time t.
    double force(int device, DWORD t, int axis = 0) { return at(device, t).force[axis]; }
    // Holds the wheel's X at a position and returns the force one step later.
    double spring_force_at(LONG position);
};

}  // namespace forcetest
