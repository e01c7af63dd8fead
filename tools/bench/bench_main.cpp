// gantrel-bench: what each bridge call costs next to the DirectInput calls it
// wraps, measured on the simulated DirectInput in one run on one thread.
//
//   gantrel-bench [--quick] [--json] [--check] [--rounds N]
//
// --quick  few, short rounds (for the test suite)
// --json   print only the JSON object, not the table
// --check  exit with 1 unless every call succeeded, the allocation counter
//          saw gantrel.dll allocate somewhere, the hot paths never did and
//          enumeration made at most one allocation per device (timings
//          never decide the exit code)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "bench_cases.h"
#include "gantrel_sim.h"
#include "heap_counter.h"

namespace {

struct Options {
    bool quick = false;
    bool json_only = false;
    bool check = false;
    int rounds = 0;
};

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--quick")) o.quick = true;
        else if (!std::strcmp(argv[i], "--json")) o.json_only = true;
        else if (!std::strcmp(argv[i], "--check")) o.check = true;
        else if (!std::strcmp(argv[i], "--rounds") && i + 1 < argc) o.rounds = std::atoi(argv[++i]);
        else return false;
    }
    if (o.rounds <= 0) o.rounds = o.quick ? 9 : 101;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr, "usage: gantrel-bench [--quick] [--json] [--check] [--rounds N]\n");
        return 2;
    }
    // The call log would cost both sides alike, but grows: keep it off.
    gsim_log_enable(FALSE);
    if (!simtest::install_heap_counter(GetModuleHandleA("gantrel.dll"))) {
        std::fprintf(stderr, "gantrel-bench: cannot count gantrel.dll's allocations\n");
        return 1;
    }
    bench::RawDirectInput raw;
    if (!raw.create()) {
        std::fprintf(stderr, "gantrel-bench: no DirectInput (is the simulated dinput8.dll in use?)\n");
        return 1;
    }
    // First use creates the bridge's DirectInput instance; not a cost per call.
    char first[8];
    dib_enumerate(first, sizeof first);

    const bench::PairedTimer timer(options.rounds, options.quick ? 100 : 500);
    bench::Report report;
    bench::Bench b{raw, timer, report};
    bench::measure_hot_paths(b);
    bench::measure_device_calls(b);
    bench::measure_scaling(b);

    if (!options.json_only) report.print_table(stdout);
    report.print_json(stdout, options.quick ? "quick" : "full", options.rounds);

    if (!options.check) return report.complete() ? 0 : 1;
    const bench::Verdict v = report.verdict();
    bool passed = true;
    if (!report.complete()) passed = false, std::fprintf(stderr, "check: a call failed or a step was not measured\n");
    if (!report.counter_counted()) passed = false, std::fprintf(stderr, "check: the allocation counter saw nothing\n");
    if (!v.allocations_met())
        passed = false, std::fprintf(stderr, "check: %ld allocations on the hot paths\n", v.hot_allocations);
    if (!v.enumerate_met())
        passed = false, std::fprintf(stderr, "check: dib_enumerate of %d devices made %.1f allocations per call\n",
                                     v.listed, v.enumerate_allocations);
    return passed ? 0 : 1;
}
