// play: one effect, started for a while, stopped, destroyed, released.
#include "commands.h"
#include "device_session.h"
#include "effect_options.h"
#include "effect_run.h"
#include "help_text.h"
#include "interrupt.h"
#include "probe_errors.h"
#include "trace_files.h"

#include <cmath>
#include <cstdio>
#include <exception>

namespace probe {

namespace {

OptionTable play_option_table() {
    OptionTable options = effect_option_table();
    for (const char *name : {"seconds", "count", "map", "flip", "out", "sweep"}) options[name] = true;
    options["no-trace"] = false;
    options["strict"] = false;
    return options;
}

// The simulator swings the mapped axes during a condition, so that it has
// a position, speed and acceleration to answer.
void start_sweep(const TraceTarget &trace, const AxisMap &map, const ParsedArgs &args, unsigned play_ms) {
    std::vector<long> sweep = {3277, static_cast<long>(std::max(200u, play_ms))};
    if (args.has("sweep")) parse_long_list(args.value("sweep"), "--sweep", 0, 4096, 1, sweep);
    if (sweep[1] < 1) throw usage_error("--sweep: the period must be at least 1 ms");
    for (int32_t axis : map.axis)
        if (axis >= 0) trace.sim->move(trace.index, axis, 0, sweep[0], sweep[0] ? sweep[1] : 0);
}

std::string seconds_text(unsigned ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", ms / 1000.0);
    return text;
}

}  // namespace

int play_command(const std::vector<std::string> &words, Io &io) {
    const ParsedArgs args = parse_args("play", words, play_option_table());
    if (args.help) {
        io.out << help_text("play");
        return kExitOk;
    }
    if (args.positional.size() != 2) throw usage_error("play needs a DEVICE and an EFFECT, e.g. play 0 sine");
    const int32_t type = effect_type(args.positional[1]);
    const EffectParams params = effect_params(type, args);
    const long count = args.has("count") ? parse_long(args.value("count"), "--count", 1, 1000) : 1;
    unsigned play_ms = params.duration_ms > 0 ? static_cast<unsigned>(params.duration_ms * count) : 1000;
    if (args.has("seconds"))
        play_ms = static_cast<unsigned>(std::lround(parse_number(args.value("seconds"), "--seconds", 0.01, 3600) * 1000));
    const std::string folder = args.has("out") ? args.value("out") : "gantrel-probe-traces";

    const std::vector<DeviceEntry> devices = parse_device_list(enumerate_text());
    std::vector<GameController> unlisted;
    const DeviceChoice choice = choose_any_device(args.positional[0], devices, unlisted);
    OpenDevice device(choice);
    const AxisMap map = map_from_options(args, actuator_map(device.handle()));
    check_map_reaches_actuator(map, dib_ffb_axes(device.handle()), args.has("strict"), io);
    apply_map(device.handle(), map);

    TraceTarget trace;
    if (!args.has("no-trace")) {
        trace.sim = Simulator::find();
        if (trace.sim) trace.index = trace.sim->device_index(choice.guid);
        // A folder that cannot be made fails before anything plays.
        if (trace.active()) prepare_folder(folder);
    }
    const bool two_axes = map.axis[0] >= 0 && map.axis[1] >= 0;
    io.out << "Playing " << describe_effect(type, params, two_axes) << "\n  on " << choice.label()
           << (choice.entry ? " (" + choice.entry->name + ")" : "") << ", mapped axes " << map_text(map) << ", for "
           << seconds_text(play_ms) << ".\n" << std::flush;

    Effect effect(device.handle(), type, params);
    if (trace.active()) {
        trace.sim->record(trace.index, 1);
        if (is_condition(type)) start_sweep(trace, map, args, play_ms);
    }
    effect.start(count);
    // Ctrl-C ends the play early; the trace still shows what was played.
    std::exception_ptr cut;
    try {
        let_time_pass(device.handle(), play_ms, trace, true);
    } catch (const Interrupted &) {
        cut = std::current_exception();
    }
    effect.stop();
    effect.destroy();
    device.release();
    io.out << "Stopped and destroyed the effect, released the device.\n";

    if (!trace.active()) {
        io.out << "No force trace: the loaded DirectInput is not the simulator"
               << (args.has("no-trace") ? " (or --no-trace was given).\n" : ".\n");
        if (cut) std::rethrow_exception(cut);
        return kExitOk;
    }
    const ForceTrace t = trace.sim->trace(trace.index);
    trace.sim->stop(trace.index);
    const std::string title = std::string(effect_name(type)) + " on " +
                              (choice.entry ? choice.entry->name : choice.guid) + ", mapped axes " + map_text(map);
    const std::vector<std::string> files = write_trace_files(
        t, folder, unused_stem(folder, effect_name(type)), title, describe_effect(type, params, two_axes), is_condition(type));
    io.out << "Force on the simulated device: " << push_summary(t) << ".\n";
    for (const std::string &f : files) io.out << "  wrote " << f << "\n";
    if (cut) {
        note_cleanup("wrote the force trace up to " + seconds_text(t.time_ms.empty() ? 0 : static_cast<unsigned>(t.time_ms.back())));
        std::rethrow_exception(cut);
    }
    return kExitOk;
}

}  // namespace probe
