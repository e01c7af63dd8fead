#pragma once
// Times a bridge call against its raw DirectInput equivalent: rounds of one
// batch each, bridge and raw alternating which goes first, and medians over
// the rounds, so that a busy machine disturbs both sides alike. Heap
// allocations made by gantrel.dll are counted over the bridge batches only.
#include <windows.h>

#include <algorithm>
#include <vector>

#include "heap_counter.h"

namespace bench {

struct Timing {
    double bridge_ns = 0;  // median per call
    double raw_ns = 0;
    double own_ns = 0;     // median of the rounds' differences: the bridge's own work
    double allocations_per_call = 0;
    long bridge_calls = 0;
    bool ok = true;        // every call on both sides succeeded
};

double ticks_to_ns(LONGLONG ticks);
double median(std::vector<double> values);

class PairedTimer {
public:
    PairedTimer(int rounds, double batch_target_us) : rounds_(rounds), batch_target_ns_(batch_target_us * 1000) {}

    // bridge(step) and raw(step) each make one call and return whether it
    // succeeded. `spread`: batches that many times longer, for calls whose
    // cost varies widely from call to call.
    template <class Bridge, class Raw>
    Timing run(Bridge bridge, Raw raw, double spread = 1) const {
        Timing t;
        int step = 0;
        // Warm-up, which also sizes the batches to the slower side.
        const double trial = std::max(batch_ns(bridge, 3, step, t.ok), batch_ns(raw, 3, step, t.ok));
        const int batch = std::clamp(static_cast<int>(spread * batch_target_ns_ / std::max(trial, 1.0)), 1, 2000);
        std::vector<double> bridge_ns, raw_ns, own_ns;
        long allocations = 0;
        for (int round = 0; round < rounds_; ++round) {
            double b = 0, r = 0;
            const auto time_bridge = [&] {
                simtest::reset_heap_allocations();
                b = batch_ns(bridge, batch, step, t.ok);
                allocations += simtest::heap_allocations();
            };
            if (round % 2 == 0) {
                time_bridge();
                r = batch_ns(raw, batch, step, t.ok);
            } else {
                r = batch_ns(raw, batch, step, t.ok);
                time_bridge();
            }
            bridge_ns.push_back(b);
            raw_ns.push_back(r);
            own_ns.push_back(b - r);
        }
        t.bridge_calls = static_cast<long>(rounds_) * batch;
        t.bridge_ns = median(bridge_ns);
        t.raw_ns = median(raw_ns);
        t.own_ns = median(own_ns);
        t.allocations_per_call = static_cast<double>(allocations) / static_cast<double>(t.bridge_calls);
        return t;
    }

private:
    template <class Call>
    static double batch_ns(Call& call, int batch, int& step, bool& ok) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        for (int i = 0; i < batch; ++i) ok = call(step++) && ok;
        QueryPerformanceCounter(&end);
        return ticks_to_ns(end.QuadPart - start.QuadPart) / batch;
    }

    int rounds_;
    double batch_target_ns_;
};

}  // namespace bench
