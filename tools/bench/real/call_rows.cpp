// Each bridge call against the raw DirectInput calls it wraps, on the same
// virtual device, in rounds of one call per side, the side going first
// alternating, as gantrel-bench does on the simulator.
#include <algorithm>
#include <string>
#include <vector>

#include "call_windows.h"
#include "pacing.h"
#include "effect_pair.h"
#include "real_cases.h"
#include "real_pair.h"
#include "row_figures.h"

namespace bench {
namespace {

// Starts and stops make the device report the effect's state as input,
// which Wine's input thread hands to every device object of the device in
// the order they were acquired. A pause after each call lets that end
// before the next call, which would otherwise wait for it; the effect rows
// also run half their rounds with each side's device object opened first.
constexpr double kSettleUs = 1000;

void settle() {
    static const LONGLONG gap = static_cast<LONGLONG>(kSettleUs * static_cast<double>(ticks_per_second()) / 1e6);
    sleep_until(now_ticks() + gap);
}

// step(side, round, calls) appends its timed calls; rounds are numbered
// from `first_round`. Warm-up rounds are run first and their reports dropped.
template <class Step>
std::vector<CallWindow> run_rounds(Target& target, int rounds, Step step, size_t* outside, int warm_up = 3,
                                   int first_round = 0) {
    std::vector<CallWindow> calls;
    for (int r = 0; r < warm_up; ++r) {
        step(kBridge, -1, calls);
        step(kRaw, -1, calls);
    }
    calls.clear();
    target.log->take();
    for (int r = 0; r < rounds; ++r) {
        const Side first = r % 2 == 0 ? kBridge : kRaw;
        for (Side side : {first, first == kBridge ? kRaw : kBridge}) {
            step(side, first_round + r, calls);
            settle();
        }
        if (r % 8 == 7) target.log->read_now();  // at most some 130 reports since the last read
    }
    *outside = attribute(calls, target.log->take());
    return calls;
}

// One row's calls, gathered over the sessions that measure it.
struct Gathered {
    std::string name;
    int op;
    Expect expect;
    std::vector<CallWindow> calls;
    size_t outside = 0;
};

class Rows {
public:
    void add(const std::string& name, int op, Expect expect, const std::vector<CallWindow>& calls, size_t outside) {
        auto it = std::find_if(rows_.begin(), rows_.end(),
                               [&](const Gathered& g) { return g.name == name && g.op == op; });
        if (it == rows_.end()) it = rows_.insert(rows_.end(), Gathered{name, op, expect, {}, 0});
        it->calls.insert(it->calls.end(), calls.begin(), calls.end());
        it->outside += outside;
    }
    void report(RealBench& bench, const Target& target) const {
        for (const Gathered& g : rows_) {
            CallRow row = row_figures(target.name, g.name, g.op, g.calls, *target.view, g.expect);
            row.outside = g.outside;
            bench.report.add(row);
        }
    }

private:
    std::vector<Gathered> rows_;
};

struct UpdateCase {
    const char* name;
    EffectShape shape;
    bool envelope;
};

// Every effect row on one pair of device objects, `rounds` rounds each,
// numbered from `first_round`; false when the session could not be set up.
bool effect_session(RealBench& bench, Target& target, bool bridge_first, int rounds, int first_round, Rows& rows) {
    RealPair pair(bench.raw, target.guid, target.axes, bridge_first);
    if (!pair.open()) return bench.report.fail(std::string("opening the ") + target.name + " on both sides"), false;

    const UpdateCase cases[] = {
        {"dib_effect_update constant", EffectShape::constant, false},
        {"dib_effect_update sine + envelope", EffectShape::periodic, true},
        {"dib_effect_update spring", EffectShape::condition, false},
    };
    EffectOnBoth constant;
    size_t outside = 0;
    for (const UpdateCase& c : cases) {
        EffectPair effect(c.shape, c.envelope, target.axes);
        EffectOnBoth on;
        if (!pair.add_effect(effect, &on)) return bench.report.fail(std::string("creating for ") + c.name), false;
        if (c.shape == EffectShape::constant) constant = on;
        // Hosts update what plays.
        if (dib_effect_start(on.bridge, 1) != DIB_OK || FAILED(on.raw->Start(1, 0)))
            return bench.report.fail(std::string("starting for ") + c.name), false;
        // One parameter block per axis for a condition, one otherwise.
        Expect expect;
        expect.type_specific = c.shape == EffectShape::condition ? target.axes : 1;
        // The second row: what a program that names only the changed force
        // would cost; not what the bridge sends, so the reports may differ.
        const bool force_only_too = c.shape == EffectShape::constant;
        for (int variant = 0; variant < (force_only_too ? 2 : 1); ++variant) {
            const DWORD flags = variant == 0 ? effect.update_flags() : DIEP_TYPESPECIFICPARAMS | DIEP_NORESTART;
            expect.like_raw = variant == 0;
            int step = 0;
            const auto calls = run_rounds(target, rounds, [&](Side side, int round, std::vector<CallWindow>& out) {
                effect.vary(++step);
                out.push_back(side == kBridge ? timed_call(0, side, round, [&] {
                    return dib_effect_update(on.bridge, &effect.params) == DIB_OK;
                })
                                              : timed_call(0, side, round, [&] {
                                                    return SUCCEEDED(on.raw->SetParameters(&effect.effect, flags));
                                                }));
            }, &outside, 3, first_round);
            rows.add(variant == 0 ? c.name : "dib_effect_update constant, raw force only", 0, expect, calls, outside);
        }
    }

    auto calls = run_rounds(target, rounds, [&](Side side, int round, std::vector<CallWindow>& out) {
        out.push_back(side == kBridge ? timed_call(0, side, round, [&] { return dib_effect_start(constant.bridge, 1) == DIB_OK; })
                                      : timed_call(0, side, round, [&] { return SUCCEEDED(constant.raw->Start(1, 0)); }));
    }, &outside, 3, first_round);
    Expect one_start;
    one_start.start = 1;
    rows.add("dib_effect_start", 0, one_start, calls, outside);

    calls = run_rounds(target, rounds, [&](Side side, int round, std::vector<CallWindow>& out) {
        out.push_back(side == kBridge ? timed_call(0, side, round, [&] { return dib_effect_stop(constant.bridge) == DIB_OK; })
                                      : timed_call(0, side, round, [&] { return SUCCEEDED(constant.raw->Stop()); }));
    }, &outside, 3, first_round);
    Expect one_stop;
    one_stop.stop = 1;
    rows.add("dib_effect_stop", 0, one_stop, calls, outside);

    // A new effect each round, destroyed in the same round.
    const EffectPair fresh(EffectShape::constant, false, target.axes);
    calls = run_rounds(target, rounds, [&](Side side, int round, std::vector<CallWindow>& out) {
        if (side == kBridge) {
            int32_t effect = 0;
            out.push_back(timed_call(0, side, round, [&] {
                return (effect = dib_effect_create(pair.device(), fresh.bridge_type(), &fresh.params)) > 0;
            }));
            out.push_back(timed_call(1, side, round, [&] { return dib_effect_destroy(effect) == DIB_OK; }));
        } else {
            IDirectInputEffect* effect = nullptr;
            out.push_back(timed_call(0, side, round,
                                     [&] { return (effect = create_raw_effect(pair.raw_device(), fresh)) != nullptr; }));
            out.push_back(timed_call(1, side, round, [&] {
                if (effect) destroy_raw_effect(effect);
                return effect != nullptr;
            }));
        }
    }, &outside, 3, first_round);
    rows.add("dib_effect_create", 0, Expect(), calls, outside);
    rows.add("dib_effect_destroy", 1, Expect(), calls, 0);
    return true;
}

}  // namespace

void measure_effect_calls(RealBench& bench, Target& target) {
    Rows rows;
    const int half = (bench.rounds + 1) / 2;
    if (!effect_session(bench, target, true, half, 0, rows) ||
        !effect_session(bench, target, false, bench.rounds - half, half, rows))
        return;
    rows.report(bench, target);
}

void measure_device_calls(RealBench& bench, Target& target) {
    GUID guid;
    if (!parse_guid_text(target.guid, &guid)) return bench.report.fail(std::string("the GUID of the ") + target.name);
    size_t outside = 0;
    const auto calls = run_rounds(target, bench.slow_rounds, [&](Side side, int round, std::vector<CallWindow>& out) {
        if (side == kBridge) {
            int32_t device = 0;
            out.push_back(timed_call(0, side, round, [&] { return (device = dib_open(target.guid.c_str())) > 0; }));
            out.push_back(timed_call(1, side, round, [&] { return dib_release(device) == DIB_OK; }));
        } else {
            IDirectInputDevice8A* device = nullptr;
            out.push_back(timed_call(0, side, round, [&] { return (device = bench.raw.open(guid)) != nullptr; }));
            out.push_back(timed_call(1, side, round, [&] {
                if (device) RawDirectInput::release(device);
                return device != nullptr;
            }));
        }
    }, &outside, 1);
    CallRow row = row_figures(target.name, "dib_open", 0, calls, *target.view, Expect());
    row.outside = outside;
    bench.report.add(row);
    bench.report.add(row_figures(target.name, "dib_release", 1, calls, *target.view, Expect()));
}

void measure_enumeration(RealBench& bench, Target* targets, int count) {
    std::vector<char> list(1 << 16);
    // Every device gets a temporary device object: its reports count too,
    // so each device's log is read and the calls attributed per device.
    std::vector<CallWindow> calls;
    for (int r = -1; r < bench.enumerate_rounds; ++r) {
        const Side first = r % 2 == 0 ? kBridge : kRaw;
        for (Side side : {first, first == kBridge ? kRaw : kBridge})
            calls.push_back(side == kBridge ? timed_call(0, side, r, [&] {
                return dib_enumerate(list.data(), static_cast<int32_t>(list.size())) > 2;
            })
                                            : timed_call(0, side, r, [&] { return bench.raw.enumerate() >= count; }));
        if (r == -1) {
            calls.clear();
            for (int t = 0; t < count; ++t) targets[t].log->take();
        }
    }
    size_t outside = 0;
    std::vector<CallWindow> merged = calls;
    for (int t = 0; t < count; ++t) {
        std::vector<CallWindow> own = calls;
        outside += attribute(own, targets[t].log->take());
        for (size_t i = 0; i < own.size(); ++i)
            merged[i].reports.insert(merged[i].reports.end(), own[i].reports.begin(), own[i].reports.end());
    }
    for (CallWindow& c : merged)
        std::sort(c.reports.begin(), c.reports.end(),
                  [](const VWheelLogEntry& a, const VWheelLogEntry& b) { return a.time < b.time; });
    CallRow row = row_figures("all", "dib_enumerate", 0, merged, *targets[0].view, Expect());
    row.outside = outside;
    bench.report.add(row);
}

}  // namespace bench
