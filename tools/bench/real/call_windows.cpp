#include "call_windows.h"

#include <algorithm>
#include <cmath>

namespace bench {

LONGLONG now_ticks() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

double ticks_to_us(LONGLONG ticks) {
    static const double us_per_tick = [] {
        LARGE_INTEGER frequency;
        QueryPerformanceFrequency(&frequency);
        return 1e6 / static_cast<double>(frequency.QuadPart);
    }();
    return static_cast<double>(ticks) * us_per_tick;
}

double duration_us(const CallWindow& call) { return ticks_to_us(call.exit - call.entry); }

double latency_us(const CallWindow& call) {
    if (call.reports.empty()) return -1;
    return ticks_to_us(call.reports.back().time - call.entry);
}

size_t attribute(std::vector<CallWindow>& calls, const std::vector<VWheelLogEntry>& log) {
    size_t outside = 0, c = 0;
    for (const VWheelLogEntry& e : log) {
        while (c < calls.size() && calls[c].exit < e.time) ++c;
        if (c < calls.size() && calls[c].entry <= e.time)
            calls[c].reports.push_back(e);
        else
            ++outside;
    }
    return outside;
}

void ClockMargins::widen(const CallWindow& call) {
    if (call.reports.empty()) return;
    lead_us = std::min(lead_us, ticks_to_us(call.reports.front().time - call.entry));
    trail_us = std::min(trail_us, ticks_to_us(call.exit - call.reports.back().time));
}

void ClockMargins::widen(const ClockMargins& other) {
    lead_us = std::min(lead_us, other.lead_us);
    trail_us = std::min(trail_us, other.trail_us);
}

double quantile(const std::vector<double>& sorted, double q) {
    if (sorted.empty()) return 0;
    const size_t rank = static_cast<size_t>(std::ceil(q * static_cast<double>(sorted.size())));
    return sorted[std::min(sorted.size() - 1, rank > 0 ? rank - 1 : 0)];
}

Spread spread(std::vector<double> values) {
    Spread s;
    s.count = values.size();
    if (values.empty()) return s;
    std::sort(values.begin(), values.end());
    s.median = quantile(values, 0.5);
    s.p99 = quantile(values, 0.99);
    s.max = values.back();
    return s;
}

std::vector<double> distribution(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    std::vector<double> out;
    for (int p = 0; p <= 100; ++p) {
        out.push_back(quantile(values, p / 100.0));
        if (p == 99) out.push_back(quantile(values, 0.999));
    }
    return out;
}

}  // namespace bench
