#include "documented_results.h"

#include <climits>
#include <initializer_list>

namespace simtest {
namespace {

constexpr char kReentrant[] = "re-entrant call from a window procedure during another gantrel call";
constexpr char kExclusive[] = "another application has exclusive use of the device";
constexpr char kHeldElsewhere[] =
    "Another application holds this device exclusively - close other FFB software and disable in-game force "
    "feedback";

// Results low..high and the messages they leave; no message: left alone.
struct Row {
    Export call;
    int32_t low, high;
    std::initializer_list<const char*> messages;
};

const Row kRows[] = {
    {Export::abi_version, 1, 1, {}},
    {Export::build_info, 8, 511, {}},
    {Export::last_error, 0, 511, {}},
    {Export::enumerate, 2, INT32_MAX, {}},
    {Export::enumerate, -1, -1, {"DirectInput8Create failed", "EnumDevices failed", "out of memory"}},
    {Export::enumerate, -2, -2, {"bad buffer", "buffer too small"}},
    {Export::open, 1, 8, {}},
    {Export::open, -1, -1,
     {"DirectInput8Create failed", "hidden window creation failed", "device table full",
      "CreateDevice failed (device unplugged?)", "SetDataFormat failed", "SetCooperativeLevel failed",
      "Acquire failed", kReentrant}},
    {Export::open, -2, -2, {"null guid", "malformed guid string"}},
    {Export::open, -3, -3, {kHeldElsewhere}},
    {Export::release, 0, 0, {}},
    {Export::release, -1, -1, {kReentrant}},
    {Export::release, -2, -2, {}},
    {Export::device_reset, 0, 0, {}},
    {Export::device_reset, -1, -1, {"DISFFC_RESET failed", kReentrant}},
    {Export::device_reset, -2, -2, {}},
    {Export::autocenter_state, 0, 15, {}},
    {Export::autocenter_state, -2, -2, {}},
    {Export::ffb_axes, 0, 255, {}},
    {Export::ffb_axes, -2, -2, {"bad device handle"}},
    {Export::query_ffb_axes, 0, 255, {}},
    {Export::query_ffb_axes, -1, -1, {"DirectInput8Create failed"}},
    {Export::query_ffb_axes, -2, -2, {"bad GUID string"}},
    {Export::query_ffb_axes, -6, -6, {"CreateDevice failed"}},
    {Export::set_axis_map, 0, 0, {}},
    {Export::set_axis_map, -1, -1, {kReentrant}},
    {Export::set_axis_map, -2, -2, {"bad device handle", "axis code out of range"}},
    {Export::poll, 0, 0, {}},
    {Export::poll, -2, -2, {}},
    {Export::poll, -6, -6, {"GetDeviceState failed", "device input lost; reacquire failed"}},
    {Export::effect_create, 1, 64, {}},
    {Export::effect_create, -1, -1, {"CreateEffect failed", kReentrant}},
    {Export::effect_create, -2, -2, {"bad device handle", "condition effect with no axes"}},
    {Export::effect_create, -3, -3, {kExclusive}},
    {Export::effect_create, -4, -4, {"bridge effect table full", "device effect pool exhausted"}},
    {Export::effect_create, -5, -5, {"unsupported effect type", "CreateEffect failed"}},
    {Export::effect_update, 0, 0, {}},
    {Export::effect_update, -1, -1, {"SetParameters failed", kReentrant}},
    {Export::effect_update, -2, -2, {"bad effect handle"}},
    {Export::effect_start, 0, 0, {}},
    {Export::effect_start, -1, -1, {"effect Start failed", kReentrant}},
    {Export::effect_start, -2, -2, {"bad effect handle", "stale effect handle"}},
    {Export::effect_start, -3, -3, {kExclusive}},
    {Export::effect_stop, 0, 0, {}},
    {Export::effect_stop, -1, -1, {kReentrant}},
    {Export::effect_stop, -2, -2, {}},
    {Export::effect_destroy, 0, 0, {}},
    {Export::effect_destroy, -1, -1, {kReentrant}},
    {Export::effect_destroy, -2, -2, {}},
};

// The text alone, or followed by " (HRESULT 0x" and eight upper-case digits.
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

std::string undocumented(Export call, int32_t result, const std::string& before, const std::string& after) {
    for (const Row& row : kRows) {
        if (row.call != call || result < row.low || result > row.high) continue;
        if (row.messages.size() == 0)
            return after == before ? "" : "left the message \"" + after + "\" (had \"" + before + "\")";
        for (const char* message : row.messages)
            if (message_is(after, message)) return "";
        return "returned " + std::to_string(result) + " with the message \"" + after + "\"";
    }
    return "returned " + std::to_string(result) + ", which it does not document";
}

}  // namespace simtest
