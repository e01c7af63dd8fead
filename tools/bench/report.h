#pragma once
// The benchmark's results: one row per measured operation, printed as a
// table and as one JSON object, and judged against the bridge's targets.
#include <cstdio>
#include <string>
#include <vector>

#include "paired_timer.h"

namespace bench {

// Which target a row is held to. Hot rows (poll, update, start, stop) must
// allocate nothing; poll and update may add at most 10% over raw; the own
// work of every hot call stays under a microsecond. Poll's own work is taken
// from its row with the message pump stubbed (own_work), as the pump's
// noise under Wine is far larger than the work measured. Enumeration makes at
// most one allocation per device listed.
enum class Target { poll, update, playback, own_work, none };

struct Row {
    std::string operation;  // "dib_poll", "dib_effect_update constant + envelope", ...
    std::string scale;      // "" for the main rows, else "open_devices" / "effects_in_use" / "devices"
    int scale_value = 0;
    Target target = Target::none;
    Timing timing;
};

struct Verdict {
    double poll_overhead_pct = 0;    // the ratio of the medians, mostly PeekMessageA's spread
    double poll_added_pct = 0;       // poll's own work (pump stubbed) over the raw poll with its pump
    double update_overhead_pct = 0;  // the worst update variant
    std::string update_worst;
    double own_ns = 0;               // the worst hot call
    std::string own_worst;
    long hot_allocations = 0;
    long hot_calls = 0;
    // dib_enumerate with the most devices measured: allocations per call and per device.
    int listed = 0;
    double enumerate_allocations = 0;
    bool poll_met() const { return poll_added_pct <= 10; }
    bool update_met() const { return update_overhead_pct <= 10; }
    bool allocations_met() const { return hot_allocations == 0; }
    bool enumerate_met() const { return listed > 0 && enumerate_allocations <= listed; }
    bool own_met() const { return own_ns < 1000; }
};

class Report {
public:
    void add(Row row) { rows_.push_back(std::move(row)); }
    // A benchmark step that could not be set up.
    void fail(const std::string& what) { failures_.push_back(what); }

    Verdict verdict() const;
    // Every call succeeded and every step could be set up.
    bool complete() const;
    // The counter saw allocations somewhere (opening, enumerating), so its
    // zeros on the hot rows mean something.
    bool counter_counted() const;

    void print_table(std::FILE* out) const;
    void print_json(std::FILE* out, const char* mode, int rounds) const;

private:
    std::vector<Row> rows_;
    std::vector<std::string> failures_;
};

}  // namespace bench
