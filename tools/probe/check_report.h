// The compatibility report of check: what DirectInput made of each effect
// type on one device, as a table or as JSON for a bug report.
#pragma once
#include "device_list.h"
#include "device_session.h"
#include "no_force_reason.h"
#include "wine_path.h"

#include <cstdint>
#include <string>
#include <vector>

namespace probe {

// One library call of the check: not run, or its result and, on failure,
// the probe's message (call, code name and the library's own message).
struct CallResult {
    bool ran = false;
    int32_t result = 0;
    std::string message;
    bool ok() const { return ran && result >= 0; }
};

struct TypeCheck {
    int32_t type = 0;
    bool listed = false;  // among the effects the device lists; only those are tried
    CallResult create, update, start, stop, destroy;
    // Every call that ran succeeded.
    bool works() const;
    // "works", "not offered", "refused" or "<call> failed".
    std::string verdict() const;
};

struct CheckReport {
    DeviceChoice choice;
    std::string build_info;  // dib_build_info's JSON
    int32_t ffb_mask = 0, autocenter = 0;
    AxisMap map = {{-1, -1}, {0, 0}};
    unsigned play_ms = 0;
    int32_t strength = 0;
    std::vector<TypeCheck> types;
    CallResult release;
    bool interrupted = false;  // Ctrl-C cut the check short
    NoForceReason reason;
    WinePath wine_path;  // inferred from the descriptor; empty outside Wine
    // A type the device offers failed, or it offers none: exit status 7.
    bool failed() const;
};

std::string check_table(const CheckReport &report);
std::string check_json(const CheckReport &report);

}  // namespace probe
