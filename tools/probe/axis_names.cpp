#include "axis_names.h"

#include "cli_args.h"
#include "gantrel.h"
#include "probe_errors.h"

#include <cctype>
#include <cstdio>

namespace probe {

namespace {

const char *const kAxisNames[8] = {"X", "Y", "Z", "Rx", "Ry", "Rz", "slider 0", "slider 1"};

std::string squeeze_lower(const std::string &text) {
    std::string out;
    for (char c : text)
        if (c != ' ' && c != '_') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

const char *axis_name(int32_t code) { return code >= 0 && code < 8 ? kAxisNames[code] : "none"; }

const char *axis_directinput_name(int32_t code) {
    static const char *const names[8] = {"X axis",     "Y axis",     "Z axis",   "X rotation",
                                         "Y rotation", "Z rotation", "slider 0", "slider 1"};
    return code >= 0 && code < 8 ? names[code] : "none";
}

const char *axis_label(int32_t code) {
    static const char *const labels[8] = {"X", "Y", "Z", "Rx", "Ry", "Rz", "S0", "S1"};
    return code >= 0 && code < 8 ? labels[code] : "none";
}

const char *axis_hint(int32_t code) {
    // How wheels, pedal sets and sticks commonly report themselves; a device
    // may differ, which poll shows at once.
    static const char *const hints[8] = {
        "steering; stick left-right",
        "accelerator or both pedals; stick forward-back",
        "a pedal on some wheels; throttle",
        "a pedal on some wheels",
        "a pedal on some wheels",
        "brake pedal; stick twist",
        "clutch pedal; throttle lever",
        "handbrake or another pedal",
    };
    return code >= 0 && code < 8 ? hints[code] : "";
}

int32_t parse_axis(const std::string &text, const std::string &what) {
    const std::string t = squeeze_lower(text);
    if (t == "none" || t == "-" || t == "-1") return DIB_AXIS_NONE;
    for (int32_t code = 0; code < 8; code++)
        if (t == squeeze_lower(kAxisNames[code]) || t == std::to_string(code)) return code;
    if (t == "s0") return DIB_AXIS_SLIDER0;
    if (t == "s1") return DIB_AXIS_SLIDER1;
    throw usage_error(what + ": \"" + text + "\" is not an axis (X, Y, Z, Rx, Ry, Rz, slider0, slider1 or none)");
}

std::string axis_mask_names(int32_t mask) {
    std::string out;
    for (int32_t code = 0; code < 8; code++) {
        if (!(mask & (1 << code))) continue;
        if (!out.empty()) out += ", ";
        out += kAxisNames[code];
    }
    return out.empty() ? "none" : out;
}

void first_two_axes(int32_t mask, int32_t &axis0, int32_t &axis1) {
    axis0 = axis1 = DIB_AXIS_NONE;
    for (int32_t code = 0; code < 8; code++) {
        if (!(mask & (1 << code))) continue;
        if (axis0 == DIB_AXIS_NONE) {
            axis0 = code;
        } else {
            axis1 = code;
            return;
        }
    }
}

const char *hat_name(unsigned code) {
    static const char *const names[8] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
    return code < 8 ? names[code] : "-";
}

std::string mask_text(int32_t mask) {
    char text[48];
    std::snprintf(text, sizeof text, "0x%02lX, bit n = axis code n", static_cast<unsigned long>(mask));
    return text;
}

std::string autocenter_bits(int32_t state) {
    std::string out = std::to_string(state) + " =";
    for (int32_t bit = 1; bit <= 8; bit <<= 1)
        if (state & bit) out += (out.back() == '=' ? " " : " + ") + std::to_string(bit);
    return out.back() == '=' ? out + " no bit set" : out;
}

std::string autocenter_text(int32_t state) {
    std::string before;
    if (!(state & DIB_AUTOCENTER_READ))
        before = "could not be read before opening";
    else
        before = (state & DIB_AUTOCENTER_WAS_ON) ? "was on before opening" : "was already off before opening";
    const char *change = (state & DIB_AUTOCENTER_SWITCHED_OFF) ? "switched off" : "could not be switched off";
    const char *check = (state & DIB_AUTOCENTER_CONFIRMED_OFF) ? "confirmed off after acquiring"
                                                                : "not confirmed off after acquiring";
    return before + ", " + change + ", " + check;
}

}  // namespace probe
