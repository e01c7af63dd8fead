#include "row_figures.h"

#include <algorithm>
#include <map>

namespace bench {
namespace {

bool meets(const ReportCounts& c, const Expect& e) {
    return (e.type_specific < 0 || c.type_specific == e.type_specific) && (e.start < 0 || c.start == e.start) &&
           (e.stop < 0 || c.stop == e.stop);
}

SideFigures side_figures(const std::vector<const CallWindow*>& calls, bool with_distribution) {
    SideFigures f;
    std::vector<double> durations, latencies;
    long reports = 0;
    f.reports_min = calls.empty() ? 0 : static_cast<int>(calls.front()->reports.size());
    for (const CallWindow* c : calls) {
        durations.push_back(duration_us(*c));
        if (!c->reports.empty()) latencies.push_back(latency_us(*c));
        const int n = static_cast<int>(c->reports.size());
        reports += n;
        f.reports_min = std::min(f.reports_min, n);
        f.reports_max = std::max(f.reports_max, n);
    }
    f.call_us = spread(durations).median;
    f.latency_us = spread(latencies);
    f.reports_mean = calls.empty() ? 0 : static_cast<double>(reports) / static_cast<double>(calls.size());
    if (with_distribution && !latencies.empty()) f.latency_distribution = distribution(latencies);
    return f;
}

}  // namespace

CallRow row_figures(const std::string& device, const std::string& operation, int op,
                    const std::vector<CallWindow>& calls, const ReportReader& reader, Expect expect) {
    CallRow row;
    row.device = device;
    row.operation = operation;
    std::map<int, const CallWindow*> bridge_by_round, raw_by_round;
    std::vector<const CallWindow*> bridge, raw;
    for (const CallWindow& c : calls) {
        if (c.op != op) continue;
        row.ok = row.ok && c.ok;
        row.margins.widen(c);
        (c.side == kBridge ? bridge : raw).push_back(&c);
        (c.side == kBridge ? bridge_by_round : raw_by_round)[c.round] = &c;
    }
    row.rounds = static_cast<int>(bridge.size());
    const bool pictured = operation.rfind("dib_effect_update", 0) == 0;
    row.bridge = side_figures(bridge, pictured);
    row.raw = side_figures(raw, pictured);

    if (!bridge.empty()) row.kinds = reader.kinds(bridge.front()->reports);
    if (!raw.empty()) row.raw_kinds = reader.kinds(raw.front()->reports);
    std::vector<double> differences;
    for (const auto& [round, b] : bridge_by_round) {
        const ReportCounts counts = reader.count(b->reports);
        if (!meets(counts, expect)) ++row.unexpected;
        const auto r = raw_by_round.find(round);
        if (r == raw_by_round.end()) continue;
        differences.push_back(duration_us(*b) - duration_us(*r->second));
        if (expect.like_raw && !(counts == reader.count(r->second->reports))) ++row.mismatched;
    }
    row.own_us = spread(differences).median;
    return row;
}

}  // namespace bench
