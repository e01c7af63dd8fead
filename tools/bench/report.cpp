#include "report.h"

#include <cmath>

#include "gantrel.h"

namespace bench {
namespace {

double ratio(const Timing& t) { return t.raw_ns > 0 ? t.bridge_ns / t.raw_ns : 0; }
long allocations(const Timing& t) { return std::lround(t.allocations_per_call * t.bridge_calls); }

std::string label(const Row& row) {
    if (row.scale.empty()) return row.operation;
    const char* what = row.scale == "open_devices" ? "open" : row.scale == "effects_in_use" ? "in use" : "listed";
    return row.operation + " [" + std::to_string(row.scale_value) + " " + what + "]";
}

const char* met(bool ok) { return ok ? "met" : "MISSED"; }

}  // namespace

Verdict Report::verdict() const {
    Verdict v;
    double poll_raw_ns = 0, poll_own_ns = 0;
    for (const Row& row : rows_) {
        if (row.operation == "dib_enumerate" && row.scale_value >= v.listed) {
            v.listed = row.scale_value;
            v.enumerate_allocations = row.timing.allocations_per_call;
        }
        if (row.target == Target::none) continue;
        v.hot_allocations += allocations(row.timing);
        v.hot_calls += row.timing.bridge_calls;
        if (!row.scale.empty()) continue;
        const double overhead = (ratio(row.timing) - 1) * 100;
        if (row.target == Target::poll) {
            v.poll_overhead_pct = overhead;
            poll_raw_ns = row.timing.raw_ns;
        }
        if (row.target == Target::own_work) poll_own_ns = row.timing.own_ns;
        if (row.target == Target::update && (v.update_worst.empty() || overhead > v.update_overhead_pct)) {
            v.update_overhead_pct = overhead;
            v.update_worst = row.operation;
        }
        if (row.target != Target::poll && (v.own_worst.empty() || row.timing.own_ns > v.own_ns)) {
            v.own_ns = row.timing.own_ns;
            v.own_worst = row.operation;
        }
    }
    if (poll_raw_ns > 0) v.poll_added_pct = poll_own_ns / poll_raw_ns * 100;
    return v;
}

bool Report::complete() const {
    if (!failures_.empty()) return false;
    for (const Row& row : rows_)
        if (!row.timing.ok) return false;
    return !rows_.empty();
}

bool Report::counter_counted() const {
    for (const Row& row : rows_)
        if (row.target == Target::none && allocations(row.timing) > 0) return true;
    return false;
}

void Report::print_table(std::FILE* out) const {
    std::fprintf(out, "%-52s %11s %11s %7s %9s %12s\n", "operation", "bridge ns", "raw ns", "ratio", "own ns",
                 "allocs/call");
    std::string section = "-";
    for (const Row& row : rows_) {
        if (row.scale != section) {
            section = row.scale;
            if (!section.empty()) std::fprintf(out, "-- cost by number of %s\n", section.c_str());
        }
        const Timing& t = row.timing;
        std::fprintf(out, "%-52s %11.0f %11.0f %7.3f %9.0f %12.3f%s\n", label(row).c_str(), t.bridge_ns, t.raw_ns,
                     ratio(t), t.own_ns, t.allocations_per_call, t.ok ? "" : "  (calls failed)");
    }
    for (const std::string& f : failures_) std::fprintf(out, "not measured: %s\n", f.c_str());

    const Verdict v = verdict();
    std::fprintf(out, "targets:\n");
    std::fprintf(out, "  dib_poll adds at most 10%% over raw: own work %+.1f%% (ratio %+.1f%%) - %s\n", v.poll_added_pct,
                 v.poll_overhead_pct, met(v.poll_met()));
    std::fprintf(out, "  dib_effect_update adds at most 10%% over raw: worst %+.1f%% (%s) - %s\n",
                 v.update_overhead_pct, v.update_worst.c_str(), met(v.update_met()));
    std::fprintf(out, "  no allocation on poll, update, start, stop: %ld in %ld calls - %s\n", v.hot_allocations,
                 v.hot_calls, met(v.allocations_met()));
    std::fprintf(out, "  own work under 1000 ns per call: worst %.0f ns (%s) - %s\n", v.own_ns, v.own_worst.c_str(),
                 met(v.own_met()));
    std::fprintf(out, "  dib_enumerate of %d devices allocates at most once per device: %.1f per call - %s\n",
                 v.listed, v.enumerate_allocations, met(v.enumerate_met()));
}

void Report::print_json(std::FILE* out, const char* mode, int rounds) const {
    std::fprintf(out, "{\"bench\":\"gantrel-bench\",\"gantrel\":\"%s\",\"mode\":\"%s\",\"rounds\":%d,\"rows\":[",
                 GANTREL_VERSION_STRING, mode, rounds);
    static const char* kTargets[] = {"poll", "update", "playback", "own_work", "none"};
    for (size_t i = 0; i < rows_.size(); ++i) {
        const Row& row = rows_[i];
        const Timing& t = row.timing;
        std::fprintf(out,
                     "%s{\"operation\":\"%s\",\"scale\":\"%s\",\"scale_value\":%d,\"target\":\"%s\","
                     "\"bridge_ns\":%.1f,\"raw_ns\":%.1f,\"ratio\":%.4f,\"own_ns\":%.1f,"
                     "\"allocations_per_call\":%.4f,\"bridge_calls\":%ld,\"ok\":%s}",
                     i ? "," : "", row.operation.c_str(), row.scale.c_str(), row.scale_value,
                     kTargets[static_cast<int>(row.target)], t.bridge_ns, t.raw_ns, ratio(t), t.own_ns,
                     t.allocations_per_call, t.bridge_calls, t.ok ? "true" : "false");
    }
    const Verdict v = verdict();
    std::fprintf(out,
                 "],\"not_measured\":%zu,\"targets\":{\"poll_overhead_pct\":%.2f,\"poll_added_pct\":%.2f,\"poll_met\":%s,"
                 "\"update_overhead_pct\":%.2f,\"update_worst\":\"%s\",\"update_met\":%s,"
                 "\"hot_allocations\":%ld,\"hot_calls\":%ld,\"allocations_met\":%s,"
                 "\"own_ns\":%.1f,\"own_worst\":\"%s\",\"own_met\":%s,"
                 "\"enumerate_listed\":%d,\"enumerate_allocations\":%.2f,\"enumerate_met\":%s}}\n",
                 failures_.size(), v.poll_overhead_pct, v.poll_added_pct, v.poll_met() ? "true" : "false",
                 v.update_overhead_pct, v.update_worst.c_str(), v.update_met() ? "true" : "false", v.hot_allocations, v.hot_calls,
                 v.allocations_met() ? "true" : "false", v.own_ns, v.own_worst.c_str(),
                 v.own_met() ? "true" : "false", v.listed, v.enumerate_allocations,
                 v.enumerate_met() ? "true" : "false");
}

}  // namespace bench
