// The real-path bench's bookkeeping: which call each device report belongs
// to (the CI count check rests on it) and its nearest-rank percentiles.
#include <gtest/gtest.h>

#include <vector>

#include "call_windows.h"

using namespace bench;

namespace {

CallWindow window(LONGLONG entry, LONGLONG exit) {
    CallWindow w;
    w.entry = entry;
    w.exit = exit;
    return w;
}

VWheelLogEntry stamped(LONGLONG time) {
    VWheelLogEntry e = {};
    e.time = time;
    return e;
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
