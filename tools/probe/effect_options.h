// Effect types by name, and the EffectParams a play command asks for.
#pragma once
#include "cli_args.h"
#include "gantrel.h"

#include <string>
#include <vector>

namespace probe {

// The ten effect names in type order: constant square sine triangle
// sawtoothup sawtoothdown spring damper inertia friction.
const std::vector<std::string> &effect_names();
const char *effect_name(int32_t type);
// Throws a usage error listing the names for an unknown one.
int32_t effect_type(const std::string &name);
bool is_condition(int32_t type);
bool is_periodic(int32_t type);

// The effect options a play command knows (with --seconds and the others
// of play added by the command itself).
OptionTable effect_option_table();

// EffectParams for `type` from the options, over the probe's defaults
// (full gain, until stopped, direction 90, magnitude 2048, period 200 ms,
// conditions on both mapped axes with coefficients 2048, saturations 4096).
// Throws a usage error for values out of range and for options that do
// not apply to the type.
EffectParams effect_params(int32_t type, const ParsedArgs &args);

// One line such as "sine: magnitude 2048, offset 0, period 200 ms, phase 0,
// gain 4096, until stopped"; the direction only when it acts on two axes.
std::string describe_effect(int32_t type, const EffectParams &p, bool two_axes);

}  // namespace probe
