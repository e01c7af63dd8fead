#pragma once
// What a re-entry case calls for: the result and message of the interrupted
// call and of the host's action, from the rules that docs/integrating.md
// tables under "Calls made while another call waits".
#include <cstdint>
#include <string>
#include <vector>

namespace simtest {

enum class Export {
    abi_version, build_info, last_error, enumerate, open, release, device_reset, autocenter_state,
    ffb_axes, query_ffb_axes, set_axis_map, poll, effect_create, effect_update, effect_start,
    effect_stop, effect_destroy,
    none,  // a host action that calls no export
};

const char* export_name(Export call);
// The nine that hold the bridge lock for their whole duration.
bool takes_bridge_lock(Export call);

// What an action is aimed at: the interrupted call's device (by handle or
// by GUID), another open device, the device no one has open.
enum class Target { none, this_device, this_guid, other_device, spare };

// What a DirectInput call of the interrupted call meets: the failure a
// failure route makes, or what an action that calls no export did.
enum Event : unsigned { kFails = 1, kUnplugged = 2, kWindowGone = 4 };

// A result (kSucceeds: any result >= 0) and the thread's message after it
// (nullptr: left as it was; otherwise this text, with or without HRESULT).
constexpr int32_t kSucceeds = INT32_MAX;
struct Outcome {
    int32_t result;
    const char* message;
};

// One DirectInput call of a traced way through an export.
struct TracedCall {
    int method;
    int nth;     // among this way's calls of the method, from 1
    int device;  // the simulator's device index, -1 none
};

struct Situation {
    Export path;
    bool lost_input;  // the path's device lost its input before the path
    Outcome alone;    // the path's result undisturbed, with no call failing
    const std::vector<TracedCall>* calls;
    int failing;  // index of the call made to fail once, -1 none
    int at;       // index of the call the action is made at
    Export action;
    Target target;
    unsigned event;  // kUnplugged or kWindowGone for an action that calls no export
    bool second_thread;
};

// A use gantrel.h forbids (the situation calls for nothing).
bool forbidden(const Situation& s);
// A locking call from another thread during a locking call: it waits.
bool waits_for_path(const Situation& s);
Outcome path_outcome(const Situation& s);
Outcome action_outcome(const Situation& s);
// Two polls of one device on two threads, and a window procedure of one of
// the threads that releases the device: the poll of that thread, if still
// inside DirectInput then, or else the other one.
Outcome two_pollers_outcome(bool inside_at_release);
// "" when the result and the message, from `before` to `after`, are `want`.
std::string mismatch(const Outcome& want, int32_t result, const std::string& before, const std::string& after);

}  // namespace simtest
