// The library's device list: fetching it, reading its JSON, printing it as
// a table, and choosing a device from it (or from the game controllers it
// leaves out) by index or GUID.
#pragma once
#include <string>
#include <vector>

namespace probe {

struct DeviceEntry {
    std::string guid;
    std::string name;  // bytes in the system's ANSI code page, as listed
    unsigned vid = 0, pid = 0;
    int ff_axes = 0, buttons = 0, povs = 0;
    unsigned long sample_period_us = 0;
    std::vector<std::string> effects;
};

// dib_enumerate's text, with a buffer grown until it fits.
std::string enumerate_text();
// Reads the list; throws a ProbeError on text that is not a device list.
std::vector<DeviceEntry> parse_device_list(const std::string &json);

// "0x1209:0x4701": USB ids in hexadecimal, as USB tools show them (the
// library's JSON has the same numbers in decimal).
std::string vid_pid_text(const DeviceEntry &device);
// One row per device; ff_axes_text[i] names device i's actuator axes.
std::string device_table(const std::vector<DeviceEntry> &devices, const std::vector<std::string> &ff_axes_text);

// A game controller as DirectInput itself reports it, with what it says of
// its force feedback: also one the library leaves out of its list.
struct GameController {
    DeviceEntry entry;           // as the list would describe it; effects as DirectInput enumerates them
    bool force_feedback = false; // DIDC_FORCEFEEDBACK among its capabilities
    int pid_controls = 0;        // its objects on the HID usage page of force feedback (PID)
};

struct DeviceChoice {
    std::string guid;
    int index = -1;                     // -1 when given by GUID
    const DeviceEntry *entry = nullptr; // nullptr for a GUID not in the list
    // A game controller the library does not list, as DirectInput describes it.
    const GameController *unlisted = nullptr;
    std::string label() const;          // "device 0" or the GUID
    // What is known of the device: the list's entry, else DirectInput's.
    const DeviceEntry *about() const { return entry ? entry : unlisted ? &unlisted->entry : nullptr; }
};

// A device that went away, in a new list: by its GUID or, as Wine lists a
// device plugged in again under a new GUID, by its USB ids and name, but
// never one of the GUIDs listed when it went (a twin that stayed). The
// index in `devices`, or -1 while it is not back.
int find_again(const std::vector<DeviceEntry> &devices, const std::string &guid, const DeviceEntry &was,
               const std::vector<std::string> &listed_when_gone);

// DEVICE on the command line: a GUID text "{...}" or an index, numbering
// the list's devices first and then `unlisted`, the game controllers the
// list leaves out (as list --all shows them). Throws a usage error for
// anything else and a no-device error for an index past them all.
DeviceChoice choose_device(const std::string &wanted, const std::vector<DeviceEntry> &devices,
                           const std::vector<GameController> &unlisted = {});
// "2 force-feedback controller(s) attached, numbered 0 to 1" and the game
// controllers without force feedback after them.
std::string attached_text(size_t listed, size_t unlisted);

}  // namespace probe
