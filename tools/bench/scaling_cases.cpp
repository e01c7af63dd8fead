#include "bench_cases.h"
#include "bench_devices.h"

namespace bench {
namespace {

void measure_open_devices(Bench& bench) {
    if (!load_device_pairs(kMaxPairs)) return bench.report.fail("device set for open devices");
    PairSession session(bench.raw);
    EffectPair pair(EffectShape::constant, false);
    for (int index = 0; index < kMaxPairs; ++index) {
        if (!session.open(index) || !session.add_effect(index, pair))
            return bench.report.fail("opening device " + std::to_string(index + 1));
        // The newest device and its effect: the bridge's tables are searched from the first slot.
        const int open = index + 1;
        bench.report.add({"dib_poll", "open_devices", open, Target::poll, time_poll(bench, session, index)});
        bench.report.add({"dib_effect_update constant", "open_devices", open, Target::update,
                          time_update(bench, session.effect(index), pair)});
    }
}

Timing time_create_destroy(Bench& bench, const PairSession& session, const EffectPair& pair) {
    return bench.timer.run(
        [&](int) {
            const int32_t effect = dib_effect_create(session.device(0), pair.bridge_type(), &pair.params);
            return effect > 0 && dib_effect_destroy(effect) == DIB_OK;
        },
        [&](int) {
            IDirectInputEffect* effect = create_raw_effect(session.raw_device(0), pair);
            if (effect) destroy_raw_effect(effect);
            return effect != nullptr;
        });
}

void measure_effects_in_use(Bench& bench) {
    if (!load_device_pairs(1)) return bench.report.fail("device set for effects in use");
    PairSession session(bench.raw);
    if (!session.open(0)) return bench.report.fail("opening the effects device");
    EffectPair pair(EffectShape::constant, false);
    for (int in_use : {1, 2, 4, 8, 16, 32, 63, 64}) {
        while (static_cast<int>(session.effect_count()) < in_use)
            if (!session.add_effect(0, pair)) return bench.report.fail("creating effect for the scaling rows");
        bench.report.add({"dib_effect_update constant", "effects_in_use", in_use, Target::update,
                          time_update(bench, session.effect(session.effect_count() - 1), pair)});
        // Creating needs a free entry: the last one is measured with 63 in use.
        if (in_use < 64)
            bench.report.add({"dib_effect_create + destroy", "effects_in_use", in_use, Target::none,
                              time_create_destroy(bench, session, pair)});
    }
}

}  // namespace

void measure_scaling(Bench& bench) {
    measure_open_devices(bench);
    measure_effects_in_use(bench);
}

}  // namespace bench
