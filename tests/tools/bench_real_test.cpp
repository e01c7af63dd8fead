// The real-path bench's bookkeeping, on which its count check in the suite
// rests: which call each device report belongs to, what a row makes of its
// calls, which faults fail the check, and its nearest-rank percentiles.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "call_windows.h"
#include "real_report.h"
#include "row_figures.h"

using namespace bench;

namespace {

CallWindow window(LONGLONG entry, LONGLONG exit) {
    CallWindow w;
    w.entry = entry;
    w.exit = exit;
    return w;
}

VWheelLogEntry stamped(LONGLONG time, unsigned char kind = 0) {
    VWheelLogEntry e = {};
    e.time = time;
    e.bytes[0] = kind;
    return e;
}

// Reports named by their first byte: 'E' set effect, 'F' a force, 'S' a
// start, 'T' a stop.
class LetterReader : public ReportReader {
public:
    ReportCounts count(const std::vector<VWheelLogEntry>& reports) const override {
        ReportCounts c;
        for (const VWheelLogEntry& e : reports) {
            ++c.total;
            c.set_effect += e.bytes[0] == 'E';
            c.type_specific += e.bytes[0] == 'F';
            c.start += e.bytes[0] == 'S';
            c.stop += e.bytes[0] == 'T';
        }
        return c;
    }
    std::string kinds(const std::vector<VWheelLogEntry>& reports) const override {
        std::string out;
        for (const VWheelLogEntry& e : reports) out += static_cast<char>(e.bytes[0]);
        return out;
    }
};

// A call of `ticks` length whose reports are `letters`, one tick apart.
CallWindow call(int op, Side side, int round, LONGLONG ticks, const std::string& letters) {
    static LONGLONG clock = 0;
    CallWindow w = window(clock, clock + ticks);
    w.op = op;
    w.side = side;
    w.round = round;
    for (size_t i = 0; i < letters.size(); ++i) w.reports.push_back(stamped(clock + 1 + i, letters[i]));
    clock += ticks + 100;
    return w;
}

}  // namespace

TEST(BenchWindows, EveryReportGoesToTheCallThatEnclosesItsStamp) {
    struct Case {
        const char* what;
        std::vector<LONGLONG> stamps;
        std::vector<size_t> per_call;  // reports of calls [10,20], [20,30], [40,50]
        size_t outside;
    };
    const Case cases[] = {
        {"no reports", {}, {0, 0, 0}, 0},
        {"at entry and at return", {10, 50}, {1, 0, 1}, 0},
        {"a shared edge stays with the earlier call", {20}, {1, 0, 0}, 0},
        {"before, between and after the calls", {9, 35, 51}, {0, 0, 0}, 3},
        {"several in one call, in order", {21, 25, 29, 41}, {0, 3, 1}, 0},
    };
    for (const Case& c : cases) {
        std::vector<CallWindow> calls = {window(10, 20), window(20, 30), window(40, 50)};
        std::vector<VWheelLogEntry> log;
        for (LONGLONG t : c.stamps) log.push_back(stamped(t));
        EXPECT_EQ(attribute(calls, log), c.outside) << c.what;
        for (size_t i = 0; i < calls.size(); ++i) EXPECT_EQ(calls[i].reports.size(), c.per_call[i]) << c.what;
    }
    std::vector<CallWindow> none;
    EXPECT_EQ(attribute(none, {stamped(1), stamped(2)}), 2u) << "no call to go to";
}

TEST(BenchWindows, LatencyAndClockMarginsComeFromTheCallsReports) {
    CallWindow call = window(1000, 9000);
    EXPECT_EQ(latency_us(call), -1) << "a call without reports has none";
    call.reports = {stamped(3000), stamped(5000)};
    EXPECT_DOUBLE_EQ(latency_us(call), ticks_to_us(4000));

    // The clock margins keep the tightest call: here the second.
    ClockMargins margins;
    margins.widen(call);
    CallWindow tight = window(10000, 10500);
    tight.reports = {stamped(10100), stamped(10400)};
    margins.widen(tight);
    margins.widen(window(20000, 20001));  // no reports: no margin
    EXPECT_DOUBLE_EQ(margins.lead_us, ticks_to_us(100));
    EXPECT_DOUBLE_EQ(margins.trail_us, ticks_to_us(100));
}

TEST(BenchWindows, SpreadsTakeTheNearestRank) {
    std::vector<double> hundred;
    for (int v = 100; v >= 1; --v) hundred.push_back(v);  // unsorted on purpose
    const Spread s = spread(hundred);
    EXPECT_EQ(s.count, 100u);
    EXPECT_EQ(s.median, 50);
    EXPECT_EQ(s.p99, 99);
    EXPECT_EQ(s.max, 100);

    const Spread one = spread({7});
    EXPECT_EQ(one.median, 7);
    EXPECT_EQ(one.p99, 7);
    const Spread empty = spread({});
    EXPECT_EQ(empty.count, 0u);
    EXPECT_EQ(empty.max, 0);

    // Every whole per cent, with 99.9% after 99%: the pictures' points.
    const std::vector<double> d = distribution(hundred);
    ASSERT_EQ(d.size(), 102u);
    EXPECT_EQ(d[0], 1);
    EXPECT_EQ(d[50], 50);
    EXPECT_EQ(d[100], 100) << "99.9% of a hundred calls is the slowest";
    EXPECT_EQ(d[101], 100);
}

