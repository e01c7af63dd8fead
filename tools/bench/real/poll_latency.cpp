// How soon a poll sees an input the device sent: the driver is handed a new
// input report at a random moment between two polls, and the host keeps
// polling at its rate until the new value shows. Both sides read the same
// device, in pairs of trials (one each, which side goes first alternating)
// that push at the same moment of the period. Wine's input
// thread updates the device objects of a device one after the other, in
// the order they were acquired, so half the trials run with each side's
// device object opened first.
#include <vector>

#include "pacing.h"
#include "real_cases.h"
#include "real_pair.h"

namespace bench {
namespace {

constexpr int kRates[] = {60, 250, 1000};
constexpr int kRateCount = sizeof kRates / sizeof kRates[0];

struct PollTimes {
    std::vector<double> latency[2];  // by side
    int unseen = 0;
};

// `trials` per side and rate on one pair of device objects; false when it
// cannot be set up.
bool poll_session(RealBench& bench, Target& target, bool bridge_first, int trials, unsigned& seed,
                  PollTimes (&times)[kRateCount]) {
    RealPair pair(bench.raw, target.guid, target.axes, bridge_first);
    vwheel::ControlChannel control(target.view->variant());
    LONG min = 0, max = 0;
    if (!pair.open() || !control.is_open() || !target.view->x_range(&min, &max))
        return bench.report.fail(std::string("opening the ") + target.name + " for polling"), false;
    // Both sides give X the range -4096..4096: a quarter and three quarters
    // of the device's range read as about -2048 and 2048.
    const LONG values[2] = {min + (max - min) / 4, max - (max - min) / 4};

    const int32_t device = pair.device();
    IDirectInputDevice8A* raw = pair.raw_device();
    const auto read_x = [&](Side side, long* x) {
        if (side == kBridge) {
            InputReport report;
            const bool ok = dib_poll(device, &report) == DIB_OK;
            *x = report.axis0;
            return ok;
        }
        bench.raw.pump();
        raw->Poll();
        DIJOYSTATE2 state;
        const bool ok = SUCCEEDED(raw->GetDeviceState(sizeof state, &state));
        *x = state.lX;
        return ok;
    };

    const LONGLONG second = ticks_per_second();
    int value = 0;
    if (!control.push_input(target.view->input_with_x(values[value])))
        return bench.report.fail("pushing input"), false;
    bool ok = true;
    for (int i = 0; i < kRateCount; ++i) {
        const LONGLONG period = second / kRates[i];
        double offset = 0;  // of the push within the period, the same for both trials of a pair
        for (int trial = 0; trial < 2 * trials; ++trial) {
            const Side side = static_cast<Side>((trial % 2) ^ (trial / 2 % 2));
            if (trial % 2 == 0) offset = next_uniform(seed);
            // Each side's device object reads the device on its own: first
            // let this one catch up with the last push, whose value has the
            // other sign from the next.
            long now = 0;
            LONGLONG slot = now_ticks();
            const LONGLONG settle_by = slot + second;
            while ((ok = read_x(side, &now) && ok) && (now < 0) != (value == 0) && now_ticks() < settle_by) {
                slot += period;
                sleep_until(slot);
            }
            value ^= 1;
            sleep_until(slot + static_cast<LONGLONG>(offset * static_cast<double>(period)));
            ok = control.push_input(target.view->input_with_x(values[value])) && ok;
            const LONGLONG pushed = now_ticks();
            for (;;) {
                slot += period;
                sleep_until(slot);
                ok = read_x(side, &now) && ok;
                const LONGLONG seen = now_ticks();
                if ((now < 0) == (value == 0)) {
                    times[i].latency[side].push_back(ticks_to_us(seen - pushed));
                    break;
                }
                if (seen - pushed > second) {
                    ++times[i].unseen;
                    break;
                }
            }
        }
    }
    if (!ok) bench.report.fail("a poll or a push");
    return ok;
}

}  // namespace

void measure_poll_latency(RealBench& bench, Target& target) {
    PollTimes times[kRateCount];
    unsigned seed = 22;
    const int half = (bench.poll_trials + 1) / 2;
    if (!poll_session(bench, target, true, half, seed, times) ||
        !poll_session(bench, target, false, bench.poll_trials - half, seed, times))
        return;
    for (int i = 0; i < kRateCount; ++i) {
        PollRow row;
        row.rate_hz = kRates[i];
        row.trials = bench.poll_trials;
        row.unseen = times[i].unseen;
        row.bridge_us = spread(times[i].latency[kBridge]);
        row.raw_us = spread(times[i].latency[kRaw]);
        row.bridge_distribution = distribution(times[i].latency[kBridge]);
        row.raw_distribution = distribution(times[i].latency[kRaw]);
        bench.report.add(row);
    }
}

}  // namespace bench
