#include "force_model.h"

#include "effect_catalog.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace gsim {

namespace {

const double kPi = 3.14159265358979323846;

// The unit vector of the direction the force comes from, over the effect's
// axes, as DirectInput defines its three coordinate systems.
void direction_vector(const GSIM_EFFECT_PARAMS &p, int n, double d[GSIM_MAX_EFFECT_AXES]) {
    std::fill(d, d + GSIM_MAX_EFFECT_AXES, 0.0);
    if (n < 1) return;
    const LONG *dir = p.directions;
    if (p.dwFlags & DIEFF_CARTESIAN) {
        double norm = 0;
        for (int i = 0; i < n; i++) norm += static_cast<double>(dir[i]) * dir[i];
        norm = std::sqrt(norm);
        if (norm > 0)
            for (int i = 0; i < n; i++) d[i] = dir[i] / norm;
    } else if (p.dwFlags & DIEFF_POLAR) {
        // Hundredths of a degree clockwise from north, north being -Y.
        const double a = dir[0] * kPi / 18000.0;
        d[0] = std::sin(a);
        if (n > 1) d[1] = -std::cos(a);
    } else if (p.dwFlags & DIEFF_SPHERICAL) {
        // Each angle turns the vector from the axes so far toward the next.
        d[0] = 1;
        for (int k = 0; k + 1 < n; k++) {
            const double a = dir[k] * kPi / 18000.0;
            for (int i = 0; i <= k; i++) d[i] *= std::cos(a);
            d[k + 1] = std::sin(a);
        }
    }
}

// Time within the current iteration, or a negative value outside play time.
double iteration_time(const EffectSnapshot &e) {
    const GSIM_EFFECT_PARAMS &p = *e.params;
    double t = e.elapsed_us;
    if (p.dwSize == sizeof(DIEFFECT)) t -= p.dwStartDelay;
    if (t < 0 || e.iterations == 0) return -1;
    if (p.dwDuration == INFINITE) return t;
    const double duration = p.dwDuration;
    if (duration <= 0) return -1;
    if (e.iterations != INFINITE && t >= duration * e.iterations) return -1;
    return std::fmod(t, duration);
}

enum class Metric { Position, Velocity, Acceleration };

double metric_of(const AxisKinematics &k, Metric m) {
    switch (m) {
    case Metric::Velocity: return k.velocity;
    case Metric::Acceleration: return k.acceleration;
    default: return k.position;
    }
}

void add_condition_push(const EffectSnapshot &e, int n, const double d[], double gain,
                        const AxisKinematics axes[], double push[]) {
    const GSIM_EFFECT_PARAMS &p = *e.params;
    const GUID &g = *e.guid;
    const bool friction = IsEqualGUID(g, GUID_Friction) != 0;
    const Metric m = IsEqualGUID(g, GUID_Spring)    ? Metric::Position
                     : IsEqualGUID(g, GUID_Inertia) ? Metric::Acceleration
                                                    : Metric::Velocity;
    const int stored = static_cast<int>(std::min<DWORD>(p.cbTypeSpecificParams, GSIM_MAX_TYPE_BYTES) /
                                        sizeof(DICONDITION));
    DICONDITION c[GSIM_MAX_TYPE_BYTES / sizeof(DICONDITION)];
    std::memcpy(c, p.type_specific, stored * sizeof(DICONDITION));
    if (stored >= n) {
        // One block per axis, each acting on its own axis.
        for (int i = 0; i < n; i++) {
            if (e.slots[i] < 0) continue;
            push[e.slots[i]] -= gain * condition_force(c[i], metric_of(axes[e.slots[i]], m), friction);
        }
        return;
    }
    // One block for several axes: it acts along the effect's direction.
    double q = 0;
    for (int i = 0; i < n; i++)
        if (e.slots[i] >= 0) q += d[i] * metric_of(axes[e.slots[i]], m);
    const double f = gain * condition_force(c[0], q, friction);
    for (int i = 0; i < n; i++)
        if (e.slots[i] >= 0) push[e.slots[i]] -= f * d[i];
}

// The signed force of a constant, ramp or periodic effect at time t (within
// the iteration), along its direction; nothing for other kinds.
bool directional_force(const GUID &g, const GSIM_EFFECT_PARAMS &p, double t, double &force) {
    const DWORD type = base_type(effect_kind(g));
    if (type == DIEFT_CONSTANTFORCE && p.cbTypeSpecificParams >= sizeof(DICONSTANTFORCE)) {
        DICONSTANTFORCE cf;
        std::memcpy(&cf, p.type_specific, sizeof cf);
        const double level = envelope_level(p, std::fabs(static_cast<double>(cf.lMagnitude)), t);
        force = cf.lMagnitude < 0 ? -level : level;
        return true;
    }
    if (type == DIEFT_RAMPFORCE && p.cbTypeSpecificParams >= sizeof(DIRAMPFORCE)) {
        DIRAMPFORCE r;
        std::memcpy(&r, p.type_specific, sizeof r);
        const double share = p.dwDuration == INFINITE ? 0.0 : t / p.dwDuration;
        force = r.lStart + (static_cast<double>(r.lEnd) - r.lStart) * share;
        return true;
    }
    if (type == DIEFT_PERIODIC && p.cbTypeSpecificParams >= sizeof(DIPERIODIC)) {
        DIPERIODIC w;
        std::memcpy(&w, p.type_specific, sizeof w);
        double cycle = w.dwPhase / 36000.0;
        if (w.dwPeriod) cycle += t / w.dwPeriod;
        cycle -= std::floor(cycle);
        force = w.lOffset + envelope_level(p, w.dwMagnitude, t) * wave_value(g, cycle);
        return true;
    }
    return false;
}

}  // namespace

