// How soon a poll sees an input the device sent: the driver is handed a new
// input report at a random moment between two polls, and the host keeps
// polling at its rate until the new value shows. Both sides read the same
// device, in trials that alternate which side goes first.
#include "pacing.h"
#include "real_cases.h"
#include "real_pair.h"

namespace bench {
namespace {

constexpr int kRates[] = {60, 250, 1000};

}  // namespace

void measure_poll_latency(RealBench& bench, Target& target) {
    RealPair pair(bench.raw, target.guid, target.axes);
    vwheel::ControlChannel control(target.view->variant());
    LONG min = 0, max = 0;
    if (!pair.open() || !control.is_open() || !target.view->x_range(&min, &max))
        return bench.report.fail(std::string("opening the ") + target.name + " for polling");
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
    unsigned seed = 22;
    int value = 0;
    if (!control.push_input(target.view->input_with_x(values[value]))) return bench.report.fail("pushing input");
    for (int rate : kRates) {
        const LONGLONG period = second / rate;
        std::vector<double> latency[2];
        PollRow row;
        row.rate_hz = rate;
        row.trials = bench.poll_trials;
        bool ok = true;
        for (int trial = 0; trial < 2 * bench.poll_trials; ++trial) {
            const Side side = static_cast<Side>((trial % 2) ^ (trial / 2 % 2));
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
            sleep_until(slot + static_cast<LONGLONG>(next_uniform(seed) * static_cast<double>(period)));
            ok = control.push_input(target.view->input_with_x(values[value])) && ok;
            const LONGLONG pushed = now_ticks();
            for (;;) {
                slot += period;
                sleep_until(slot);
                ok = read_x(side, &now) && ok;
                const LONGLONG seen = now_ticks();
                if ((now < 0) == (value == 0)) {
                    latency[side].push_back(ticks_to_us(seen - pushed));
                    break;
                }
                if (seen - pushed > second) {
                    ++row.unseen;
                    break;
                }
            }
        }
        if (!ok) bench.report.fail("a poll or a push at " + std::to_string(rate) + " Hz");
        row.bridge_us = spread(latency[kBridge]);
        row.raw_us = spread(latency[kRaw]);
        row.bridge_distribution = distribution(latency[kBridge]);
        row.raw_distribution = distribution(latency[kRaw]);
        bench.report.add(row);
    }
}

}  // namespace bench
