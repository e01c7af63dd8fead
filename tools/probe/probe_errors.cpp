#include "probe_errors.h"

#include "gantrel.h"

namespace probe {

const std::vector<ExitStatusRow> &exit_status_table() {
    static const std::vector<ExitStatusRow> rows = {
        {kExitOk, kExitOk, "success"},
        {kExitUsage, kExitUsage,
         "the command line makes no sense, or with --strict asks for an effect on no actuator (the message says why)"},
        {kExitNoDevice, kExitNoDevice, "no such device number or GUID, or no controller attached"},
        {kExitNeedsSimulator, kExitNeedsSimulator, "needs the simulated DirectInput (demo), which is not loaded"},
        {kExitFiles, kExitFiles, "the trace files could not be written"},
        {kExitNeedsConsole, kExitNeedsConsole, "test needs an interactive console, but its input or output is redirected"},
        {kExitCheckFailed, kExitCheckFailed, "check found an effect type the device offers that does not work, or it offers none (the report says which and why)"},
        {kExitLibraryBase + 1, kExitLibraryBase + 6,
         "a library call failed with DIB_E_ code -1 to -6: 11 DIB_E_FAILED, 12 DIB_E_BADARG, 13 DIB_E_EXCLUSIVE, "
         "14 DIB_E_POOLFULL, 15 DIB_E_UNSUPPORTED, 16 DIB_E_INPUT"},
        {kExitInterrupted, kExitInterrupted,
         "interrupted by Ctrl-C, Ctrl-Break or closing the console, after stopping and destroying the effects and "
         "releasing the device"},
    };
    return rows;
}

const char *result_name(int32_t code) {
    switch (code) {
    case DIB_OK: return "DIB_OK";
    case DIB_E_FAILED: return "DIB_E_FAILED";
    case DIB_E_BADARG: return "DIB_E_BADARG";
    case DIB_E_EXCLUSIVE: return "DIB_E_EXCLUSIVE";
    case DIB_E_POOLFULL: return "DIB_E_POOLFULL";
    case DIB_E_UNSUPPORTED: return "DIB_E_UNSUPPORTED";
    case DIB_E_INPUT: return "DIB_E_INPUT";
    default: return "unknown result";
    }
}

int library_exit_status(int32_t code) {
    if (code >= DIB_E_INPUT && code <= DIB_E_FAILED) return kExitLibraryBase - code;
    return kExitLibraryBase;
}

std::string library_message() {
    char text[1024] = "";
    if (dib_last_error(text, sizeof text) < 1) return "(no message)";
    return text;
}

ProbeError library_failure(const char *call, int32_t code) {
    return ProbeError(library_exit_status(code), std::string(call) + " failed: " + result_name(code) + " (" +
                                                     std::to_string(code) + "): " + library_message());
}

ProbeError usage_error(const std::string &message) {
    return ProbeError(kExitUsage, message + "\n(gantrel-probe --help lists the commands)");
}

}  // namespace probe
