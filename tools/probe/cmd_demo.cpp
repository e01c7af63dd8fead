// demo: a guided tour on the simulated DirectInput's default devices.
#include "commands.h"
#include "device_session.h"
#include "effect_options.h"
#include "effect_run.h"
#include "gantrel.h"
#include "help_text.h"
#include "interrupt.h"
#include "poll_view.h"
#include "probe_errors.h"
#include "trace_files.h"

#include <cstdio>
#include <cstring>

namespace probe {

namespace {

struct Tour {
    Io &io;
    const Simulator &sim;
    std::string folder;
    int picture = 0;
    std::vector<std::string> pictures;

    void heading(const std::string &text) { io.out << "\n== " << text << "\n"; }
    void say(const std::string &text) { io.out << text << "\n"; }

    // The step now playing; its trace is written when it ends, or when
    // Ctrl-C ends it early.
    struct Picture {
        TraceTarget target;
        std::string name, title, detail;
        bool with_position = false, open = false;
    } current;

    // Starts the trace of a step on the simulator's clock.
    void begin_picture(const TraceTarget &target, const std::string &name, const std::string &title,
                       const std::string &detail, bool with_position) {
        current = {target, name, title, detail, with_position, true};
        sim.record(target.index, 1);
    }

    // Writes the step's trace and says where it went.
    void keep_picture() {
        current.open = false;
        char stem[64];
        std::snprintf(stem, sizeof stem, "%02d-%s", ++picture, current.name.c_str());
        const ForceTrace t = sim.trace(current.target.index);
        write_trace_files(t, folder, stem, current.title, current.detail, current.with_position);
        pictures.push_back(std::string(stem) + ".svg");
        say("   Measured: " + push_summary(t) + ".  Picture: " + stem + ".svg");
    }
};

EffectParams blank() {
    EffectParams p;
    std::memset(&p, 0, sizeof p);
    p.gain = 4096;
    return p;
}

EffectParams wave(int32_t magnitude, int32_t period_ms) {
    EffectParams p = blank();
    p.periodic_magnitude = magnitude;
    p.period_ms = period_ms;
    return p;
}

EffectParams condition(int32_t coefficient, int32_t saturation, int32_t deadband) {
    EffectParams p = blank();
    for (ConditionAxisParams &c : p.cond) {
        c.enabled = 1;
        c.positive_coefficient = c.negative_coefficient = coefficient;
        c.positive_saturation = c.negative_saturation = saturation;
        c.deadband = deadband;
    }
    return p;
}

struct Step {
    int32_t type;
    EffectParams params;
    unsigned play_ms;
    const char *sentence;
};

std::vector<Step> effect_steps() {
    EffectParams constant = blank();
    constant.constant_magnitude = 3072;
    constant.duration_ms = 800;
    constant.use_envelope = 1;
    constant.attack_ms = 200;
    constant.fade_ms = 300;
    EffectParams triangle = wave(2048, 250);
    triangle.periodic_offset = 1024;
    EffectParams sawdown = wave(2048, 250);
    sawdown.duration_ms = 750;
    sawdown.use_envelope = 1;
    sawdown.attack_level = 2048;
    sawdown.fade_ms = 250;
    return {
        {DIB_EFFECT_CONSTANT, constant, 1000,
         "A constant force of 3072 lasting 800 ms, rising from 0 over its first 200 ms (the envelope's attack)\n"
         "   and falling back to 0 over its last 300 ms (the fade). On a one-axis wheel the force comes from\n"
         "   the +X side, so it pushes the wheel left: negative push. Nothing is left after 800 ms."},
        {DIB_EFFECT_SQUARE, wave(2048, 250), 750,
         "A square wave, magnitude 2048, one cycle every 250 ms: full push one way, then the other."},
        {DIB_EFFECT_SINE, wave(2048, 250), 750, "A sine wave, magnitude 2048, period 250 ms, from phase 0."},
        {DIB_EFFECT_TRIANGLE, triangle, 750,
         "A triangle wave, magnitude 2048, period 250 ms, with an offset of 1024 that shifts its centre."},
        {DIB_EFFECT_SAWTOOTHUP, wave(2048, 250), 750,
         "A sawtooth that climbs from one extreme to the other each 250 ms, then drops back."},
        {DIB_EFFECT_SAWTOOTHDOWN, sawdown, 1000,
         "A falling sawtooth lasting 750 ms, at 2048 with a fade to 0 over its last 250 ms."},
        {DIB_EFFECT_SPRING, condition(4096, 2400, 400), 1000,
         "A spring (coefficient 4096, dead band 400, saturation 2400) while the simulator swings the wheel\n"
         "   between -80% and +80% once a second: no force near the centre, then a push back toward it that\n"
         "   grows with the distance until it is capped at 2400. The dashed line is the wheel's position."},
        {DIB_EFFECT_DAMPER, condition(2048, 4096, 0), 1000,
         "A damper (coefficient 2048): the push opposes the wheel's speed, strongest as it passes the centre."},
        {DIB_EFFECT_INERTIA, condition(4096, 4096, 0), 1000,
         "Inertia (coefficient 4096): the push opposes the wheel's acceleration, strongest at the turns."},
        {DIB_EFFECT_FRICTION, condition(1024, 4096, 0), 1000,
         "Friction (coefficient 1024): a steady push against the motion that changes side as the wheel turns back."},
    };
}

void watch_inputs(Tour &tour, const OpenDevice &wheel, const AxisMap &map, const TraceTarget &target, int hats) {
    tour.say(input_legend(map) +
             "The simulator turns the steering to and fro (one swing a second); a button and the hat are\n"
             "pressed along the way. Five polls, 125 ms apart on the simulator's clock:");
    tour.sim.record(target.index, 1);
    tour.sim.move(target.index, DIB_AXIS_X, 0, 3000, 1000);
    for (int i = 1; i <= 5; i++) {
        if (i == 3) tour.sim.set_button(target.index, 2, true);
        if (i == 4) tour.sim.set_hat(target.index, 0, 9000);
        tour.sim.advance(target.index, 125);
        InputReport report;
        const int32_t result = dib_poll(wheel.handle(), &report);
        if (result < 0) throw library_failure("dib_poll", result);
        tour.say("   " + report_line(i * 0.125, report, map, hats));
    }
    tour.sim.set_button(target.index, 2, false);
    tour.sim.set_hat(target.index, 0, -1);
    tour.sim.move(target.index, DIB_AXIS_X, 0, 0, 0);
}

void play_each_effect(Tour &tour, const OpenDevice &wheel, const TraceTarget &target) {
    tour.say("The simulator works out, on its own clock, the push each effect gives the wheel's motor: + turns\n"
             "the wheel right. DirectInput names the side a force comes from, so a positive force on a\n"
             "one-axis wheel pushes it left. Each effect is created, started, traced, stopped and destroyed.");
    for (const Step &step : effect_steps()) {
        tour.io.out << "\n-- " << effect_name(step.type) << "\n   " << step.sentence << "\n";
        tour.begin_picture(target, effect_name(step.type), std::string(effect_name(step.type)) + " on the wheel",
                           describe_effect(step.type, step.params, false), is_condition(step.type));
        if (is_condition(step.type)) tour.sim.move(target.index, DIB_AXIS_X, 0, 3277, 1000);
        Effect effect(wheel.handle(), step.type, step.params);
        effect.start(1);
        let_time_pass(wheel.handle(), step.play_ms, target, false);
        effect.stop();
        effect.destroy();
        tour.sim.move(target.index, DIB_AXIS_X, 0, 0, 0);
        tour.keep_picture();
    }
}

void update_while_playing(Tour &tour, const OpenDevice &wheel, const TraceTarget &target) {
    tour.say("A sine (magnitude 1024, period 200 ms) plays; after 500 ms dib_effect_update asks for magnitude\n"
             "3072 and period 100 ms. The wheel takes new values while playing, so the wave changes in place.");
    tour.begin_picture(target, "update", "sine updated while playing, on the wheel",
                       "after 500 ms dib_effect_update: magnitude 1024 -> 3072, period 200 -> 100 ms", false);
    EffectParams p = wave(1024, 200);
    Effect effect(wheel.handle(), DIB_EFFECT_SINE, p);
    effect.start(1);
    let_time_pass(wheel.handle(), 500, target, false);
    p.periodic_magnitude = 3072;
    p.period_ms = 100;
    effect.update(p);
    let_time_pass(wheel.handle(), 500, target, false);
    effect.stop();
    effect.destroy();
    tour.keep_picture();
}

void change_direction(Tour &tour, const DeviceChoice &stick, int index) {
    tour.say("The joystick (" + stick.entry->name + ") has two actuators, X and Y, so its effects take a direction:\n"
             "where the force comes from, clockwise from north (away from you). A constant force of 2048\n"
             "comes from 90 degrees (the right) and pushes X left; after 400 ms it is turned to 180 degrees\n"
             "(from you), which pushes Y away from you; after 400 more, to 225 degrees, shared by both axes.");
    OpenDevice device(stick);
    const AxisMap map = actuator_map(device.handle());
    apply_map(device.handle(), map);
    TraceTarget target{&tour.sim, tour.sim.device_index(stick.guid)};
    tour.begin_picture(target, "direction", "constant force turned while playing, on the joystick",
                       "magnitude 2048 from 90 degrees, at 400 ms from 180, at 800 ms from 225 (dib_effect_update)",
                       false);
    EffectParams p = blank();
    p.constant_magnitude = 2048;
    p.direction_deg = 90;
    Effect effect(device.handle(), DIB_EFFECT_CONSTANT, p);
    effect.start(1);
    for (int32_t direction : {180, 225, -1}) {
        let_time_pass(device.handle(), 400, target, false);
        if (direction < 0) break;
        p.direction_deg = direction;
        effect.update(p);
    }
    effect.stop();
    effect.destroy();
    tour.keep_picture();
    device.release();
    tour.say("   Released the joystick; the simulator reports its auto-centre " +
             std::string(tour.sim.autocenter_on(index) ? "back on." : "still off."));
}

void run_tour(Tour &tour) {
    Io &io = tour.io;
    const Simulator *sim = &tour.sim;
    tour.say("gantrel-probe demo: a tour of gantrel.dll on the simulated DirectInput's virtual devices.");
    tour.heading("1. Which force-feedback controllers does the library see?  (gantrel-probe list)");
    const std::vector<DeviceEntry> devices = parse_device_list(enumerate_text());
    if (devices.empty()) throw ProbeError(kExitNoDevice, "the simulator lists no force-feedback controller");
    print_device_table(devices, io);

    tour.heading("2. A closer look at device 0  (gantrel-probe info 0)");
    const DeviceChoice wheel_choice = choose_device("0", devices);
    print_device_info(wheel_choice, io);

    tour.heading("3. Opening device 0 and reading its inputs  (gantrel-probe poll 0)");
    OpenDevice wheel(wheel_choice);
    tour.say("Opened as handle " + std::to_string(wheel.handle()) + ".");
    const TraceTarget target{sim, sim->device_index(wheel_choice.guid)};
    if (!target.active()) throw ProbeError(kExitNeedsSimulator, "the simulator does not know device 0's GUID");
    watch_inputs(tour, wheel, {{DIB_AXIS_X, DIB_AXIS_Y}, {0, 0}}, target, wheel_choice.entry->povs);

    tour.heading("4. Each effect type in turn  (gantrel-probe play 0 EFFECT)");
    const AxisMap map = actuator_map(wheel.handle());
    apply_map(wheel.handle(), map);
    tour.say("Effects act on the two mapped axes, so the probe maps them onto the force-feedback axes, " +
             map_text(map) + ",\nwith dib_set_axis_map: DirectInput refuses effects on axes without an actuator.");
    play_each_effect(tour, wheel, target);

    tour.heading("5. Changing an effect while it plays  (dib_effect_update)");
    update_while_playing(tour, wheel, target);
    sim->stop(target.index);

    tour.heading("6. Turning an effect's direction on a two-axis device");
    int stick = -1;
    for (size_t i = 0; i < devices.size(); i++)
        if (stick < 0 && devices[i].guid != wheel_choice.guid && devices[i].ff_axes >= 2) stick = static_cast<int>(i);
    if (stick >= 0)
        change_direction(tour, choose_device(std::to_string(stick), devices), sim->device_index(devices[stick].guid));
    else
        tour.say("No controller with two force-feedback axes is attached; skipped.");

    tour.heading("7. Releasing the wheel  (dib_release)");
    wheel.release();
    tour.say("Released: its effects are destroyed and the simulator reports its auto-centre " +
             std::string(sim->autocenter_on(target.index) ? "back on." : "still off."));
}

}  // namespace

int demo_command(const std::vector<std::string> &words, Io &io) {
    const ParsedArgs args = parse_args("demo", words, {{"out", true}});
    if (args.help) {
        io.out << help_text("demo");
        return kExitOk;
    }
    if (!args.positional.empty()) throw usage_error("demo takes no arguments, got \"" + args.positional[0] + "\"");
    const Simulator *sim = Simulator::find();
    if (!sim)
        throw ProbeError(kExitNeedsSimulator,
                         "the demo needs the simulated DirectInput: put this project's dinput8.dll beside "
                         "gantrel-probe.exe (under Wine also set WINEDLLOVERRIDES=dinput8=n)");
    Tour tour{io, *sim, args.has("out") ? args.value("out") : "gantrel-probe-demo", 0, {}, {}};
    prepare_folder(tour.folder);
    try {
        run_tour(tour);
    } catch (const Interrupted &) {
        // Everything the tour opened is released by now; keep what the step
        // in progress played.
        if (tour.current.open) {
            tour.keep_picture();
            note_cleanup("wrote the force trace of the step in progress");
        }
        throw;
    }

    tour.heading("Done");
    tour.say("The force traces are in " + full_path(tour.folder) + ":");
    for (const std::string &p : tour.pictures) tour.say("   " + p + " (and the same name .csv)");
    tour.say("Open the .svg files in a web browser. On a real controller, try: gantrel-probe list");
    return kExitOk;
}

}  // namespace probe
