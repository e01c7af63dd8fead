// list and info: what the library sees, and one device opened and released.
#include "axis_names.h"
#include "commands.h"
#include "device_session.h"
#include "game_controllers.h"
#include "gantrel.h"
#include "help_text.h"
#include "probe_errors.h"
#include "simulator.h"

#include <windows.h>

namespace probe {

namespace {

bool running_under_wine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Where controllers come from, for someone who sees none; and the game
// controllers DirectInput reports without force feedback, by number and
// GUID, for check to say why.
ProbeError nothing_attached(const std::vector<GameController> &unlisted) {
    std::string text =
        "no force-feedback controller is attached.\n"
        "  gantrel.dll lists the game controllers that DirectInput reports with force feedback.\n";
    if (!unlisted.empty()) {
        text += "  DirectInput reports " + std::to_string(unlisted.size()) +
                " game controller(s) without it; gantrel-probe list --all numbers them, and\n"
                "  gantrel-probe check NUMBER says why one gets no force:\n";
        for (size_t i = 0; i < unlisted.size(); i++)
            text += "    " + std::to_string(i) + "  " + unlisted[i].entry.guid + "  " + unlisted[i].entry.name + "\n";
        text.pop_back();
        return ProbeError(kExitNoDevice, text);
    }
    if (Simulator::find()) {
        text += "  The simulated DirectInput is loaded but describes none: GANTREL_SIM_DEVICES may name a file\n"
                "  without force-feedback devices.";
        return ProbeError(kExitNoDevice, text);
    }
    if (running_under_wine())
        text += "  Under Wine, DirectInput sees the controllers Wine can open (hidraw or SDL devices your user\n"
                "  may read); `wine control joy.cpl` shows them.\n";
    else
        text += "  Plug the wheel or stick in and install its driver; it must show in the Game Controllers\n"
                "  panel (joy.cpl).\n";
    text += "  To try the probe without hardware, load the simulated DirectInput: copy the kit's\n"
            "  simulator\\x64\\dinput8.dll (x86 for the 32-bit probe) beside gantrel-probe.exe, and under\n"
            "  Wine also set WINEDLLOVERRIDES=dinput8=n; docs/simulator.md of the kit shows how.";
    return ProbeError(kExitNoDevice, text);
}

}  // namespace

void print_device_table(const std::vector<DeviceEntry> &devices, Io &io) {
    std::vector<std::string> ff_axes;
    for (const DeviceEntry &d : devices) {
        // The list counts actuators; asking for their mask gives their names.
        const int32_t mask = dib_query_ffb_axes(d.guid.c_str());
        ff_axes.push_back(mask >= 0 ? axis_mask_names(mask) : std::to_string(d.ff_axes) + " axes");
    }
    io.out << device_table(devices, ff_axes);
}

void print_device_info(const DeviceChoice &choice, Io &io) {
    if (const DeviceEntry *d = choice.about()) {
        std::string effects;
        for (const std::string &e : d->effects) effects += (effects.empty() ? "" : " ") + e;
        io.out << "Device " << (choice.index >= 0 ? std::to_string(choice.index) : d->guid) << ": " << d->name
               << "\n"
               << "  GUID              " << d->guid << "\n"
               << "  VID:PID           " << vid_pid_text(*d) << " (vid " << d->vid << ", pid " << d->pid
               << (choice.entry ? " in list --json)\n" : ")\n")
               << "  Buttons, POVs     " << d->buttons << ", " << d->povs << " (POVs are hat switches)\n"
               << "  Sample period     " << d->sample_period_us << " us\n"
               << "  Effects           " << (effects.empty() ? "none" : effects) << "\n"
               << "  Actuators         " << d->ff_axes << "\n";
        if (!choice.entry)
            io.out << "  Not among the force-feedback controllers the library lists: DirectInput reports no force\n"
                      "  feedback for it (gantrel-probe check "
                   << (choice.index >= 0 ? std::to_string(choice.index) : choice.guid) << " says why).\n";
    } else {
        io.out << "Device " << choice.guid << " (not among the force-feedback controllers the library lists)\n";
    }
    io.out << "Opening it (exclusive access, force-feedback reset, auto-centre switched off)...\n";
    OpenDevice device(choice);
    const int32_t mask = dib_ffb_axes(device.handle());
    if (mask < 0) throw library_failure("dib_ffb_axes", mask);
    const int32_t autocenter = dib_autocenter_state(device.handle());
    if (autocenter < 0) throw library_failure("dib_autocenter_state", autocenter);
    io.out << "  Opened as handle  " << device.handle() << "\n"
           << "  FF axes           " << axis_mask_names(mask) << " (dib_ffb_axes " << mask_text(mask) << ")\n"
           << "  Auto-centre       " << autocenter_text(autocenter) << " (dib_autocenter_state "
           << autocenter_bits(autocenter) << ")\n";
    device.release();
    io.out << "Released it again: its effects are gone and its auto-centre setting is restored.\n";
}

int list_command(const std::vector<std::string> &words, Io &io) {
    const ParsedArgs args = parse_args("list", words, {{"json", false}, {"all", false}});
    if (args.help) {
        io.out << help_text("list");
        return kExitOk;
    }
    if (!args.positional.empty()) throw usage_error("list takes no arguments, got \"" + args.positional[0] + "\"");
    if (args.has("json") && args.has("all"))
        throw usage_error("list: --json prints the library's own list, which has no game controllers without force "
                          "feedback; give --json or --all");
    const std::string text = enumerate_text();
    const std::vector<DeviceEntry> devices = parse_device_list(text);
    if (args.has("json")) {
        io.out << text << "\n";
        if (devices.empty()) throw nothing_attached({});
        return kExitOk;
    }
    const std::vector<GameController> unlisted = unlisted_controllers(devices);
    if (devices.empty() && (unlisted.empty() || !args.has("all"))) throw nothing_attached(unlisted);
    std::vector<DeviceEntry> shown = devices;
    if (args.has("all"))
        for (const GameController &c : unlisted) shown.push_back(c.entry);
    print_device_table(shown, io);
    if (unlisted.empty()) return kExitOk;
    const std::string first = std::to_string(devices.size()), last = std::to_string(shown.size() - 1);
    if (args.has("all"))
        io.out << "Device" << (unlisted.size() > 1 ? "s " + first + " to " + last : " " + first)
               << ": not listed by the library, as DirectInput reports no force feedback for "
               << (unlisted.size() > 1 ? "them" : "it") << "; gantrel-probe check " << first << " says why.\n";
    else
        io.out << "gantrel-probe list --all also shows " << unlisted.size()
               << " game controller(s) that DirectInput reports without force feedback.\n";
    return kExitOk;
}

int info_command(const std::vector<std::string> &words, Io &io) {
    const ParsedArgs args = parse_args("info", words, {});
    if (args.help) {
        io.out << help_text("info");
        return kExitOk;
    }
    if (args.positional.size() != 1) throw usage_error("info needs exactly one DEVICE (a number or a GUID)");
    const std::vector<DeviceEntry> devices = parse_device_list(enumerate_text());
    std::vector<GameController> unlisted;
    print_device_info(choose_any_device(args.positional[0], devices, unlisted), io);
    return kExitOk;
}

}  // namespace probe
