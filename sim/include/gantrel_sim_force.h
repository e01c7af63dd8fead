/*
 * gantrel_sim_force.h - the simulator's force model: what each actuator axis
 * of a virtual device would feel while its effects play.
 *
 * Time. Each device gets a simulated clock when recording starts. It moves
 * only when gsim_force_advance() is called, in fixed steps, so a trace is
 * exact and repeatable whatever the machine's speed. An effect counts as
 * started at the clock's current value when the model first sees its Start
 * (or a restart caused by SetParameters), and as stopped when it no longer
 * plays; an effect that already plays when recording begins starts at 0.
 * The model reads the effect's parameters as they stand at each step, so an
 * update during play takes effect at the next sample.
 *
 * Sampling. A sample at time t describes the forces after everything the
 * program did before the call that moved the clock past t: advancing first
 * re-samples the current instant, then samples every step.
 *
 * Units.
 * - force: DirectInput's, 10000 = the device's full force. Positive pushes
 *   the axis toward its positive end (X to the right, Y toward the user).
 *   DirectInput names the direction a force comes from, so a constant force
 *   with the Cartesian direction +1 on X reads negative here, and a spring
 *   with a positive coefficient pushes back toward its offset.
 * - position: -10000 at one end of the axis's logical range, 10000 at the
 *   other, 0 at its centre (the centre GetDeviceState's scaling uses).
 * - condition metrics (the q of DirectInput's force = coefficient * (q - q0)):
 *   spring: position; damper: velocity, 10000 = GSIM_FORCE_FULL_VELOCITY
 *   half-ranges per second; inertia: acceleration, 10000 =
 *   GSIM_FORCE_FULL_ACCELERATION half-ranges per second squared; friction:
 *   the sign of the velocity beyond the dead band, times the coefficient.
 *
 * What is modelled: constant, ramp, the five periodic waves (offset, phase,
 * period), the four conditions (offset, coefficients, saturations, dead
 * band; one block per axis, or one block along the effect's direction),
 * duration, iterations, start delay, effect gain, the envelope (not on
 * conditions, as on most hardware), the direction projected onto the
 * effect's axes (polar, Cartesian, spherical), and the device's gain
 * (DIPROP_FFGAIN), pause and actuator switch. The sum on each axis is
 * clamped to +-10000. Custom forces and trigger buttons are not modelled.
 * Axes are read in the c_dfDIJoystick2 layout (object offsets or ids).
 */
#ifndef GANTREL_SIM_FORCE_H
#define GANTREL_SIM_FORCE_H

#include "gantrel_sim.h"

#ifdef __cplusplus
extern "C" {
#endif

#define GSIM_FORCE_MAX_AXES 8
#define GSIM_FORCE_MAX_SAMPLES 120000 /* two minutes at 1 ms */
#define GSIM_FORCE_FULL_VELOCITY 10     /* half-ranges per second */
#define GSIM_FORCE_FULL_ACCELERATION 100 /* half-ranges per second squared */

typedef struct GSIM_FORCE_SAMPLE {
    DWORD time_ms;  /* simulated time since recording began */
    int active;     /* effects contributing: started, within their time, not paused */
    /* Per actuator axis, in gsim_force_axes() order. */
    double force[GSIM_FORCE_MAX_AXES];
    double position[GSIM_FORCE_MAX_AXES];
} GSIM_FORCE_SAMPLE;

/* The device's actuator axes (objects flagged DIDOI_FFACTUATOR, in listed
 * order, at most GSIM_FORCE_MAX_AXES) as c_dfDIJoystick2 offsets; returns
 * their count, copying at most max. */
GSIM_API int gsim_force_axes(int device, DWORD *offsets, int max);

/* Starts recording a device: clock at 0, empty trace, no axis motion, then
 * the first sample. step_ms (1..1000) is the clock's step. Recording again
 * starts afresh. */
GSIM_API int gsim_force_record(int device, DWORD step_ms);

/* Moves the device's clock ms forward (a remainder smaller than the step is
 * kept for the next call), sampling at every step. Returns the number of
 * samples held; beyond GSIM_FORCE_MAX_SAMPLES time still moves but samples
 * are dropped. GSIM_E_ARG if not recording. */
GSIM_API int gsim_force_advance(int device, DWORD ms);

/* Moves one axis (c_dfDIJoystick2 offset) of a recording device: from now on
 * position = centre + amplitude * sin(2 pi t / period), t counted from this
 * call, written into the device's state at every step (and at once), so
 * that GetDeviceState reads it too. period_ms 0 holds the axis at centre.
 * An axis without motion keeps whatever state it is given
 * (gsim_device_set_axis), and its velocity and acceleration come from its
 * change between steps. */
GSIM_API int gsim_force_move(int device, DWORD axis_ofs, LONG centre, LONG amplitude, DWORD period_ms);

/* Samples held; copies samples first.. into out (at most max); returns the
 * number copied. */
GSIM_API int gsim_force_count(int device);
GSIM_API int gsim_force_samples(int device, int first, GSIM_FORCE_SAMPLE *out, int max);

/* Ends recording and frees the trace. */
GSIM_API int gsim_force_stop(int device);

#ifdef __cplusplus
}
#endif

#endif
