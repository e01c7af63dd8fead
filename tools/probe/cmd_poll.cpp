// poll: a device's axes, buttons and hats, live.
#include "commands.h"
#include "device_session.h"
#include "gantrel.h"
#include "help_text.h"
#include "poll_view.h"
#include "probe_errors.h"

#include <windows.h>

namespace probe {

int poll_command(const std::vector<std::string> &words, Io &io) {
    const ParsedArgs args =
        parse_args("poll", words, {{"map", true}, {"flip", true}, {"seconds", true}, {"interval", true}});
    if (args.help) {
        io.out << help_text("poll");
        return kExitOk;
    }
    if (args.positional.size() != 1) throw usage_error("poll needs exactly one DEVICE (a number or a GUID)");
    const double seconds = args.has("seconds") ? parse_number(args.value("seconds"), "--seconds", 0, 86400) : 5;
    const long interval = args.has("interval") ? parse_long(args.value("interval"), "--interval", 1, 60000) : 100;
    const AxisMap map = map_from_options(args, {{DIB_AXIS_X, DIB_AXIS_Y}, {0, 0}});

    const std::vector<DeviceEntry> devices = parse_device_list(enumerate_text());
    const DeviceChoice choice = choose_device(args.positional[0], devices);
    OpenDevice device(choice.guid);
    apply_map(device.handle(), map);
    const int hats = choice.entry ? choice.entry->povs : 4;
    io.out << "Polling " << choice.label() << " every " << interval << " ms for " << seconds
           << " s (axis0, axis1 = " << map_text(map) << "; values -4096..4096).\n";

    const long samples = static_cast<long>(seconds * 1000 / interval) + 1;
    size_t drawn = 0;
    for (long i = 0; i < samples; i++) {
        if (i) Sleep(static_cast<DWORD>(interval));
        InputReport report;
        const int32_t result = dib_poll(device.handle(), &report);
        if (result < 0) throw library_failure("dib_poll", result);
        std::string line = report_line(i * interval / 1000.0, report, map, hats);
        if (io.terminal) {
            const size_t width = line.size();
            if (line.size() < drawn) line.append(drawn - line.size(), ' ');
            drawn = width;
            io.out << "\r" << line << std::flush;
        } else {
            io.out << line << "\n";
        }
    }
    if (io.terminal) io.out << "\n";
    device.release();
    return kExitOk;
}

}  // namespace probe
