#include "effect_pair.h"

#include <cstring>

namespace bench {
namespace {

LONG scaled(int32_t v) { return static_cast<LONG>(v * 10000 / 4096); }

}  // namespace

EffectPair::EffectPair(EffectShape shape, bool envelope, int axes) : shape_(shape) {
    std::memset(&params, 0, sizeof params);
    params.gain = 4096;
    params.direction_deg = 90;
    params.use_envelope = envelope ? 1 : 0;
    params.attack_level = 1024;
    params.attack_ms = 100;
    params.fade_level = 512;
    params.fade_ms = 200;
    params.constant_magnitude = 2000;
    params.periodic_magnitude = 3000;
    params.period_ms = 50;
    for (ConditionAxisParams& c : params.cond) {
        c.enabled = 1;
        c.positive_coefficient = c.negative_coefficient = 2048;
        c.positive_saturation = c.negative_saturation = 4096;
    }

    std::memset(&effect, 0, sizeof effect);
    effect.dwSize = sizeof effect;
    effect.dwFlags = DIEFF_OBJECTOFFSETS | (axes == 1 ? DIEFF_CARTESIAN : DIEFF_POLAR);
    effect.dwDuration = INFINITE;
    effect.dwGain = 10000;
    effect.dwTriggerButton = DIEB_NOTRIGGER;
    axes_[0] = DIJOFS_X;
    axes_[1] = DIJOFS_Y;
    effect.cAxes = axes == 1 ? 1 : 2;
    effect.rgdwAxes = axes_;
    directions_[0] = axes == 1 ? 1 : shape == EffectShape::condition ? 0 : 9000;
    directions_[1] = 0;
    effect.rglDirection = directions_;

    constant_ = {scaled(params.constant_magnitude)};
    periodic_ = {static_cast<DWORD>(scaled(params.periodic_magnitude)), 0, 0, 50000};
    for (DICONDITION& c : conditions_) c = {0, 5000, 5000, 10000, 10000, 0};
    switch (shape) {
        case EffectShape::constant:
            effect.cbTypeSpecificParams = sizeof constant_;
            effect.lpvTypeSpecificParams = &constant_;
            break;
        case EffectShape::periodic:
            effect.cbTypeSpecificParams = sizeof periodic_;
            effect.lpvTypeSpecificParams = &periodic_;
            break;
        case EffectShape::condition:
            effect.cbTypeSpecificParams = effect.cAxes * sizeof(DICONDITION);
            effect.lpvTypeSpecificParams = conditions_;
            break;
    }
    envelope_ = {sizeof(DIENVELOPE), 2500, 100000, 1250, 200000};
    if (envelope) effect.lpEnvelope = &envelope_;
}

int32_t EffectPair::bridge_type() const {
    switch (shape_) {
        case EffectShape::constant: return DIB_EFFECT_CONSTANT;
        case EffectShape::periodic: return DIB_EFFECT_SINE;
        case EffectShape::condition: return DIB_EFFECT_SPRING;
    }
    return 0;
}

const GUID& EffectPair::guid() const {
    switch (shape_) {
        case EffectShape::constant: return GUID_ConstantForce;
        case EffectShape::periodic: return GUID_Sine;
        case EffectShape::condition: return GUID_Spring;
    }
    return GUID_ConstantForce;
}

DWORD EffectPair::update_flags() const {
    DWORD flags = DIEP_DURATION | DIEP_GAIN | DIEP_TYPESPECIFICPARAMS | DIEP_NORESTART;
    if (shape_ != EffectShape::condition) flags |= DIEP_DIRECTION;
    if (params.use_envelope) flags |= DIEP_ENVELOPE;
    return flags;
}

void EffectPair::vary(int step) {
    const int32_t level = step % 4096;
    params.constant_magnitude = level;
    params.periodic_magnitude = level;
    params.cond[0].offset = params.cond[1].offset = level;
    constant_.lMagnitude = scaled(level);
    periodic_.dwMagnitude = static_cast<DWORD>(scaled(level));
    conditions_[0].lOffset = conditions_[1].lOffset = scaled(level);
}

}  // namespace bench
