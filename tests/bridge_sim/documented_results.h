#pragma once
// What each export may return, and which message it leaves for its thread,
// as gantrel.h and docs/messages.md document them.
#include <cstdint>
#include <string>

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

// "" when `result` is one the export documents and the thread's message went
// from `before` to `after` as that result documents: a success or a silent
// failure leaves it alone, any other failure writes one of its own (with
// or without its HRESULT). Otherwise what is wrong.
std::string undocumented(Export call, int32_t result, const std::string& before, const std::string& after);

}  // namespace simtest
