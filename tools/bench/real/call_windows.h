#pragma once
// Calls timed as the host sees them, and the reports the device received
// during each. The driver stamps every report with the same performance
// counter the host reads, and DirectInput sends a call's reports before it
// returns, so a report belongs to the call whose entry and return enclose
// its stamp.
#include <windows.h>

#include <vector>

#include "vwheel_protocol.h"

namespace bench {

enum Side { kBridge = 0, kRaw = 1 };

struct CallWindow {
    LONGLONG entry = 0;   // performance counter at the call's entry
    LONGLONG exit = 0;    // and at its return
    int op = 0;           // which operation of its row
    Side side = kBridge;
    int round = 0;
    bool ok = true;
    std::vector<VWheelLogEntry> reports;  // in the order they arrived
};

LONGLONG now_ticks();

// Times one call: f() returns whether it succeeded.
template <class F>
CallWindow timed_call(int op, Side side, int round, F f) {
    CallWindow w;
    w.op = op;
    w.side = side;
    w.round = round;
    w.entry = now_ticks();
    w.ok = f();
    w.exit = now_ticks();
    return w;
}

// Hands each report to the call whose window holds its stamp; returns how
// many reports fell in no window. `calls` must be in the order they ran.
size_t attribute(std::vector<CallWindow>& calls, const std::vector<VWheelLogEntry>& log);

// How closely the reports hug their calls: the least time from a call's
// entry to its first report, and from its last report to its return. Were
// the driver's clock off by more than either, some report would fall
// outside its call.
struct ClockMargins {
    double lead_us = 1e18;
    double trail_us = 1e18;
    void widen(const CallWindow& call);
    void widen(const ClockMargins& other);
    bool seen() const { return lead_us < 1e18; }
};

double ticks_to_us(LONGLONG ticks);
double duration_us(const CallWindow& call);
// From the call's entry to its last report at the device; -1 without reports.
double latency_us(const CallWindow& call);

// Median, 99th percentile and largest of a sample (nearest rank).
struct Spread {
    double median = 0, p99 = 0, max = 0;
    size_t count = 0;
};
Spread spread(std::vector<double> values);
// The value at fraction q (0..1) of the sorted sample, nearest rank.
double quantile(const std::vector<double>& sorted, double q);
// Values at every whole per cent from 0 to 100 and at 99.9%: enough to draw
// the distribution.
std::vector<double> distribution(std::vector<double> values);

}  // namespace bench
