// test: an interactive tester. It shows the device's inputs live and plays
// one effect whose type, strength, direction, gain, period and envelope the
// keys change at once, each change through dib_effect_update. An unplugged
// device is waited for; once back, its effect is created again, stopped. A
// device another program took keeps its effect, stopped, until it is free.
#include "axis_names.h"
#include "commands.h"
#include "console_screen.h"
#include "device_follow.h"
#include "device_session.h"
#include "effect_options.h"
#include "effect_run.h"
#include "help_text.h"
#include "interrupt.h"
#include "poll_view.h"
#include "probe_errors.h"
#include "tester_state.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <memory>

namespace probe {

namespace {

std::string format(const char *fmt, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char *fmt, ...) {
    char text[256];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    return text;
}

// -4096..4096 as a bar with the centre marked.
std::string bar(int value) {
    std::string b(21, '-');
    b[10] = '|';
    const int at = (value + 4096) * 20 / 8192;
    b[static_cast<size_t>(at < 0 ? 0 : at > 20 ? 20 : at)] = '#';
    return "[" + b + "]";
}

// The library's result as the status line shows it.
std::string outcome(const char *call, int32_t result, const std::string &what) {
    if (result >= 0) return std::string(call) + " -> OK" + (what.empty() ? "" : ": " + what);
    return library_failure(call, result).what();
}

struct Tester {
    const DeviceChoice &choice;
    int32_t device;
    AxisMap map;
    int32_t ffb_mask;
    TesterSettings settings;
    std::unique_ptr<Effect> effect;
    bool playing = false;
    bool gone = false;   // unplugged: waiting for the device to come back
    bool held = false;   // another program holds it: waiting for it to be free
    std::string last{};  // what the last key did, or the library's refusal

    // The device went away: its effect goes with it (destroyed before the
    // device is released) and nothing plays until Space once it is back.
    void lost() {
        playing = false;
        effect.reset();
        gone = true;
    }

    // Taking the device back resets its force feedback: the effect is
    // there, but stopped.
    void taken(const std::string &said) {
        playing = false;
        held = true;
        last = said + " (Q quits)";
    }

    void freed(const std::string &said) {
        held = false;
        last = said + (effect ? "; the " + std::string(effect_name(settings.type)) +
                                    " effect is stopped: press Space to start it"
                              : "");
    }

    void back(int32_t handle, const std::string &said) {
        device = handle;
        gone = false;
        create();
        if (effect) last = said + "; the " + effect_name(settings.type) + " effect is stopped: press Space to start it";
    }

    void create() {
        playing = false;
        effect.reset();
        const EffectParams p = tester_params(settings);
        try {
            effect.reset(new Effect(device, settings.type, p));
            last = std::string("dib_effect_create -> OK: ") + effect_name(settings.type) + ", stopped";
        } catch (const ProbeError &e) {
            // A type the device refuses is shown, not fatal: try another.
            last = e.what();
        }
    }

    void act(TesterAction action, const std::string &said) {
        if (gone || held) {
            if (action != TesterAction::kNone)
                last = gone ? "the device is gone: waiting for it to come back (Q quits)"
                            : "another program holds the device: waiting for it to let go (Q quits)";
            return;
        }
        if (action == TesterAction::kRecreate) {
            const bool was_playing = playing;
            create();
            if (was_playing && effect) start_stop();
            return;
        }
        if (!effect) {
            if (action != TesterAction::kNone) last = "no effect to change: the device refused this type (try another)";
            return;
        }
        if (action == TesterAction::kUpdate) {
            const EffectParams p = tester_params(settings);
            last = outcome("dib_effect_update", dib_effect_update(effect->handle(), &p), said);
        } else if (action == TesterAction::kStartStop) {
            start_stop();
        } else if (!said.empty()) {
            last = said;
        }
    }

    void start_stop() {
        const int32_t result = playing ? dib_effect_stop(effect->handle()) : dib_effect_start(effect->handle(), 1);
        last = outcome(playing ? "dib_effect_stop" : "dib_effect_start", result, "");
        if (result >= 0) playing = !playing;
    }

