// A host's force-feedback loop: one playing constant force, updated with a
// new magnitude at a steady rate. Each update has its slot on a fixed grid;
// an update that returns after the next slot makes the next one late, as
// in a host that does not skip frames.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>

#include "effect_pair.h"
#include "pacing.h"
#include "real_cases.h"

namespace bench {
namespace {

struct CpuTimes {
    LONGLONG thread = 0, process = 0;  // 100 ns units
};

struct Usage {
    long handles = 0;
    double private_kib = 0;
};

LONGLONG total(const FILETIME& kernel, const FILETIME& user) {
    const auto value = [](const FILETIME& t) {
        return static_cast<LONGLONG>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
    };
    return value(kernel) + value(user);
}

// GetProcessHandleCount answers 0 under Wine: count the handle values the
// process holds instead, up to a long run of unused ones.
long handle_count() {
    long count = 0;
    DWORD flags;
    for (uintptr_t value = 4, unused = 0; unused < 1024; value += 4) {
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
            unused = 0;
        } else {
            ++unused;
        }
    }
    return count;
}

// A handle another thread holds for a moment (Wine has threads of its own
// in the process) is not kept: the fewest of a few counts is.
long kept_handles() {
    long fewest = handle_count();
    for (int i = 0; i < 4; ++i) {
        Sleep(10);
        fewest = std::min(fewest, handle_count());
    }
    return fewest;
}

Usage usage() {
    Usage u;
    u.handles = kept_handles();
    // The commit charge; Wine gives it as the process's anonymous memory.
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory))
        u.private_kib = static_cast<double>(memory.PagefileUsage) / 1024;
    return u;
}

CpuTimes cpu_times() {
    CpuTimes t;
    FILETIME created, ended, kernel, user;
    if (GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel, &user)) t.thread = total(kernel, user);
    if (GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user)) t.process = total(kernel, user);
    return t;
}

constexpr int kWarmUpUpdates = 20;

}  // namespace

void measure_sustained(RealBench& bench, Target& target, int rate_hz, double seconds) {
    const std::string what = std::to_string(rate_hz) + " Hz on the " + target.name;
    const int32_t device = dib_open(target.guid.c_str());
    if (device <= 0) return bench.report.fail("opening the " + std::string(target.name) + " for " + what);
    if (target.axes == 1) dib_set_axis_map(device, DIB_AXIS_X, DIB_AXIS_NONE, 0, 0);
    EffectPair force(EffectShape::constant, false, target.axes);
    const int32_t effect = dib_effect_create(device, force.bridge_type(), &force.params);
    if (effect <= 0 || dib_effect_start(effect, 1) != DIB_OK) {
        dib_release(device);
        return bench.report.fail("a playing constant force for " + what);
    }
    // Everything the run does, once over: what Wine allocates on first use
    // must not count as growth.
    for (int k = 0; k < kWarmUpUpdates; ++k) {
        force.vary(k * 7 + 1);
        dib_effect_update(effect, &force.params);
        target.log->read_now();
    }

    SustainedRun run;
    run.rate_hz = rate_hz;
    run.updates = static_cast<int>(rate_hz * seconds);
    const LONGLONG period = ticks_per_second() / rate_hz;
    std::vector<CallWindow> calls;
    std::vector<LONGLONG> slots;
    // The bench's own records must not grow during the run, or they would
    // show as the bridge's.
    calls.resize(run.updates);
    slots.resize(run.updates);
    calls.clear();
    slots.clear();
    target.log->reserve(8 * static_cast<size_t>(run.updates) + 1024);
    target.log->take();
    const Usage before = usage();
    const CpuTimes cpu_before = cpu_times();
    const LONGLONG start = now_ticks() + period;
    for (int k = 0; k < run.updates; ++k) {
        const LONGLONG slot = start + k * period;
        sleep_until(slot);
        force.vary((k + kWarmUpUpdates) * 7 + 1);  // a new magnitude every time
        slots.push_back(slot);
        calls.push_back(timed_call(0, kBridge, k, [&] { return dib_effect_update(effect, &force.params) == DIB_OK; }));
        // Should the reading thread be held up, a late run catching up
        // fills the driver's log within a few hundred updates.
        if (k % 128 == 127) target.log->read_now();
    }
    const CpuTimes cpu_after = cpu_times();
    const Usage after = usage();
    run.seconds = ticks_to_us(now_ticks() - start) / 1e6;
    run.outside = attribute(calls, target.log->take());
    dib_effect_destroy(effect);
    dib_release(device);

    std::vector<double> latency, lateness;
    std::vector<std::vector<double>> tenths(10);
    long reports = 0;
    run.reports_min = static_cast<int>(calls.front().reports.size());
    for (size_t k = 0; k < calls.size(); ++k) {
        const CallWindow& c = calls[k];
        run.ok = run.ok && c.ok;
        run.margins.widen(c);
        const int n = static_cast<int>(c.reports.size());
        reports += n;
        run.reports_min = std::min(run.reports_min, n);
        run.reports_max = std::max(run.reports_max, n);
        const int forces = target.view->count(c.reports).type_specific;
        if (forces == 0) ++run.lost;
        if (forces > 1) ++run.extra;
        const double late = ticks_to_us(c.entry - slots[k]);
        lateness.push_back(late);
        if (late > ticks_to_us(period)) run.late_share += 1;
        if (n == 0) continue;
        latency.push_back(latency_us(c));
        tenths[k * 10 / calls.size()].push_back(latency.back());
    }
    run.reports_mean = static_cast<double>(reports) / run.updates;
    run.late_share /= run.updates;
    run.latency_us = spread(latency);
    run.lateness_us = spread(lateness);
    run.latency_distribution = distribution(latency);
    for (const auto& tenth : tenths) run.tenths_median_us.push_back(spread(tenth).median);
    run.latency_first_us = run.tenths_median_us.front();
    run.latency_last_us = run.tenths_median_us.back();
    run.thread_cpu_us = static_cast<double>(cpu_after.thread - cpu_before.thread) / 10 / run.updates;
    run.process_cpu_us = static_cast<double>(cpu_after.process - cpu_before.process) / 10 / run.updates;
    run.handles_start = before.handles;
    run.handles_end = after.handles;
    run.private_kib_start = before.private_kib;
    run.private_kib_end = after.private_kib;
    bench.report.add(run);
}

}  // namespace bench
