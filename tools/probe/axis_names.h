// Names of device axes, hats and auto-centre outcomes, as the probe prints them.
#pragma once
#include <cstdint>
#include <string>

namespace probe {

// "X", "Y", "Z", "Rx", "Ry", "Rz", "slider 0", "slider 1"; "none" for -1.
const char *axis_name(int32_t code);
// What DirectInput calls the axis ("X axis", "Z rotation", "slider 0") and
// what it usually is on a wheel, pedals or a stick ("brake pedal; stick twist").
const char *axis_directinput_name(int32_t code);
const char *axis_hint(int32_t code);
// The short label of poll and test: "X", "Y", "Z", "Rx", "Ry", "Rz", "S0", "S1".
const char *axis_label(int32_t code);
// An axis given on the command line: a name above (case ignored, "slider0"
// and "s0" too), "none" or "-", or a code -1..7. Throws a usage ProbeError.
int32_t parse_axis(const std::string &text, const std::string &what);
// "X, Y" for mask 0x3; "none" for 0.
std::string axis_mask_names(int32_t mask);
// The first two axes of a mask, -1 where there is none.
void first_two_axes(int32_t mask, int32_t &axis0, int32_t &axis1);

// A hat's 4-bit code as a compass point ("N", "NE", ...), "-" when centred.
const char *hat_name(unsigned code);

// A mask as the library returns it, with its reading: "0x03, bit n = axis code n".
std::string mask_text(int32_t mask);

// dib_autocenter_state's bits in words, e.g. "was on before opening,
// switched off, confirmed off".
std::string autocenter_text(int32_t state);
// The same value as its bits: "15 = 1 + 2 + 4 + 8", "0 = no bit set".
std::string autocenter_bits(int32_t state);

}  // namespace probe