    std::vector<std::string> rows(const InputReport &r) const {
        const bool two_axes = map.axis[0] >= 0 && map.axis[1] >= 0;
        const bool condition = is_condition(settings.type);
        std::vector<std::string> out;
        out.push_back("gantrel-probe test: " + choice.label() + (choice.entry ? ", " + choice.entry->name : ""));
        out.push_back("Force-feedback axes " + axis_mask_names(ffb_mask) + "; effects act on " + map_text(map) + ".");
        out.push_back("Started gently: a constant force of " + std::to_string(kGentleStrength) +
                      " of 4096, stopped. Hold the wheel or stick, then press Space.");
        out.push_back("");
        const int values[8] = {r.axis0, r.axis1, r.z, r.rx, r.ry, r.rz, r.slider0, r.slider1};
        for (int a = 0; a < 8; a++)
            out.push_back(format(" %-3s %-10s %6d %s  %s", axis_label(a), axis_directinput_name(a), values[a],
                                 bar(values[a]).c_str(), axis_hint(a)));
        std::string buttons;
        for (int b = 0; b < 64; b++)
            if (r.button_mask >> b & 1) buttons += " " + std::to_string(b);
        out.push_back(" Buttons" + (buttons.empty() ? std::string(" none") : buttons));
        std::string hats;
        const int count = choice.entry ? choice.entry->povs : -1;
        for (int h = 0; h < 4; h++) {
            const unsigned code = (r.pov_codes >> (4 * h)) & 0xF;
            if (hat_shown(code, h, count)) hats += " " + std::to_string(h) + ":" + hat_name(code);
        }
        out.push_back(" Hats   " + (hats.empty() ? std::string(" none") : hats));
        out.push_back("");
        // Name, value with its note, and the keys that change it.
        auto setting = [&](const char *name, const std::string &value, const char *keys) {
            out.push_back(format(" %-12s %-44s %s", name, value.c_str(), keys));
        };
        setting("Effect",
                std::string(effect_name(settings.type)) + (gone    ? "  DEVICE GONE"
                                                           : held    ? "  DEVICE TAKEN"
                                                           : !effect ? "  NOT CREATED"
                                                           : playing ? "  PLAYING"
                                                                     : "  stopped"),
                "1-9, 0, Tab; Space");
        setting(strength_name(settings.type),
                std::to_string(settings.strength) + " of 4096" + (condition ? ", also the most force" : ""),
                "Up/Down, PgUp/PgDn");
        setting("Direction",
                std::to_string(settings.direction) + " degrees" +
                    (condition ? " (not for conditions)" : two_axes ? ", where the force comes from" : " (needs two axes)"),
                "Left/Right");
        setting("Gain", std::to_string(settings.gain) + " of 4096", "+ / -");
        setting("Period", std::to_string(settings.period_ms) + " ms" + (is_periodic(settings.type) ? "" : " (waves only)"),
                "[ / ]");
        setting("Envelope", settings.envelope ? "on: rises from 0 over 1 s" : "off", "E");
        out.push_back("");
        out.push_back(" Last: " + last);
        out.push_back("");
        out.push_back(" Keys: 1-9, 0 or Tab effect (1 constant 2 square 3 sine 4 triangle 5 sawtoothup");
        out.push_back("       6 sawtoothdown 7 spring 8 damper 9 inertia 0 friction), Space start/stop,");
        out.push_back("       Q or Esc quit (Ctrl-C too): the effect is stopped and destroyed, the device released.");
        return out;
    }
};

// X and Y reach the report only through the map, so the inputs are read
// with the map X,Y and the effects' map is put back at once: creates and
// updates translate with the map in force when they are called.
int32_t read_inputs(int32_t device, const AxisMap &effect_map, InputReport &report) {
    apply_map(device, {{DIB_AXIS_X, DIB_AXIS_Y}, {0, 0}});
    const int32_t result = dib_poll(device, &report);
    apply_map(device, effect_map);
    return result;
}

OptionTable test_option_table() { return {{"map", true}, {"flip", true}, {"strict", false}}; }

}  // namespace

int test_command(const std::vector<std::string> &words, Io &io) {
    const ParsedArgs args = parse_args("test", words, test_option_table());
    if (args.help) {
        io.out << help_text("test");
        return kExitOk;
    }
    if (args.positional.size() != 1) throw usage_error("test needs exactly one DEVICE (a number or a GUID)");
    if (!io.terminal || !ConsoleScreen::available())
        throw ProbeError(kExitNeedsConsole, "test needs an interactive console: run it in a console window or a "
                                            "terminal, without redirecting its input or output");

    const std::vector<DeviceEntry> devices = parse_device_list(enumerate_text());
    std::vector<GameController> unlisted;
    const DeviceChoice choice = choose_any_device(args.positional[0], devices, unlisted);
    OpenDevice device(choice);
    const AxisMap map = map_from_options(args, actuator_map(device.handle()));
    const int32_t mask = dib_ffb_axes(device.handle());
    check_map_reaches_actuator(map, mask, args.has("strict"), io);
    apply_map(device.handle(), map);

    Tester tester{choice, device.handle(), map, mask, {}, nullptr};
    tester.create();
    DeviceFollower follower(device, choice);
    InputReport shown = {};  // kept on the screen while the device is gone
    {
        ConsoleScreen screen;
        for (;;) {
            InputReport now;
            const int32_t result = follower.gone() ? DIB_E_INPUT : read_inputs(device.handle(), map, now);
            if (result == DIB_OK) shown = now;
            std::string says;
            switch (follower.follow(result, map, says, [&] { tester.lost(); })) {
            case DeviceFollower::Event::kGone: tester.last = says; break;
            case DeviceFollower::Event::kBack: tester.back(device.handle(), says); break;
            case DeviceFollower::Event::kTaken: tester.taken(says); break;
            case DeviceFollower::Event::kFreed: tester.freed(says); break;
            case DeviceFollower::Event::kNone:
                if (result < 0 && !follower.gone() && !follower.taken()) throw library_failure("dib_poll", result);
            }
            screen.draw(tester.rows(shown));
            const Key key = screen.next_key(50);
            if (key.name == Key::kCtrlC) raise_interrupt(CTRL_C_EVENT);
            check_interrupt();
            std::string said;
            const TesterAction action = apply_key(key, tester.settings, said);
            if (action == TesterAction::kQuit) break;
            tester.act(action, said);
        }
    }
    if (tester.effect) {
        // A device another program holds refuses the stop; destroying is enough.
        if (!follower.taken()) tester.effect->stop();
        tester.effect->destroy();
        io.out << "Stopped and destroyed the " << effect_name(tester.settings.type) << " effect.\n";
    }
    if (follower.gone()) {
        io.out << choice.label() << " is still gone: nothing to release.\n";
        return kExitOk;
    }
    device.release();
    io.out << "Released " << choice.label() << ": its auto-centre spring is back.\n";
    return kExitOk;
}

}  // namespace probe
