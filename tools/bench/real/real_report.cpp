#include "real_report.h"

#include <string>

#include "gantrel.h"

namespace bench {
namespace {

std::string reports_text(const SideFigures& f) {
    char text[48];
    if (f.reports_min == f.reports_max)
        std::snprintf(text, sizeof text, "%d", f.reports_min);
    else
        std::snprintf(text, sizeof text, "%d-%d (%.2f)", f.reports_min, f.reports_max, f.reports_mean);
    return text;
}

void json_numbers(std::FILE* out, const std::vector<double>& values) {
    std::fputc('[', out);
    for (size_t i = 0; i < values.size(); ++i) std::fprintf(out, "%s%.1f", i ? "," : "", values[i]);
    std::fputc(']', out);
}

void json_spread(std::FILE* out, const char* key, const Spread& s) {
    std::fprintf(out, "\"%s\":{\"median\":%.1f,\"p99\":%.1f,\"max\":%.1f,\"count\":%zu}", key, s.median, s.p99, s.max,
                 s.count);
}

void json_side(std::FILE* out, const char* key, const SideFigures& f) {
    std::fprintf(out, "\"%s\":{\"call_us\":%.2f,", key, f.call_us);
    json_spread(out, "latency_us", f.latency_us);
    std::fprintf(out, ",\"reports_min\":%d,\"reports_max\":%d,\"reports_mean\":%.3f,\"latency_distribution\":",
                 f.reports_min, f.reports_max, f.reports_mean);
    json_numbers(out, f.latency_distribution);
    std::fputc('}', out);
}

const char* yes(bool b) { return b ? "true" : "false"; }

// Wine itself may keep a handle or a few pages more after a run (a worker
// thread, a heap page committed on first use); a leak of one handle or one
// allocation per update exceeds these many times over in a run of
// thousands of updates.
constexpr long kHandleGrowth = 2;
constexpr double kMemoryGrowthKib = 32;

}  // namespace

bool RealReport::check(std::FILE* out) const {
    bool passed = true;
    const auto fail = [&](const std::string& what) {
        passed = false;
        std::fprintf(out, "check: %s\n", what.c_str());
    };
    for (const std::string& f : failures_) fail("not measured: " + f);
    if (log_overflow_) fail("the device's log filled up between reads: reports may be missing");
    for (const CallRow& r : calls_) {
        const std::string name = r.operation + " on the " + r.device;
        if (!r.ok) fail(name + ": a call failed");
        if (r.outside) fail(name + ": " + std::to_string(r.outside) + " reports arrived outside every call");
        if (r.mismatched)
            fail(name + ": in " + std::to_string(r.mismatched) + " of " + std::to_string(r.rounds) +
                 " rounds the bridge's call sent other reports than raw DirectInput's");
        if (r.unexpected)
            fail(name + ": " + std::to_string(r.unexpected) + " of " + std::to_string(r.rounds) +
                 " calls did not reach the device exactly once");
    }
    for (const PollRow& p : polls_)
        if (p.unseen) fail(std::to_string(p.unseen) + " input reports never seen by a poll at " +
                           std::to_string(p.rate_hz) + " Hz");
    for (const SustainedRun& s : runs_) {
        const std::string name = "updates at " + std::to_string(s.rate_hz) + " Hz";
        if (!s.ok) fail(name + ": an update failed");
        if (s.lost || s.extra)
            fail(name + ": " + std::to_string(s.lost) + " forces lost and " + std::to_string(s.extra) +
                 " sent more than once in " + std::to_string(s.updates) + " updates");
        if (s.outside) fail(name + ": " + std::to_string(s.outside) + " reports arrived outside every update");
        if (s.handles_end - s.handles_start > kHandleGrowth)
            fail(name + ": handles grew from " + std::to_string(s.handles_start) + " to " +
                 std::to_string(s.handles_end));
        if (s.private_kib_end - s.private_kib_start > kMemoryGrowthKib)
            fail(name + ": private memory grew by " + std::to_string(s.private_kib_end - s.private_kib_start) +
                 " KiB");
    }
    if (calls_.empty() && runs_.empty()) fail("nothing was measured");
    return passed;
}

ClockMargins RealReport::margins() const {
    ClockMargins m;
    for (const CallRow& r : calls_) m.widen(r.margins);
    for (const SustainedRun& s : runs_) m.widen(s.margins);
    return m;
}

void RealReport::print_table(std::FILE* out) const {
    std::fprintf(out, "%-6s %-44s %9s %9s %6s %8s %26s %26s %9s\n", "device", "operation", "bridge us", "raw us",
                 "ratio", "own us", "bridge latency med/p99/max", "raw latency med/p99/max", "reports");
    for (const CallRow& r : calls_) {
        char bridge_latency[48], raw_latency[48];
        std::snprintf(bridge_latency, sizeof bridge_latency, "%.0f/%.0f/%.0f", r.bridge.latency_us.median,
                      r.bridge.latency_us.p99, r.bridge.latency_us.max);
        std::snprintf(raw_latency, sizeof raw_latency, "%.0f/%.0f/%.0f", r.raw.latency_us.median, r.raw.latency_us.p99,
                      r.raw.latency_us.max);
        std::fprintf(out, "%-6s %-44s %9.1f %9.1f %6.3f %8.2f %26s %26s %9s  %s%s%s%s\n", r.device.c_str(),
                     r.operation.c_str(), r.bridge.call_us, r.raw.call_us, r.ratio(), r.own_us, bridge_latency,
                     raw_latency, reports_text(r.bridge).c_str(), r.kinds.c_str(),
                     r.kinds == r.raw_kinds ? "" : "; raw: ", r.kinds == r.raw_kinds ? "" : r.raw_kinds.c_str(),
                     r.ok ? "" : "  (calls failed)");
    }
    std::fprintf(out, "\npoll latency: input report at the driver until a poll shows it (us, median/p99/max)\n");
    for (const PollRow& p : polls_)
        std::fprintf(out, "  %4d Hz: bridge %.0f/%.0f/%.0f, raw %.0f/%.0f/%.0f, %d trials each, %d unseen\n",
                     p.rate_hz, p.bridge_us.median, p.bridge_us.p99, p.bridge_us.max, p.raw_us.median, p.raw_us.p99,
                     p.raw_us.max, p.trials, p.unseen);
    std::fprintf(out, "\nsustained updates of a playing constant force (us unless stated)\n");
    for (const SustainedRun& s : runs_)
        std::fprintf(out,
                     "  %4d Hz: %d updates in %.2f s, reports/update %d-%d, lost %d, extra %d; latency "
                     "%.0f/%.0f/%.0f (first tenth %.0f, last %.0f); late %.0f/%.0f/%.0f, %.1f%% by more than a "
                     "period; CPU/update thread %.0f, process %.0f; handles %ld -> %ld; private %.0f -> %.0f KiB\n",
                     s.rate_hz, s.updates, s.seconds, s.reports_min, s.reports_max, s.lost, s.extra,
                     s.latency_us.median, s.latency_us.p99, s.latency_us.max, s.latency_first_us, s.latency_last_us,
                     s.lateness_us.median, s.lateness_us.p99, s.lateness_us.max, s.late_share * 100, s.thread_cpu_us,
                     s.process_cpu_us, s.handles_start, s.handles_end, s.private_kib_start, s.private_kib_end);
    const ClockMargins m = margins();
    if (m.seen())
        std::fprintf(out,
                     "\nclock: a call's first report came at least %.1f us after its entry, its last at least %.1f us "
                     "before its return\n",
                     m.lead_us, m.trail_us);
    for (const std::string& f : failures_) std::fprintf(out, "not measured: %s\n", f.c_str());
}

void RealReport::print_json(std::FILE* out, const char* mode) const {
    std::fprintf(out,
                 "{\"bench\":\"gantrel-bench-real\",\"gantrel\":\"%s\",\"mode\":\"%s\",\"wine\":\"%s\","
                 "\"arch\":\"%s\",\"calls\":[",
                 GANTREL_VERSION_STRING, mode, wine_.c_str(), arch_.c_str());
    for (size_t i = 0; i < calls_.size(); ++i) {
        const CallRow& r = calls_[i];
        std::fprintf(out,
                     "%s{\"device\":\"%s\",\"operation\":\"%s\",\"rounds\":%d,\"ratio\":%.4f,\"own_us\":%.2f,"
                     "\"ok\":%s,\"outside\":%zu,\"mismatched\":%d,\"unexpected\":%d,\"kinds\":\"%s\",\"raw_kinds\":\"%s\",",
                     i ? "," : "", r.device.c_str(), r.operation.c_str(), r.rounds, r.ratio(), r.own_us, yes(r.ok),
                     r.outside, r.mismatched, r.unexpected, r.kinds.c_str(), r.raw_kinds.c_str());
        json_side(out, "bridge", r.bridge);
        std::fputc(',', out);
        json_side(out, "raw", r.raw);
        std::fputc('}', out);
    }
    std::fprintf(out, "],\"polls\":[");
    for (size_t i = 0; i < polls_.size(); ++i) {
        const PollRow& p = polls_[i];
        std::fprintf(out, "%s{\"rate_hz\":%d,\"trials\":%d,\"unseen\":%d,", i ? "," : "", p.rate_hz, p.trials,
                     p.unseen);
        json_spread(out, "bridge_us", p.bridge_us);
        std::fputc(',', out);
        json_spread(out, "raw_us", p.raw_us);
        std::fprintf(out, ",\"bridge_distribution\":");
        json_numbers(out, p.bridge_distribution);
        std::fprintf(out, ",\"raw_distribution\":");
        json_numbers(out, p.raw_distribution);
        std::fputc('}', out);
    }
    std::fprintf(out, "],\"sustained\":[");
    for (size_t i = 0; i < runs_.size(); ++i) {
        const SustainedRun& s = runs_[i];
        std::fprintf(out,
                     "%s{\"rate_hz\":%d,\"updates\":%d,\"seconds\":%.3f,\"ok\":%s,\"reports_min\":%d,"
                     "\"reports_max\":%d,\"reports_mean\":%.3f,\"lost\":%d,\"extra\":%d,\"outside\":%zu,",
                     i ? "," : "", s.rate_hz, s.updates, s.seconds, yes(s.ok), s.reports_min, s.reports_max,
                     s.reports_mean, s.lost, s.extra, s.outside);
        json_spread(out, "latency_us", s.latency_us);
        std::fputc(',', out);
        json_spread(out, "lateness_us", s.lateness_us);
        std::fprintf(out,
                     ",\"late_share\":%.4f,\"thread_cpu_us\":%.1f,\"process_cpu_us\":%.1f,\"handles_start\":%ld,"
                     "\"handles_end\":%ld,\"private_kib_start\":%.0f,\"private_kib_end\":%.0f,"
                     "\"latency_first_us\":%.1f,\"latency_last_us\":%.1f,\"tenths_median_us\":",
                     s.late_share, s.thread_cpu_us, s.process_cpu_us, s.handles_start, s.handles_end,
                     s.private_kib_start, s.private_kib_end, s.latency_first_us, s.latency_last_us);
        json_numbers(out, s.tenths_median_us);
        std::fprintf(out, ",\"latency_distribution\":");
        json_numbers(out, s.latency_distribution);
        std::fputc('}', out);
    }
    const ClockMargins m = margins();
    std::fprintf(out, "],\"clock_lead_us\":%.2f,\"clock_trail_us\":%.2f,\"not_measured\":%zu,\"log_overflow\":%s}\n",
                 m.seen() ? m.lead_us : -1, m.seen() ? m.trail_us : -1, failures_.size(), yes(log_overflow_));
}

}  // namespace bench
