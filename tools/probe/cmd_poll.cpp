// poll: a device's axes, buttons and hats, live or one line per change; an
// unplugged device, or one another program took, is waited for and polled
// again once it is back.
#include "commands.h"
#include "device_follow.h"
#include "device_session.h"
#include "gantrel.h"
#include "help_text.h"
#include "interrupt.h"
#include "poll_view.h"
#include "probe_errors.h"

#include <chrono>

namespace probe {

int poll_command(const std::vector<std::string> &words, Io &io) {
    const ParsedArgs args = parse_args("poll", words,
                                       {{"map", true},
                                        {"flip", true},
                                        {"seconds", true},
                                        {"interval", true},
                                        {"changes", false},
                                        {"threshold", true}});
    if (args.help) {
        io.out << help_text("poll");
        return kExitOk;
    }
    if (args.positional.size() != 1) throw usage_error("poll needs exactly one DEVICE (a number or a GUID)");
    const bool forever = !args.has("seconds");
    const double seconds = forever ? 0 : parse_number(args.value("seconds"), "--seconds", 0, 86400);
    const long interval = args.has("interval") ? parse_long(args.value("interval"), "--interval", 1, 60000) : 100;
    const long threshold = args.has("threshold") ? parse_long(args.value("threshold"), "--threshold", 0, 8192) : 32;
    if (args.has("threshold") && !args.has("changes")) throw usage_error("poll: --threshold goes with --changes");
    const AxisMap map = map_from_options(args, {{DIB_AXIS_X, DIB_AXIS_Y}, {0, 0}});

    const std::vector<DeviceEntry> devices = parse_device_list(enumerate_text());
    std::vector<GameController> unlisted;
    const DeviceChoice choice = choose_any_device(args.positional[0], devices, unlisted);
    OpenDevice device(choice);
    apply_map(device.handle(), map);
    const int hats = choice.entry ? choice.entry->povs : -1;
    io.out << "Polling " << choice.label() << (choice.entry ? " (" + choice.entry->name + ")" : "") << " every "
           << interval << " ms " << (forever ? std::string("until Ctrl-C") : "for " + args.value("seconds") + " s")
           << (args.has("changes") ? ", one line per change" : "") << ".\n"
           << input_legend(map);

    DeviceFollower follower(device, choice);
    const bool live = io.terminal && !args.has("changes");
    ChangeWatcher watcher(map, hats, threshold);
    const long samples = static_cast<long>(seconds * 1000 / interval) + 1;
    const auto start = std::chrono::steady_clock::now();
    size_t drawn = 0;
    try {
        for (long i = 0; forever || i < samples; i++) {
            // Samples keep to the interval's grid, however long drawing took.
            const auto due = start + std::chrono::milliseconds(i * interval);
            const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(due - std::chrono::steady_clock::now());
            pause_or_interrupt(wait.count() > 0 ? static_cast<unsigned>(wait.count()) : 0);
            InputReport report;
            const int32_t result = follower.gone() ? DIB_E_INPUT : dib_poll(device.handle(), &report);
            std::string says;
            const DeviceFollower::Event event = follower.follow(result, map, says);
            if (event != DeviceFollower::Event::kNone) {
                if (drawn) io.out << "\n";
                drawn = 0;
                io.out << says
                       << (event == DeviceFollower::Event::kGone    ? "."
                           : event == DeviceFollower::Event::kTaken ? "; until then the probe waits (Ctrl-C ends)."
                                                                    : "; polling again.")
                       << "\n"
                       << std::flush;
            }
            // While taken, every dib_poll tries to take the device back.
            if (follower.gone() || follower.taken() || event == DeviceFollower::Event::kBack) continue;
            if (result < 0) throw library_failure("dib_poll", result);
            const double t = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            if (args.has("changes")) {
                for (const std::string &line : watcher.changes(t, report)) io.out << line << "\n";
                io.out.flush();
            } else if (live) {
                std::string line = report_line(t, report, map, hats);
                const size_t width = line.size();
                if (line.size() < drawn) line.append(drawn - line.size(), ' ');
                drawn = width;
                io.out << "\r" << line << std::flush;
            } else {
                io.out << report_line(t, report, map, hats) << "\n";
            }
        }
    } catch (const ProbeError &) {
        if (drawn) io.out << "\n";
        throw;
    }
    if (drawn) io.out << "\n";
    device.release();
    return kExitOk;
}

}  // namespace probe
