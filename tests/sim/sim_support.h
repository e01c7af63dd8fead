// Shared set-up for the simulator's own tests: a fresh built-in device set,
// an empty log and no fault rules before every test, and helpers to open a
// device the way a host program does.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gantrel_sim.h"

namespace simtest {

// Several DIERR_ codes are unsigned literals in the platform header.
#define HR(code) static_cast<HRESULT>(code)

// A top-level window that SetCooperativeLevel accepts.
HWND test_window();

IDirectInput8A *create_dinput();
// CreateDevice, c_dfDIJoystick2, exclusive background level, optionally
// acquired. Asserts each step.
IDirectInputDevice8A *open_device(IDirectInput8A *di, int index, bool acquire = true);

std::vector<GSIM_CALL> calls_of(int method);
GSIM_CALL last_call(int method);

// A constant force on the first `axes` actuators (X, Y) of a device,
// cartesian directions, with an envelope.
struct ConstantEffect {
    DWORD axes[2] = {DIJOFS_X, DIJOFS_Y};
    LONG directions[2] = {1, 0};
    DICONSTANTFORCE force = {5000};
    DIENVELOPE envelope = {sizeof(DIENVELOPE), 100, 200, 300, 400};
    DIEFFECT eff{};
    explicit ConstantEffect(DWORD axis_count = 1);
};

class SimTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    IDirectInput8A *di_ = nullptr;

private:
    // Objects alive before the test (left over by an earlier failure).
    int devices_before_ = 0;
    int effects_before_ = 0;
    int dinputs_before_ = 0;
};

}  // namespace simtest
