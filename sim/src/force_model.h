// The force one effect puts on the axes, from its DirectInput parameters,
// the time since it started and how the axes move. Pure arithmetic: the
// recorder (force_recorder.h) supplies the state.
#pragma once
#include "gantrel_sim.h"

namespace gsim {

// Axis slots: c_dfDIJoystick2's eight axes, slot = offset / 4.
const int kForceSlots = 8;

// Where an axis is and how it moves, in the condition metrics of
// gantrel_sim_force.h (position, velocity, acceleration; +-10000 full scale).
struct AxisKinematics {
    double position = 0;
    double velocity = 0;
    double acceleration = 0;
};

struct EffectSnapshot {
    const GUID *guid;
    const GSIM_EFFECT_PARAMS *params;
    double elapsed_us;           // since the effect started
    DWORD iterations;            // of the last Start; INFINITE repeats forever
    int slots[GSIM_MAX_EFFECT_AXES]; // each effect axis's slot, -1 if none
};

// Adds the effect's push (positive toward each axis's positive end, before
// the device's gain) to push[slot]. False, adding nothing, when the effect
// is outside its play time or of a kind the model does not know.
bool add_effect_push(const EffectSnapshot &effect, const AxisKinematics axes[kForceSlots],
                     double push[kForceSlots]);

// Pieces of the model, exposed for their own use.
double wave_value(const GUID &wave, double cycle_fraction);   // -1..1
double envelope_level(const GSIM_EFFECT_PARAMS &p, double sustain, double t_us);
double condition_force(const DICONDITION &c, double metric, bool friction);

}  // namespace gsim
