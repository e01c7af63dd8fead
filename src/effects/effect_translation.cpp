#include "effects/effect_translation.h"

#include <cstring>
#include <utility>

#include "effects/effect_types.h"

namespace gantrel {

// DirectInput 8's DIEFFECT, dwStartDelay included: 80 bytes on x64, 56 on x86.
static_assert(sizeof(DIEFFECT) == (sizeof(void*) == 8 ? 80 : 56),
              "DirectInput 8 DIEFFECT with dwStartDelay");
static_assert(sizeof(DICONDITION) == 24 && sizeof(DIPERIODIC) == 16 &&
                  sizeof(DICONSTANTFORCE) == 4 && sizeof(DIENVELOPE) == 20,
              "published DirectInput record sizes");

namespace {

constexpr double kScale = 10000.0 / 4096.0;  // 2.44140625, exact in binary
constexpr DWORD kDirectionFlagsPolar = DIEFF_OBJECTOFFSETS | DIEFF_POLAR;          // 0x22
constexpr DWORD kDirectionFlagsCartesian = DIEFF_OBJECTOFFSETS | DIEFF_CARTESIAN;  // 0x12

// Two's-complement arithmetic on 32 bits without signed overflow.
int32_t negate(int32_t v) { return static_cast<int32_t>(0u - static_cast<uint32_t>(v)); }
DWORD ms_to_us(int32_t ms) { return static_cast<uint32_t>(ms) * 1000u; }

LONG polar_angle(int32_t direction_deg, const uint8_t flip[2]) {
    int32_t a = 100 * (direction_deg % 360);
    if (flip[0]) a = (36000 - a) % 36000;  // mirror: theta -> -theta
    if (flip[1]) a = (54000 - a) % 36000;  // mirror across the other axis: theta -> 180 - theta
    return a;
}

DICONDITION condition_block(const ConditionAxisParams& c, bool flipped) {
    DICONDITION block{};
    block.lOffset = scale_signed(c.offset);
    block.lPositiveCoefficient = scale_signed(c.positive_coefficient);
    block.lNegativeCoefficient = scale_signed(c.negative_coefficient);
    block.dwPositiveSaturation = scale_unsigned(c.positive_saturation);
    block.dwNegativeSaturation = scale_unsigned(c.negative_saturation);
    block.lDeadBand = scale_signed(c.deadband);
    if (flipped) {
        // A reversed axis swaps what "positive" means: exchange, don't negate.
        block.lOffset = negate(block.lOffset);
        std::swap(block.lPositiveCoefficient, block.lNegativeCoefficient);
        std::swap(block.dwPositiveSaturation, block.dwNegativeSaturation);
    }
    return block;
}

// Axes and directions of constant and periodic effects; returns whether the
// type-specific block is to be flipped (one axis whose flip flag is set).
bool force_axes(const int32_t map[2], const uint8_t flip[2], const EffectParams& p,
                DIEFFECT& e, EffectScratch& s) {
    DWORD count = 0;
    if (map[0] >= 0) s.axes[count++] = axis_code_offset(map[0]);
    if (map[1] >= 0) s.axes[count++] = axis_code_offset(map[1]);
    if (count == 0) s.axes[count++] = DIJOFS_X;
    e.cAxes = count;
    if (count == 2) {
        e.dwFlags = kDirectionFlagsPolar;
        s.directions[0] = polar_angle(p.direction_deg, flip);
        s.directions[1] = 0;
        return false;
    }
    e.dwFlags = kDirectionFlagsCartesian;
    s.directions[0] = 1;
    s.directions[1] = 0;
    return map[0] >= 0 ? flip[0] != 0 : flip[1] != 0;
}

void condition_axes(const EffectSlot& slot, const int32_t map[2], const uint8_t flip[2],
                    const EffectParams& p, DIEFFECT& e, EffectScratch& s) {
    bool take[2] = {slot.cond_axis[0] && map[0] >= 0, slot.cond_axis[1] && map[1] >= 0};
    DWORD count = 0;
    if (take[0]) s.axes[count++] = axis_code_offset(map[0]);
    if (take[1]) s.axes[count++] = axis_code_offset(map[1]);
    if (count == 0) {
        s.axes[count++] = map[0] >= 0 ? axis_code_offset(map[0]) : DIJOFS_X;
        take[0] = true;
    }
    DWORD blocks = 0;
    for (int i = 0; i < 2; ++i)
        if (take[i]) s.conditions[blocks++] = condition_block(p.cond[i], flip[i] != 0);
    e.cAxes = count;
    e.dwFlags = count == 2 ? kDirectionFlagsPolar : kDirectionFlagsCartesian;
    s.directions[0] = count == 2 ? 0 : 1;
    s.directions[1] = 0;
    e.cbTypeSpecificParams = sizeof(DICONDITION) * blocks;
    e.lpvTypeSpecificParams = s.conditions;
}

void constant_block(const EffectParams& p, bool flipped, DIEFFECT& e, EffectScratch& s) {
    s.constant.lMagnitude = scale_signed(p.constant_magnitude);
    if (flipped) s.constant.lMagnitude = negate(s.constant.lMagnitude);
    e.cbTypeSpecificParams = sizeof(DICONSTANTFORCE);
    e.lpvTypeSpecificParams = &s.constant;
}

void periodic_block(const EffectParams& p, bool flipped, DIEFFECT& e, EffectScratch& s) {
    DIPERIODIC& w = s.periodic;
    w.dwMagnitude = scale_unsigned(p.periodic_magnitude);
    w.lOffset = scale_signed(p.periodic_offset);
    w.dwPhase = static_cast<DWORD>(100 * (p.phase_deg % 360));
    w.dwPeriod = p.period_ms >= 1 ? ms_to_us(p.period_ms) : 1000u;
    if (flipped) {
        w.lOffset = negate(w.lOffset);
        w.dwPhase = (w.dwPhase + 18000u) % 36000u;  // half a period later
    }
    e.cbTypeSpecificParams = sizeof(DIPERIODIC);
    e.lpvTypeSpecificParams = &w;
}

void attach_envelope(const EffectParams& p, DIEFFECT& e, EffectScratch& s) {
    s.envelope.dwSize = sizeof(DIENVELOPE);
    s.envelope.dwAttackLevel = scale_unsigned(p.attack_level);
    s.envelope.dwAttackTime = ms_to_us(p.attack_ms);
    s.envelope.dwFadeLevel = scale_unsigned(p.fade_level);
    s.envelope.dwFadeTime = ms_to_us(p.fade_ms);
    e.lpEnvelope = &s.envelope;
}

}  // namespace

int32_t scale_signed(int32_t v) {
    const double product = static_cast<double>(v) * kScale;
    if (product >= 2147483648.0) return INT32_MAX;
    if (product <= -2147483649.0) return INT32_MIN;
    return static_cast<int32_t>(product);  // truncates toward zero
}

uint32_t scale_unsigned(int32_t v) {
    if (v < 0) return 0;
    const double product = static_cast<double>(v) * kScale;
    if (product >= 4294967296.0) return UINT32_MAX;
    return static_cast<uint32_t>(product);
}

uint32_t axis_code_offset(int32_t axis_code) {
    static constexpr uint32_t kOffsets[8] = {DIJOFS_X,  DIJOFS_Y,  DIJOFS_Z,         DIJOFS_RX,
                                             DIJOFS_RY, DIJOFS_RZ, DIJOFS_SLIDER(0), DIJOFS_SLIDER(1)};
    return axis_code >= 0 && axis_code < 8 ? kOffsets[axis_code] : DIJOFS_X;
}

void translate_effect_with_map(const EffectSlot& slot, const int32_t map[2], const uint8_t flip[2],
                               const EffectParams& p, DIEFFECT& e, EffectScratch& s) {
    std::memset(&e, 0, sizeof e);
    e.dwSize = sizeof(DIEFFECT);
    e.dwGain = scale_unsigned(p.gain >= 1 ? p.gain : 4096);
    e.dwTriggerButton = DIEB_NOTRIGGER;
    e.dwDuration = p.duration_ms < 1 ? INFINITE : ms_to_us(p.duration_ms);
    e.rgdwAxes = s.axes;
    e.rglDirection = s.directions;

    switch (effect_group(slot.type)) {
        case EffectGroup::condition:
            condition_axes(slot, map, flip, p, e, s);
            break;
        case EffectGroup::constant:
            constant_block(p, force_axes(map, flip, p, e, s), e, s);
            break;
        case EffectGroup::periodic:
            periodic_block(p, force_axes(map, flip, p, e, s), e, s);
            break;
    }
    if (p.use_envelope) attach_envelope(p, e, s);
}

void translate_effect(const EffectSlot& slot, const EffectParams& p, DIEFFECT& e,
                      EffectScratch& s) {
    const DeviceSlot& device = device_at(slot.device_handle - 1);
    translate_effect_with_map(slot, device.axis_map, device.axis_flip, p, e, s);
}

}  // namespace gantrel
