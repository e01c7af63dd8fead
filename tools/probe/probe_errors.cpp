#include "probe_errors.h"

#include "gantrel.h"

namespace probe {

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
