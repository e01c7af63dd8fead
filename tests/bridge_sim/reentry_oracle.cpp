#include "reentry_oracle.h"

#include <windows.h>

#include "gantrel.h"
#include "gantrel_sim.h"

namespace simtest {
namespace {

constexpr char kReentrant[] = "re-entrant call from a window procedure during another gantrel call";
constexpr char kExclusive[] = "another application has exclusive use of the device";
constexpr char kHeld[] =
    "Another application holds this device exclusively - close other FFB software and disable in-game force "
    "feedback";
constexpr char kLost[] = "device input lost; reacquire failed";
constexpr char kReadFailed[] = "GetDeviceState failed";
constexpr Outcome kOk{kSucceeds, nullptr};

// What the interrupted call gives when one of its DirectInput calls meets
// an event: a failure made on it, an unplugged device (from the action on),
// a closed window. The first call of the way that meets one decides; the
// first matching row; nth 0: any.
struct Meets {
    Export path;
    int method, nth;
    unsigned events;
    Outcome outcome;
};
const Meets kMeets[] = {
    {Export::open, GSIM_M_DI_CREATEDEVICE, 0, kFails | kUnplugged, {-1, "CreateDevice failed (device unplugged?)"}},
    {Export::open, GSIM_M_DEV_SETDATAFORMAT, 0, kFails, {-1, "SetDataFormat failed"}},
    {Export::open, GSIM_M_DEV_SETCOOPERATIVELEVEL, 0, kFails | kWindowGone, {-1, "SetCooperativeLevel failed"}},
    {Export::open, GSIM_M_DEV_ACQUIRE, 0, kFails | kUnplugged, {-1, "Acquire failed"}},
    {Export::query_ffb_axes, GSIM_M_DI_CREATEDEVICE, 0, kFails | kUnplugged, {-6, "CreateDevice failed"}},
    {Export::enumerate, GSIM_M_DI_ENUMDEVICES, 0, kFails, {-1, "EnumDevices failed"}},
    // An unplugged device's input is lost: re-acquiring it fails.
    {Export::poll, GSIM_M_DEV_GETDEVICESTATE, 1, kUnplugged, {-6, kLost}},
    {Export::poll, GSIM_M_DEV_GETDEVICESTATE, 0, kFails | kUnplugged, {-6, kReadFailed}},
    {Export::poll, GSIM_M_DEV_ACQUIRE, 0, kFails | kUnplugged, {-6, kLost}},
    {Export::device_reset, GSIM_M_DEV_SENDFORCEFEEDBACKCOMMAND, 0, kFails | kUnplugged, {-1, "DISFFC_RESET failed"}},
    {Export::effect_create, GSIM_M_DEV_CREATEEFFECT, 0, kFails, {-1, "CreateEffect failed"}},
    {Export::effect_update, GSIM_M_EFF_SETPARAMETERS, 0, kFails, {-1, "SetParameters failed"}},
    {Export::effect_start, GSIM_M_EFF_START, 0, kFails, {-1, "effect Start failed"}},
    {Export::effect_start, GSIM_M_EFF_START, 0, kUnplugged, {-3, kExclusive}},
};

// What an export gives for a handle the host no longer has.
Outcome bad_handle(Export call) {
    switch (call) {
        case Export::ffb_axes: case Export::set_axis_map: case Export::effect_create:
            return {-2, "bad device handle"};
        case Export::effect_update: case Export::effect_start:
            return {-2, "bad effect handle"};
        default:
            return {-2, nullptr};
    }
}

bool on_effect(Export call) {
    return call == Export::effect_update || call == Export::effect_start || call == Export::effect_stop ||
           call == Export::effect_destroy;
}

// dib_release takes the device and its effects away from its start,
// dib_device_reset the device's effects, dib_effect_destroy the effect.
bool takes_away(const Situation& s) {
    if (s.target != Target::this_device) return false;
    return s.path == Export::release ||
           ((s.path == Export::device_reset || s.path == Export::effect_destroy) && on_effect(s.action));
}

bool runs_at_once(const Situation& s) {
    return s.action != Export::none && !(takes_bridge_lock(s.path) && takes_bridge_lock(s.action));
}

int first_of(const Situation& s, int method) {
    int i = 0;
    while (i < int(s.calls->size()) && (*s.calls)[i].method != method) ++i;
    return i;
}

// A poll of a device that lost its input, before its re-acquire.
bool input_lost_at(const Situation& s) { return s.lost_input && s.at <= first_of(s, GSIM_M_DEV_ACQUIRE); }

const Outcome* meets(const Situation& s, const TracedCall& c, unsigned event) {
    for (const Meets& m : kMeets)
        if (m.path == s.path && m.method == c.method && (m.nth == 0 || m.nth == c.nth) && (m.events & event))
            return &m.outcome;
    return nullptr;
}

// The message alone, or followed by " (HRESULT 0x" and eight upper-case digits.
bool message_is(const std::string& got, const char* text) {
    const std::string prefix = std::string(text) + " (HRESULT 0x";
    if (got == text) return true;
    if (got.size() != prefix.size() + 9 || got.compare(0, prefix.size(), prefix) != 0 || got.back() != ')')
        return false;
    return got.find_first_not_of("0123456789ABCDEF", prefix.size()) == got.size() - 1;
}

}  // namespace

const char* export_name(Export call) {
    static const char* const kNames[] = {
        "dib_abi_version",   "dib_build_info",    "dib_last_error",     "dib_enumerate",
        "dib_open",          "dib_release",       "dib_device_reset",   "dib_autocenter_state",
        "dib_ffb_axes",      "dib_query_ffb_axes", "dib_set_axis_map",  "dib_poll",
        "dib_effect_create", "dib_effect_update", "dib_effect_start",   "dib_effect_stop",
        "dib_effect_destroy", "no export"};
    return kNames[static_cast<int>(call)];
}

bool takes_bridge_lock(Export call) {
    switch (call) {
        case Export::open: case Export::release: case Export::device_reset: case Export::set_axis_map:
        case Export::effect_create: case Export::effect_update: case Export::effect_start:
        case Export::effect_stop: case Export::effect_destroy:
            return true;
        default:
            return false;
    }
}

// gantrel.h: no release or axis map change of a device while another thread
// polls or queries it, no enumeration while another thread opens or releases.
bool forbidden(const Situation& s) {
    if (!s.second_thread) return false;
    const bool on_it = s.target == Target::this_device;
    const bool reads_it = (on_it && (s.action == Export::poll || s.action == Export::autocenter_state ||
                                     s.action == Export::ffb_axes)) ||
                          s.target == Target::this_guid;
    const bool changes_it = on_it && (s.action == Export::release || s.action == Export::set_axis_map);
    const bool opens_or_releases = s.action == Export::open || s.action == Export::release;
    return (s.path == Export::poll && changes_it) || (s.path == Export::release && reads_it) ||
           (s.action == Export::enumerate && (s.path == Export::open || s.path == Export::release)) ||
           (s.path == Export::enumerate && opens_or_releases);
}

bool waits_for_path(const Situation& s) {
    return s.second_thread && takes_bridge_lock(s.path) && takes_bridge_lock(s.action);
}

Outcome path_outcome(const Situation& s) {
    const bool now = runs_at_once(s) && s.target == Target::this_device;
    if (s.path == Export::poll && now && s.action == Export::release) return {-2, nullptr};
    // A poll of the device made before this one's re-acquire re-acquires it
    // for both: this one then reads without re-acquiring.
    const int acquire = first_of(s, GSIM_M_DEV_ACQUIRE);
    const int end = now && s.action == Export::poll && s.lost_input && s.at < acquire ? acquire : int(s.calls->size());
    for (int i = 0; i < end; ++i) {
        // A call made to fail fails, whatever else it meets.
        for (const unsigned event : {i == s.failing ? unsigned(kFails) : 0u, i >= s.at ? s.event : 0u})
            if (const Outcome* o = event ? meets(s, (*s.calls)[i], event) : nullptr) return *o;
    }
    return s.alone;
}

Outcome action_outcome(const Situation& s) {
    if (s.action == Export::none) return kOk;
    if (!runs_at_once(s)) {
        if (!s.second_thread) return {-1, kReentrant};
        // It waited for the path, and meets what the path left.
        if (takes_away(s)) return bad_handle(s.action);
        Situation alone = s;
        alone.action = Export::none;
        alone.event = 0;
        const bool held =
            s.path == Export::open && (path_outcome(alone).result >= 0 || s.alone.result == DIB_E_EXCLUSIVE);
        return s.action == Export::open && held ? Outcome{-3, kHeld} : kOk;
    }
    if (s.path == Export::release && s.target == Target::this_device) return bad_handle(s.action);
    if (s.target == Target::this_device && input_lost_at(s)) {
        if (s.action == Export::effect_start) return {-3, kExclusive};
        if (s.action == Export::device_reset) return {-1, "DISFFC_RESET failed"};
    }
    return kOk;
}

Outcome two_pollers_outcome(bool inside_at_release) { return inside_at_release ? Outcome{-2, nullptr} : kOk; }

std::string mismatch(const Outcome& want, int32_t result, const std::string& before, const std::string& after) {
    const bool code = want.result == kSucceeds ? result >= 0 : result == want.result;
    if (code && (want.message ? message_is(after, want.message) : after == before)) return "";
    return "returned " + std::to_string(result) +
           (after == before ? " leaving the message" : " with \"" + after + "\"") + ", not " +
           (want.result == kSucceeds ? std::string("a success") : std::to_string(want.result)) +
           (want.message ? " with \"" + std::string(want.message) + "\"" : " leaving the message");
}

}  // namespace simtest
