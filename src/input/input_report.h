#pragma once
#include <windows.h>
#include <dinput.h>

#include <cstdint>

#include "gantrel.h"

namespace gantrel {

// -4096..4096, as the bridge sets every axis's range.
int16_t clamp_axis(int32_t value);

// 0 north .. 7 north-west (45-degree sectors, lower boundary included),
// 15 for a centred hat (low 16 bits all ones).
uint16_t pov_code(uint32_t value);

// True when -1 <= code <= 7.
inline bool valid_axis_code(int32_t code) { return static_cast<uint32_t>(code) + 1u <= 8u; }

// Writes exactly bytes 0..25 of *report from a device state.
void build_input_report(const DIJOYSTATE2& state, const int32_t axis_map[2],
                        const uint8_t axis_flip[2], InputReport* report);

}  // namespace gantrel
