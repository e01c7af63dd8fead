// gantrel-bench-real: what a force costs on its way to the motor, through
// Wine's own DirectInput to the virtual HID wheel and stick of the test
// suite, whose driver stamps every report it receives.
//
//   gantrel-bench-real [--quick] [--check] [--json] [--rounds N] [--seconds S] [--soak S]
//
// --quick    few rounds, sustained runs of 1 s at 250 Hz and 5 s at 1000 Hz
//            (for the test suite)
// --check    exit with 1 unless every count is right (see RealReport::check);
//            timings never decide the exit code
// --json     print only the JSON object, not the table
// --rounds   rounds per effect-call row (default 1001, quick 41)
// --seconds  length of each sustained run (default 10, quick 1)
// --soak     one more run at 1000 Hz of that many seconds
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "real_cases.h"

namespace {

struct Options {
    bool quick = false;
    bool check = false;
    bool json_only = false;
    int rounds = 0;
    double seconds = 0;
    double soak = 0;
};

bool parse(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        const bool has_value = i + 1 < argc;
        if (!std::strcmp(argv[i], "--quick")) o.quick = true;
        else if (!std::strcmp(argv[i], "--check")) o.check = true;
        else if (!std::strcmp(argv[i], "--json")) o.json_only = true;
        else if (!std::strcmp(argv[i], "--rounds") && has_value) o.rounds = std::atoi(argv[++i]);
        else if (!std::strcmp(argv[i], "--seconds") && has_value) o.seconds = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--soak") && has_value) o.soak = std::atof(argv[++i]);
        else return false;
    }
    if (o.rounds <= 0) o.rounds = o.quick ? 41 : 1001;
    if (o.seconds <= 0) o.seconds = o.quick ? 1 : 10;
    return true;
}

std::string wine_version() {
    using Getter = const char*(CDECL*)();
    const FARPROC proc = GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version");
    return proc ? reinterpret_cast<Getter>(reinterpret_cast<void (*)()>(proc))() : "";
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr,
                     "usage: gantrel-bench-real [--quick] [--check] [--json] [--rounds N] [--seconds S] [--soak S]\n");
        return 2;
    }
    bench::RawDirectInput raw;
    if (!raw.create()) {
        std::fprintf(stderr, "gantrel-bench-real: no DirectInput\n");
        return 1;
    }
    bench::Target targets[] = {{"wheel", 1, "", nullptr, nullptr},
                               {"stick", 2, "", nullptr, nullptr},
                               {"multi", 2, "", nullptr, nullptr}};
    const vwheel::Variant* variants[] = {&vwheel::kWheel, &vwheel::kStick, &vwheel::kMulti};
    for (int i = 0; i < 3; ++i) {
        bench::Target& t = targets[i];
        t.guid = bench::enumerated_guid(*variants[i]);
        t.view.reset(new bench::DeviceView(*variants[i]));
        t.log.reset(new bench::DeviceLog(*variants[i]));
        if (t.guid.empty() || !t.view->ready() || !t.log->start()) {
            std::fprintf(stderr,
                         "gantrel-bench-real: the virtual %s is missing (run in a prefix made by "
                         "wine-prefix.sh up --devices, with WINEDLLOVERRIDES=dinput8=b)\n",
                         t.name);
            return 1;
        }
    }

    bench::RealReport report;
    report.set_platform(wine_version(), sizeof(void*) == 8 ? "x64" : "x86");
    // Opening a device takes tens of milliseconds under Wine, enumerating
    // a second: fewer rounds for those.
    bench::RealBench b{raw,
                       report,
                       options.rounds,
                       options.quick ? 3 : 41,
                       options.quick ? 2 : 11,
                       options.quick ? 9 : 101,
                       options.seconds,
                       options.quick};
    bench::Target& wheel = targets[0];
    bench::Target& stick = targets[1];
    for (bench::Target* t : {&wheel, &stick}) bench::measure_effect_calls(b, *t);
    for (bench::Target* t : {&wheel, &stick}) bench::measure_device_calls(b, *t);
    bench::measure_enumeration(b, targets, 3);
    bench::measure_poll_latency(b, wheel);
    const int full_rates[] = {60, 250, 500, 1000};
    const int quick_rates[] = {250, 1000};
    // The quick 1000 Hz run is longer: thousands of updates, so that a
    // leak of one handle or allocation per update stands out.
    if (options.quick)
        for (int rate : quick_rates) bench::measure_sustained(b, wheel, rate, options.seconds * (rate == 1000 ? 5 : 1));
    else
        for (int rate : full_rates) bench::measure_sustained(b, wheel, rate, options.seconds);
    if (options.soak > 0) bench::measure_sustained(b, wheel, 1000, options.soak);
    for (const bench::Target& t : targets)
        if (t.log->may_have_lost()) report.lost_log();

    if (!options.json_only) report.print_table(stdout);
    report.print_json(stdout, options.quick ? "quick" : "full");
    if (options.check) return report.check(stderr) ? 0 : 1;
    return 0;
}
