// Playing effects: an effect that is stopped and destroyed however the
// command ends,
// and time passing on an open device (real, simulated, or both).
#pragma once
#include "gantrel.h"
#include "simulator.h"

#include <string>

namespace probe {

class Effect {
public:
    Effect(int32_t device, int32_t type, const EffectParams &params);  // throws on failure
    ~Effect();
    Effect(const Effect &) = delete;
    Effect &operator=(const Effect &) = delete;

    void start(int32_t count);
    void update(const EffectParams &params);
    void stop();
    void destroy();

    int32_t handle() const { return handle_; }

private:
    int32_t handle_;
    int32_t type_;
};

// Where a force trace is kept: the simulator and its index of the device,
// or nothing on a real DirectInput.
struct TraceTarget {
    const Simulator *sim = nullptr;
    int index = -1;
    bool active() const { return sim && index >= 0; }
};

// Lets ms pass on an open device in 10 ms steps: polls it each step (which
// also services the library's window), moves the simulator's clock when
// tracing, and sleeps for real when real_time is set. Throws Interrupted
// at the step where an interrupt arrives; the trace then ends there.
void let_time_pass(int32_t device, unsigned ms, const TraceTarget &trace, bool real_time);

// "X push -2048 .. 0" for each axis of a trace.
std::string push_summary(const ForceTrace &trace);

}  // namespace probe
