// check: plays every effect type the device offers briefly at a low force
// and reports what DirectInput accepted, refused and said, and why a device
// gets no force where it can tell: the report for a bug report.
#include "check_report.h"
#include "commands.h"
#include "effect_options.h"
#include "effect_run.h"
#include "game_controllers.h"
#include "gantrel.h"
#include "help_text.h"
#include "interrupt.h"
#include "probe_errors.h"

#include <algorithm>
#include <cstring>

namespace probe {

namespace {

// Low and safe on any device: about 15% of full force, capped there.
const int32_t kCheckStrength = 600;

EffectParams check_params(int32_t type, int32_t strength) {
    EffectParams p;
    std::memset(&p, 0, sizeof p);
    p.gain = 4096;
    p.direction_deg = 90;
    if (type == DIB_EFFECT_CONSTANT) p.constant_magnitude = strength;
    p.periodic_magnitude = strength;
    p.period_ms = 100;
    for (ConditionAxisParams &c : p.cond) {
        c.enabled = 1;
        c.positive_coefficient = c.negative_coefficient = strength;
        c.positive_saturation = c.negative_saturation = strength;
    }
    return p;
}

CallResult record(const char *call, int32_t result) {
    CallResult c;
    c.ran = true;
    c.result = result;
    if (result < 0) c.message = library_failure(call, result).what();
    return c;
}

// Every call's outcome goes into the report; the effect is destroyed
// however the check of its type ends.
void check_type(int32_t device, TypeCheck &t, unsigned play_ms) {
    const EffectParams p = check_params(t.type, kCheckStrength);
    const int32_t handle = dib_effect_create(device, t.type, &p);
    t.create = record("dib_effect_create", handle);
    if (handle < 0) return;
    struct Destroyer {
        int32_t handle;
        TypeCheck &t;
        ~Destroyer() {
            if (t.destroy.ran) return;
            dib_effect_stop(handle);
            t.destroy = record("dib_effect_destroy", dib_effect_destroy(handle));
            note_cleanup(std::string("stopped and destroyed the ") + effect_name(t.type) + " effect");
        }
    } destroyer{handle, t};
    // A slightly stronger version: the device must take new values too.
    const EffectParams stronger = check_params(t.type, kCheckStrength + 100);
    t.update = record("dib_effect_update", dib_effect_update(handle, &stronger));
    t.start = record("dib_effect_start", dib_effect_start(handle, 1));
    if (t.start.ok()) {
        let_time_pass(device, play_ms, TraceTarget(), true);
        t.stop = record("dib_effect_stop", dib_effect_stop(handle));
    }
    t.destroy = record("dib_effect_destroy", dib_effect_destroy(handle));
}

void run_check(CheckReport &report) {
    OpenDevice device(report.choice);
    report.ffb_mask = dib_ffb_axes(device.handle());
    if (report.ffb_mask < 0) throw library_failure("dib_ffb_axes", report.ffb_mask);
    report.autocenter = dib_autocenter_state(device.handle());
    if (report.autocenter < 0) throw library_failure("dib_autocenter_state", report.autocenter);
    report.map = actuator_map(device.handle());
    apply_map(device.handle(), report.map);
    report.reason = no_force_reason(report.choice, report.ffb_mask);
    const DeviceEntry *about = report.choice.about();
    for (const std::string &name : effect_names()) {
        TypeCheck t;
        t.type = effect_type(name);
        // DirectInput refuses a type the device does not offer, whatever the
        // library asks: trying one tells nothing.
        t.listed = about && std::find(about->effects.begin(), about->effects.end(), name) != about->effects.end();
        if (t.listed) check_type(device.handle(), t, report.play_ms);
        // A type that Ctrl-C cut short is left out of the report.
        report.types.push_back(t);
    }
    device.release();
    report.release.ran = true;
}

}  // namespace

int check_command(const std::vector<std::string> &words, Io &io) {
    const ParsedArgs args = parse_args("check", words, {{"json", false}, {"play", true}});
    if (args.help) {
        io.out << help_text("check");
        return kExitOk;
    }
    if (args.positional.size() != 1) throw usage_error("check needs exactly one DEVICE (a number or a GUID)");
    const std::vector<DeviceEntry> devices = parse_device_list(enumerate_text());
    std::vector<GameController> unlisted;
    CheckReport report;
    report.choice = choose_any_device(args.positional[0], devices, unlisted);
    report.play_ms = static_cast<unsigned>(args.has("play") ? parse_long(args.value("play"), "--play", 10, 5000) : 200);
    report.strength = kCheckStrength;
    report.wine_path = wine_path_of_device(report.choice.guid);
    char info[256] = "";
    if (dib_build_info(info, sizeof info) >= 0) report.build_info = info;
    try {
        run_check(report);
    } catch (const Interrupted &) {
        // The device is released by now; show what was found so far.
        report.interrupted = true;
        io.out << (args.has("json") ? check_json(report) : check_table(report));
        note_cleanup("printed the report so far");
        throw;
    }
    io.out << (args.has("json") ? check_json(report) : check_table(report));
    // A script or a bug report form can tell a device that plays what it
    // offers from one that refused something, or offers nothing, without
    // reading the report.
    return report.failed() ? kExitCheckFailed : kExitOk;
}

}  // namespace probe
