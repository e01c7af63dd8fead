// list and info: what the library sees, and one device opened and released.
#include "axis_names.h"
#include "commands.h"
#include "device_session.h"
#include "gantrel.h"
#include "help_text.h"
#include "probe_errors.h"

#include <cstdio>

namespace probe {

namespace {

std::string hex_mask(int32_t mask) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%02lX", static_cast<unsigned long>(mask));
    return text;
}

}  // namespace

void print_device_table(const std::vector<DeviceEntry> &devices, Io &io) {
    if (devices.empty()) {
        io.out << "No force-feedback controller is attached.\n";
        return;
    }
    std::vector<std::string> ff_axes;
    for (const DeviceEntry &d : devices) {
        // The list counts actuators; asking for their mask gives their names.
        const int32_t mask = dib_query_ffb_axes(d.guid.c_str());
        ff_axes.push_back(mask >= 0 ? axis_mask_names(mask) : std::to_string(d.ff_axes) + " axes");
    }
    io.out << device_table(devices, ff_axes);
}

void print_device_info(const DeviceChoice &choice, Io &io) {
    if (const DeviceEntry *d = choice.entry) {
        char ids[16];
        std::snprintf(ids, sizeof ids, "%04X:%04X", d->vid & 0xFFFFu, d->pid & 0xFFFFu);
        std::string effects;
        for (const std::string &e : d->effects) effects += (effects.empty() ? "" : " ") + e;
        io.out << "Device " << (choice.index >= 0 ? std::to_string(choice.index) : d->guid) << ": " << d->name
               << "\n"
               << "  GUID              " << d->guid << "\n"
               << "  Vendor:product    " << ids << "\n"
               << "  Buttons, hats     " << d->buttons << ", " << d->povs << "\n"
               << "  Sample period     " << d->sample_period_us << " us\n"
               << "  Effects           " << (effects.empty() ? "none" : effects) << "\n"
               << "  Actuators         " << d->ff_axes << "\n";
    } else {
        io.out << "Device " << choice.guid << " (not among the force-feedback controllers the library lists)\n";
    }
    io.out << "Opening it (exclusive access, force-feedback reset, auto-centre switched off)...\n";
    OpenDevice device(choice.guid);
    const int32_t mask = dib_ffb_axes(device.handle());
    if (mask < 0) throw library_failure("dib_ffb_axes", mask);
    const int32_t autocenter = dib_autocenter_state(device.handle());
    if (autocenter < 0) throw library_failure("dib_autocenter_state", autocenter);
    io.out << "  Opened as handle  " << device.handle() << "\n"
           << "  FF axes           " << axis_mask_names(mask) << " (mask " << hex_mask(mask) << ")\n"
           << "  Auto-centre       " << autocenter_text(autocenter) << " (state " << autocenter << ")\n";
    device.release();
    io.out << "Released it again: its effects are gone and its auto-centre setting is restored.\n";
}

int list_command(const std::vector<std::string> &words, Io &io) {
    const ParsedArgs args = parse_args("list", words, {{"json", false}});
    if (args.help) {
        io.out << help_text("list");
        return kExitOk;
    }
    if (!args.positional.empty()) throw usage_error("list takes no arguments, got \"" + args.positional[0] + "\"");
    const std::string text = enumerate_text();
    if (args.has("json")) {
        io.out << text << "\n";
        return kExitOk;
    }
    print_device_table(parse_device_list(text), io);
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
    print_device_info(choose_device(args.positional[0], devices), io);
    return kExitOk;
}

}  // namespace probe