double wave_value(const GUID &wave, double f) {
    if (IsEqualGUID(wave, GUID_Square)) return f < 0.5 ? 1.0 : -1.0;
    if (IsEqualGUID(wave, GUID_Sine)) return std::sin(2 * kPi * f);
    // DirectInput's phase table: triangle +max at 0, -max at 180 degrees;
    // sawtooth up from -max, sawtooth down from +max.
    if (IsEqualGUID(wave, GUID_Triangle)) return 4 * std::fabs(f - 0.5) - 1;
    if (IsEqualGUID(wave, GUID_SawtoothUp)) return 2 * f - 1;
    if (IsEqualGUID(wave, GUID_SawtoothDown)) return 1 - 2 * f;
    return 0;
}

double envelope_level(const GSIM_EFFECT_PARAMS &p, double sustain, double t) {
    if (!p.has_envelope) return sustain;
    const DIENVELOPE &e = p.envelope;
    double level = sustain;
    if (e.dwAttackTime > 0 && t < e.dwAttackTime)
        level = e.dwAttackLevel + (sustain - e.dwAttackLevel) * t / e.dwAttackTime;
    if (p.dwDuration != INFINITE && e.dwFadeTime > 0) {
        // The fade takes over from the sustain level and ends with the effect.
        const double fade_start = static_cast<double>(p.dwDuration) - e.dwFadeTime;
        if (t > fade_start) level = sustain + (e.dwFadeLevel - sustain) * (t - fade_start) / e.dwFadeTime;
    }
    return level;
}

double condition_force(const DICONDITION &c, double q, bool friction) {
    const double low = static_cast<double>(c.lOffset) - c.lDeadBand;
    const double high = static_cast<double>(c.lOffset) + c.lDeadBand;
    if (q > high) {
        const double f = friction ? c.lPositiveCoefficient : c.lPositiveCoefficient * (q - high) / 10000.0;
        const double cap = c.dwPositiveSaturation;
        return std::max(-cap, std::min(cap, f));
    }
    if (q < low) {
        const double f = friction ? -c.lNegativeCoefficient : c.lNegativeCoefficient * (q - low) / 10000.0;
        const double cap = c.dwNegativeSaturation;
        return std::max(-cap, std::min(cap, f));
    }
    return 0;
}

bool add_effect_push(const EffectSnapshot &e, const AxisKinematics axes[kForceSlots], double push[kForceSlots]) {
    const GSIM_EFFECT_PARAMS &p = *e.params;
    if (!p.has_type_specific) return false;
    const double t = iteration_time(e);
    if (t < 0) return false;
    const int n = static_cast<int>(std::min<DWORD>(p.cAxes, GSIM_MAX_EFFECT_AXES));
    double d[GSIM_MAX_EFFECT_AXES];
    direction_vector(p, n, d);
    const double gain = p.dwGain / 10000.0;

    if (base_type(effect_kind(*e.guid)) == DIEFT_CONDITION) {
        add_condition_push(e, n, d, gain, axes, push);
        return true;
    }
    double force = 0;
    if (!directional_force(*e.guid, p, t, force)) return false;
    // The force comes from direction d, so it pushes toward -d.
    for (int i = 0; i < n; i++)
        if (e.slots[i] >= 0) push[e.slots[i]] -= gain * force * d[i];
    return true;
}

}  // namespace gsim
