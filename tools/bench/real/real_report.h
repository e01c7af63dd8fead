#pragma once
// The real-path bench's results: per-call rows (bridge against raw
// DirectInput on the same device), poll latency, sustained update runs.
// Printed as a table and as one JSON object; --check judges counts only.
#include <cstdio>
#include <string>
#include <vector>

#include "call_windows.h"

namespace bench {

struct SideFigures {
    double call_us = 0;          // median duration of the call
    Spread latency_us;           // entry to the call's last report at the device
    int reports_min = 0, reports_max = 0;
    double reports_mean = 0;
    std::vector<double> latency_distribution;
};

struct CallRow {
    std::string device;          // "wheel", "stick", or "all" for enumeration
    std::string operation;
    int rounds = 0;
    SideFigures bridge, raw;
    double own_us = 0;           // median over the rounds of bridge minus raw
    std::string kinds;           // what the bridge's first call sent, in order
    std::string raw_kinds;       // and raw DirectInput's
    bool ok = true;              // every call on both sides succeeded
    size_t outside = 0;          // reports that fell in no call's window
    ClockMargins margins;
    int mismatched = 0;          // rounds in which the bridge's call sent other reports than raw's
    int unexpected = 0;          // bridge calls without the reports the operation must send
    double ratio() const { return raw.call_us > 0 ? bridge.call_us / raw.call_us : 0; }
};

struct PollRow {
    int rate_hz = 0;
    int trials = 0;              // per side
    Spread bridge_us, raw_us;    // push returned to the first poll that shows it, returned
    int unseen = 0;              // pushes no poll showed within a second
    std::vector<double> bridge_distribution, raw_distribution;
};

struct SustainedRun {
    int rate_hz = 0;
    int updates = 0;
    double seconds = 0;          // as long as it took
    Spread latency_us;           // entry to the update's last report at the device
    Spread lateness_us;          // entry after the update's slot
    double late_share = 0;       // updates that began more than one period after their slot
    int reports_min = 0, reports_max = 0;
    double reports_mean = 0;
    int lost = 0;                // updates whose force report did not arrive
    int extra = 0;               // updates with more than one force report
    size_t outside = 0;
    ClockMargins margins;
    double thread_cpu_us = 0;    // CPU time of the updating thread, per update
    double process_cpu_us = 0;   // of the whole process, per update
    long handles_start = 0, handles_end = 0;
    double private_kib_start = 0, private_kib_end = 0;
    double latency_first_us = 0, latency_last_us = 0;  // medians of the first and last tenth
    bool ok = true;
    std::vector<double> latency_distribution;
    std::vector<double> tenths_median_us;                // latency median per tenth of the run
};

class RealReport {
public:
    void add(CallRow row) { calls_.push_back(std::move(row)); }
    void add(PollRow row) { polls_.push_back(std::move(row)); }
    void add(SustainedRun run) { runs_.push_back(std::move(run)); }
    void fail(const std::string& what) { failures_.push_back(what); }
    void lost_log() { log_overflow_ = true; }
    // What it ran on: Wine's version ("" outside Wine) and the architecture.
    void set_platform(const std::string& wine, const char* arch) {
        wine_ = wine;
        arch_ = arch;
    }

    // Counts only: every call succeeded, every report was found in a call,
    // the bridge sent what raw DirectInput sends, every update, start and
    // stop reached the device exactly once, every poll saw its input, and
    // handles and memory grew by no more than Wine's own odd handle or
    // page. Prints what failed.
    bool check(std::FILE* out) const;

    // The tightest margins of every call with reports.
    ClockMargins margins() const;
    void print_table(std::FILE* out) const;
    void print_json(std::FILE* out, const char* mode) const;

private:
    std::vector<CallRow> calls_;
    std::vector<PollRow> polls_;
    std::vector<SustainedRun> runs_;
    std::vector<std::string> failures_;
    bool log_overflow_ = false;
    std::string wine_, arch_;
};

}  // namespace bench
