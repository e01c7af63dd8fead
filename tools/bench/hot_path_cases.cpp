#include "bench_cases.h"
#include "bench_devices.h"
#include "pump_stub.h"

namespace bench {

Timing time_poll(Bench& bench, const PairSession& session, int index) {
    const int32_t device = session.device(index);
    IDirectInputDevice8A* raw = session.raw_device(index);
    InputReport report;
    DIJOYSTATE2 state;
    // Under Wine the message pump of both sides costs from a few to tens of
    // microseconds a call, so the bridge's own share needs many calls to show.
    return bench.timer.run([&](int) { return dib_poll(device, &report) == DIB_OK; },
                           [&](int) {
                               bench.raw.pump();
                               raw->Poll();
                               return SUCCEEDED(raw->GetDeviceState(sizeof state, &state));
                           },
                           8);
}

// dib_poll's own work: both sides' PeekMessageA find no message at once.
Timing time_poll_pump_stubbed(Bench& bench, const PairSession& session) {
    const int32_t device = session.device(0);
    IDirectInputDevice8A* raw = session.raw_device(0);
    InputReport report;
    DIJOYSTATE2 state;
    MSG message;
    stub_message_pump(true);
    const Timing timing = bench.timer.run([&](int) { return dib_poll(device, &report) == DIB_OK; },
                                          [&](int) {
                                              switched_peek_message(&message, nullptr, 0, 0, PM_REMOVE);
                                              raw->Poll();
                                              return SUCCEEDED(raw->GetDeviceState(sizeof state, &state));
                                          });
    stub_message_pump(false);
    return timing;
}

Timing time_update(Bench& bench, const EffectOnBoth& effect, EffectPair& pair) {
    const DWORD flags = pair.update_flags();
    return bench.timer.run(
        [&](int step) {
            pair.vary(step);
            return dib_effect_update(effect.bridge, &pair.params) == DIB_OK;
        },
        [&](int step) {
            pair.vary(step);
            return SUCCEEDED(effect.raw->SetParameters(&pair.effect, flags));
        });
}

void measure_hot_paths(Bench& bench) {
    if (!load_device_pairs(1)) return bench.report.fail("device set for the hot paths");
    PairSession session(bench.raw);
    if (!session.open(0)) return bench.report.fail("opening the hot-path devices");
    bench.report.add({"dib_poll", "", 0, Target::poll, time_poll(bench, session, 0)});
    if (install_pump_switch(GetModuleHandleA("gantrel.dll")))
        bench.report.add({"dib_poll, message pump stubbed", "", 0, Target::own_work,
                          time_poll_pump_stubbed(bench, session)});
    else
        bench.report.fail("stubbing gantrel.dll's message pump");

    struct Variant {
        const char* name;
        EffectShape shape;
        bool envelope;
    };
    const Variant variants[] = {
        {"dib_effect_update constant", EffectShape::constant, false},
        {"dib_effect_update constant + envelope", EffectShape::constant, true},
        {"dib_effect_update sine", EffectShape::periodic, false},
        {"dib_effect_update sine + envelope", EffectShape::periodic, true},
        {"dib_effect_update spring, two axes", EffectShape::condition, false},
        {"dib_effect_update spring, two axes + envelope", EffectShape::condition, true},
    };
    for (const Variant& v : variants) {
        EffectPair pair(v.shape, v.envelope);
        if (!session.add_effect(0, pair)) return bench.report.fail(std::string("creating for ") + v.name);
        const EffectOnBoth& effect = session.effect(session.effect_count() - 1);
        bench.report.add({v.name, "", 0, Target::update, time_update(bench, effect, pair)});
    }

    const EffectOnBoth& sine = session.effect(2);
    bench.report.add({"dib_effect_start", "", 0, Target::playback,
                      bench.timer.run([&](int) { return dib_effect_start(sine.bridge, 1) == DIB_OK; },
                                      [&](int) { return SUCCEEDED(sine.raw->Start(1, 0)); })});
    bench.report.add({"dib_effect_stop", "", 0, Target::playback,
                      bench.timer.run([&](int) { return dib_effect_stop(sine.bridge) == DIB_OK; },
                                      [&](int) { return SUCCEEDED(sine.raw->Stop()); })});
}

}  // namespace bench
