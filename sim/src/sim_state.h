// The simulator's global state. Only touch it while holding the lock.
#pragma once
#include "call_log.h"
#include "faults.h"
#include "registry.h"
#include "virtual_device.h"

#include <string>
#include <vector>

namespace gsim {

class SimEffect;

struct Sim {
    std::vector<DevicePtr> devices;
    Registry registry;
    CallLog log;
    Faults faults;
    std::string load_error;
    std::vector<SimEffect *> effects;  // every effect object ever created
};

// The state, with the configured device set loaded on first use.
Sim &sim();

// Index of the device in the current list, -1 if it was removed.
int device_index(const VirtualDevice *dev);

// Replaces the device set (mode as gsim_reset). Returns the count or
// GSIM_E_LOAD.
int load_device_set(int mode);

// One call of a COM method: holds the lock for its duration, applies fault
// rules and records the call in the log.
class CallScope {
public:
    CallScope(int method, const Shell *shell, const VirtualDevice *dev, DWORD effect = 0);
    ~CallScope();
    CallScope(const CallScope &) = delete;
    CallScope &operator=(const CallScope &) = delete;

    // The entry being recorded, or nullptr when logging is off. Look it up
    // again after unlocked(): the log may have changed meanwhile.
    GSIM_CALL *rec();
    // Its seq in the log, 0 when not logged.
    DWORD seq() const { return ticket_.seq; }
    // A fault rule replaces the call: skip the work and return fault_hr().
    bool faulted() const { return fired_ && !(fault_.flags & GSIM_FAULT_AFTER_WORK); }
    HRESULT fault_hr() { return finish(fault_.hr); }
    // Records and returns the call's result (or the after-work fault's).
    HRESULT finish(HRESULT hr);
    // Lets program code (an enumeration callback) run without the lock.
    void release();
    void reacquire();

private:
    Ticket ticket_;
    GSIM_FAULT fault_{};
    bool fired_ = false;
    bool locked_ = false;
};

// A call on a destroyed object: counted and logged, never crashing.
HRESULT dead_call(int method, const Shell &shell);

}  // namespace gsim
