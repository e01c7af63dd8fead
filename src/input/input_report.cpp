#include "input/input_report.h"

namespace gantrel {

int16_t clamp_axis(int32_t value) {
    if (value > 4096) return 4096;
    if (value < -4096) return -4096;
    return static_cast<int16_t>(value);
}

uint16_t pov_code(uint32_t value) {
    if ((value & 0xFFFFu) == 0xFFFFu) return 15;
    return static_cast<uint16_t>(((value + 2250u) / 4500u) % 8u);
}

void build_input_report(const DIJOYSTATE2& state, const int32_t axis_map[2],
                        const uint8_t axis_flip[2], InputReport* report) {
    const int32_t axes[8] = {state.lX,  state.lY,  state.lZ,            state.lRx,
                             state.lRy, state.lRz, state.rglSlider[0], state.rglSlider[1]};
    int16_t mapped[2];
    for (int i = 0; i < 2; ++i) {
        if (axis_map[i] < 0) {
            mapped[i] = 0;
            continue;
        }
        uint32_t raw = static_cast<uint32_t>(axes[axis_map[i]]);
        if (axis_flip[i]) raw = 0u - raw;
        mapped[i] = clamp_axis(static_cast<int32_t>(raw));
    }
    uint64_t buttons = 0;
    for (int n = 0; n < 64; ++n)
        if (state.rgbButtons[n] & 0x80) buttons |= uint64_t{1} << n;
    uint16_t povs = 0;
    for (int h = 0; h < 4; ++h) povs |= static_cast<uint16_t>(pov_code(state.rgdwPOV[h]) << (4 * h));

    // Field by field: the record's padding (bytes 26..31) belongs to the host.
    report->axis0 = mapped[0];
    report->axis1 = mapped[1];
    report->z = clamp_axis(state.lZ);
    report->rx = clamp_axis(state.lRx);
    report->ry = clamp_axis(state.lRy);
    report->rz = clamp_axis(state.lRz);
    report->slider0 = clamp_axis(state.rglSlider[0]);
    report->slider1 = clamp_axis(state.rglSlider[1]);
    report->button_mask = buttons;
    report->pov_codes = povs;
}

}  // namespace gantrel