TEST(BenchRows, TheBridgeMustSendWhatRawSendsAndWhatItsOperationNeeds) {
    const std::vector<CallWindow> calls = {
        call(0, kBridge, 0, 50, "EF"), call(0, kRaw, 0, 50, "EF"),
        call(0, kRaw, 1, 50, "F"),     call(0, kBridge, 1, 50, "EF"),  // raw sent less
        call(0, kBridge, 2, 50, "E"),  call(0, kRaw, 2, 50, "EF"),     // the bridge's force went missing
        call(1, kBridge, 0, 50, ""),   call(1, kRaw, 0, 50, "TTT"),    // another operation of the row
    };
    const LetterReader reader;
    Expect one_force;
    one_force.type_specific = 1;
    CallRow row = row_figures("wheel", "update", 0, calls, reader, one_force);
    EXPECT_EQ(row.rounds, 3);
    EXPECT_EQ(row.mismatched, 2);
    EXPECT_EQ(row.unexpected, 1);
    EXPECT_EQ(row.bridge.reports_min, 1);
    EXPECT_EQ(row.bridge.reports_max, 2);
    EXPECT_EQ(row.kinds, "EF");

    one_force.like_raw = false;  // a comparison, not the same calls
    row = row_figures("wheel", "update", 0, calls, reader, one_force);
    EXPECT_EQ(row.mismatched, 0);
    EXPECT_EQ(row.unexpected, 1);

    Expect one_stop;
    one_stop.stop = 1;
    EXPECT_EQ(row_figures("wheel", "stop", 1, calls, reader, one_stop).unexpected, 1) << "a stop that sent nothing";
}

TEST(BenchRows, WhatTheBridgeAddsPairsEachRoundsCalls) {
    // Raw calls listed in another order than the bridge's: pairs go by round.
    const std::vector<CallWindow> calls = {
        call(0, kBridge, 0, 10, ""), call(0, kBridge, 1, 20, ""), call(0, kBridge, 2, 90, ""),
        call(0, kRaw, 2, 6, ""),     call(0, kRaw, 0, 5, ""),     call(0, kRaw, 1, 4, ""),
    };
    const CallRow row = row_figures("stick", "start", 0, calls, LetterReader(), Expect());
    EXPECT_DOUBLE_EQ(row.own_us, ticks_to_us(16)) << "differences 5, 16 and 84";
    EXPECT_DOUBLE_EQ(row.bridge.call_us, ticks_to_us(20));
    EXPECT_DOUBLE_EQ(row.raw.call_us, ticks_to_us(5));
    EXPECT_EQ(row.bridge.latency_us.count, 0u) << "no reports, no latency";
}

TEST(BenchCheck, EveryFaultFailsTheCheckAndNothingElseDoes) {
    CallRow clean_row;
    clean_row.operation = "dib_effect_update constant";
    clean_row.device = "wheel";
    SustainedRun clean_run;
    clean_run.rate_hz = 1000;
    clean_run.handles_start = clean_run.handles_end = 40;
    clean_run.private_kib_start = clean_run.private_kib_end = 9000;
    PollRow clean_poll;

    struct Fault {
        const char* what;
        std::function<void(CallRow&, SustainedRun&, PollRow&, RealReport&)> make;
        bool passes = false;
    };
    const Fault faults[] = {
        {"none", [](CallRow&, SustainedRun&, PollRow&, RealReport&) {}, true},
        {"Wine's odd handle and pages",
         [](CallRow&, SustainedRun& s, PollRow&, RealReport&) {
             s.handles_end += 2;
             s.private_kib_end += 32;
         },
         true},
        {"a call failed", [](CallRow& c, SustainedRun&, PollRow&, RealReport&) { c.ok = false; }},
        {"a report outside every call", [](CallRow& c, SustainedRun&, PollRow&, RealReport&) { c.outside = 1; }},
        {"other reports than raw", [](CallRow& c, SustainedRun&, PollRow&, RealReport&) { c.mismatched = 1; }},
        {"a call without its report", [](CallRow& c, SustainedRun&, PollRow&, RealReport&) { c.unexpected = 1; }},
        {"an update failed", [](CallRow&, SustainedRun& s, PollRow&, RealReport&) { s.ok = false; }},
        {"a force lost", [](CallRow&, SustainedRun& s, PollRow&, RealReport&) { s.lost = 1; }},
        {"a force sent twice", [](CallRow&, SustainedRun& s, PollRow&, RealReport&) { s.extra = 1; }},
        {"a late report", [](CallRow&, SustainedRun& s, PollRow&, RealReport&) { s.outside = 1; }},
        {"three handles kept", [](CallRow&, SustainedRun& s, PollRow&, RealReport&) { s.handles_end += 3; }},
        {"36 KiB kept", [](CallRow&, SustainedRun& s, PollRow&, RealReport&) { s.private_kib_end += 36; }},
        {"an input never seen", [](CallRow&, SustainedRun&, PollRow& p, RealReport&) { p.unseen = 1; }},
        {"a step not measured", [](CallRow&, SustainedRun&, PollRow&, RealReport& r) { r.fail("opening"); }},
        {"the log overflowed", [](CallRow&, SustainedRun&, PollRow&, RealReport& r) { r.lost_log(); }},
    };
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    for (const Fault& f : faults) {
        CallRow row = clean_row;
        SustainedRun run = clean_run;
        PollRow poll = clean_poll;
        RealReport report;
        f.make(row, run, poll, report);
        report.add(row);
        report.add(run);
        report.add(poll);
        EXPECT_EQ(report.check(out), f.passes) << f.what;
    }
    EXPECT_FALSE(RealReport().check(out)) << "nothing measured";
    std::fclose(out);
}
