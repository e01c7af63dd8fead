#pragma once
// The real-path measurements, each leaving nothing open behind it.
#include <memory>
#include <string>

#include "device_log.h"
#include "device_view.h"
#include "raw_directinput.h"
#include "real_report.h"

namespace bench {

// One virtual device: its name, how many force-feedback axes the bench
// maps, the bridge's GUID text for it, its log and its decoder.
struct Target {
    const char* name;
    int axes;
    std::string guid;
    std::unique_ptr<DeviceView> view;
    std::unique_ptr<DeviceLog> log;
};

struct RealBench {
    const RawDirectInput& raw;
    RealReport& report;
    int rounds;          // for the effect calls
    int slow_rounds;     // for opening and releasing
    int enumerate_rounds;
    int poll_trials;     // per side and rate
    double seconds;      // per sustained rate
    bool quick;
};

// dib_effect_update (constant, sine with envelope, spring), start, stop,
// create, destroy, then open and release, each against raw DirectInput.
void measure_effect_calls(RealBench& bench, Target& target);
void measure_device_calls(RealBench& bench, Target& target);
// dib_enumerate with every virtual device attached and none open.
void measure_enumeration(RealBench& bench, Target* targets, int count);
// An input report changed at the device until a poll at each rate shows it.
void measure_poll_latency(RealBench& bench, Target& target);
// A playing constant force updated at a steady rate.
void measure_sustained(RealBench& bench, Target& target, int rate_hz, double seconds);

}  // namespace bench
