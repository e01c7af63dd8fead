#include "probe.h"

#include "commands.h"
#include "gantrel.h"
#include "help_text.h"
#include "interrupt.h"
#include "probe_errors.h"

namespace probe {

namespace {

int dispatch(const std::vector<std::string> &args, Io &io) {
    if (args.empty()) {
        io.err << help_text();
        return kExitUsage;
    }
    const std::string &command = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "--help" || command == "-h" || command == "help") {
        const std::string topic = rest.empty() ? "" : rest[0];
        const std::string text = help_text(topic);
        if (text.empty()) throw usage_error("there is no command \"" + topic + "\"");
        io.out << text;
        return kExitOk;
    }
    if (command == "--version") {
        char info[256];
        if (dib_build_info(info, sizeof info) < 0) throw library_failure("dib_build_info", DIB_E_BADARG);
        io.out << "gantrel-probe with gantrel.dll " << info << "\n";
        return kExitOk;
    }
    if (command == "list") return list_command(rest, io);
    if (command == "info") return info_command(rest, io);
    if (command == "poll") return poll_command(rest, io);
    if (command == "play") return play_command(rest, io);
    if (command == "test") return test_command(rest, io);
    if (command == "check") return check_command(rest, io);
    if (command == "demo") return demo_command(rest, io);
    throw usage_error("there is no command \"" + command + "\"");
}

}  // namespace

int run_probe(const std::vector<std::string> &args, Io &io) {
    clear_interrupt();
    try {
        const int status = dispatch(args, io);
        // A command that finished before it looked still owes the interrupt.
        check_interrupt();
        return status;
    } catch (const Interrupted &e) {
        io.out.flush();
        io.err << "gantrel-probe: " << interrupt_message(e.what()) << "\n";
        return e.status;
    } catch (const ProbeError &e) {
        io.out.flush();
        io.err << "gantrel-probe: " << e.what() << "\n";
        return e.status;
    } catch (const std::exception &e) {
        io.out.flush();
        io.err << "gantrel-probe: unexpected failure: " << e.what() << "\n";
        return 1;
    }
}

}  // namespace probe
