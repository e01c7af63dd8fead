// Strict mode's reports: calls that break a rule gantrel.dll sets for its
// host, kept for a test to read and written where a developer looks.
#pragma once
#include "gantrel_sim.h"

#include <string>

namespace gsim {

struct VirtualDevice;

bool strict_on();
void strict_set(bool on);

// Where a rule was broken: the call (method, log entry, thread), the object
// it concerns and that object's device.
struct StrictPlace {
    int method;
    DWORD seq;
    DWORD object;
    const VirtualDevice *dev;
    DWORD thread_id;
};

// Reports a break once per rule and object; a repeat only counts. `what`
// says what happened and what the host does instead. Under the lock.
void strict_report(int rule, const StrictPlace &place, const std::string &what);

}  // namespace gsim
