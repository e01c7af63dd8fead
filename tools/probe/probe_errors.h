// What can go wrong in the probe, and the exit status each failure gives.
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace probe {

// Exit statuses. A failed library call exits with 10 + n for DIB_E_ code -n.
enum ExitStatus {
    kExitOk = 0,
    kExitUsage = 2,          // the command line makes no sense
    kExitNoDevice = 3,       // no such device, or nothing attached
    kExitNeedsSimulator = 4, // only the simulated DirectInput can do this
    kExitFiles = 5,          // the trace files could not be written
    kExitNeedsConsole = 6,   // test needs a console to draw on and read keys from
    kExitCheckFailed = 7,    // check ran to the end, but an offered effect type failed, or none is offered
    kExitLibraryBase = 10,
    kExitInterrupted = 130,  // Ctrl-C, as a shell reports a process ended by SIGINT
};

// The table the help text and the READMEs show: statuses first..last mean
// `meaning`.
struct ExitStatusRow {
    int first, last;
    const char *meaning;
};
const std::vector<ExitStatusRow> &exit_status_table();

// "DIB_E_FAILED" and so on; "DIB_OK" for 0, "unknown result" otherwise.
const char *result_name(int32_t code);
// The exit status of a failed library call with this result.
int library_exit_status(int32_t code);
// The calling thread's dib_last_error text, "(no message)" when empty.
std::string library_message();

// Thrown to end a command with a message and an exit status.
struct ProbeError : std::runtime_error {
    ProbeError(int status, const std::string &message) : std::runtime_error(message), status(status) {}
    int status;
};

// A library call that returned a negative code: "<call> failed: <NAME>
// (<code>): <library message>", exit status 10 + n.
ProbeError library_failure(const char *call, int32_t code);
// A bad command line: the message and a hint to --help.
ProbeError usage_error(const std::string &message);

}  // namespace probe
