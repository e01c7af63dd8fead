#pragma once
// The measurements, each on its own simulated device set, leaving nothing
// open behind it.
#include "paired_timer.h"
#include "pair_session.h"
#include "raw_directinput.h"
#include "report.h"

namespace bench {

struct Bench {
    const RawDirectInput& raw;
    const PairedTimer& timer;
    Report& report;
};

// dib_enumerate with 1, 4 and 8 devices attached, and an open-and-release cycle.
void measure_device_calls(Bench& bench);
// dib_poll, dib_effect_update of each effect shape, dib_effect_start and _stop.
void measure_hot_paths(Bench& bench);
// Poll and update as 1 to 8 devices are open, update and create as 1 to 64
// effects are in use.
void measure_scaling(Bench& bench);

// One row each: the bridge's poll (update) against the raw calls it wraps.
Timing time_poll(Bench& bench, const PairSession& session, int index);
Timing time_update(Bench& bench, const EffectOnBoth& effect, EffectPair& pair);

}  // namespace bench
