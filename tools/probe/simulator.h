// The simulated DirectInput's control functions, when it is the dinput8.dll
// this process loaded. Found with GetProcAddress, so the probe runs just the
// same on a real DirectInput, where they do not exist.
#pragma once
#include <string>
#include <vector>

namespace probe {

// A force trace in the library's units: push and position per actuator
// axis, full scale 4096 (positive pushes toward the axis's positive end).
struct ForceTrace {
    std::vector<std::string> axes;  // "X", "Y", ...
    std::vector<double> time_ms;
    std::vector<int> active;        // effects contributing at each sample
    std::vector<std::vector<double>> push, position;  // [axis][sample]
};

class Simulator {
public:
    // nullptr when the loaded dinput8.dll is not the simulator.
    static const Simulator *find();

    // The simulator's index of the device with this GUID text, or -1.
    int device_index(const std::string &guid) const;
    // Start a trace with the given clock step; move its clock.
    void record(int device, unsigned step_ms) const;
    void advance(int device, unsigned ms) const;
    // Sweeps an axis (DIB_AXIS_ code) around centre with the amplitude (both
    // -4096..4096) and period; period 0 holds it at centre.
    void move(int device, int axis, double centre, double amplitude, unsigned period_ms) const;
    void stop(int device) const;
    ForceTrace trace(int device) const;
    // Button presses and hat positions (hundredths of a degree, or -1 for
    // centred) that the next poll reads.
    void set_button(int device, int button, bool pressed) const;
    void set_hat(int device, int hat, long position) const;
    // The auto-centre setting the device has now (true: on).
    bool autocenter_on(int device) const;

private:
    Simulator() = default;
    struct Calls;
    const Calls *calls_ = nullptr;
};

}  // namespace probe
