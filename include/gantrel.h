/*
 * gantrel.h - the host's interface to gantrel.dll, a bridge from a host
 * application to force-feedback game controllers through DirectInput 8.
 *
 * Every function returns a 32-bit signed integer: 0, a handle, a mask or a
 * length on success, one of the negative DIB_E_ codes below on failure.
 * After most failures the calling thread can read a message with
 * dib_last_error(); a success never clears it.
 *
 * Units: levels, magnitudes, offsets, coefficients, saturations and dead
 * bands have full scale 4096; times are milliseconds; angles whole degrees.
 * Device handles are 1 to 8, effect handles 1 to 64.
 *
 * Threads: the last-error text is per thread. dib_open, dib_release,
 * dib_device_reset, dib_set_axis_map and the five effect functions hold one
 * bridge lock for their whole duration (DirectInput calls included), so they
 * can be called from any threads. dib_poll, dib_enumerate, dib_ffb_axes,
 * dib_autocenter_state, dib_query_ffb_axes and the frame functions take no
 * lock. The host must not release a device or change its axis map while
 * another thread polls or queries that device, and must not enumerate while
 * another thread opens or releases a device. A locking function called on a
 * thread that is already inside one (from a window procedure that Windows
 * runs while DirectInput waits) returns -1 at once, "re-entrant call from a
 * window procedure during another gantrel call", instead of deadlocking.
 * The calls that take no lock may be made from such a procedure; a device
 * being released is already released for them (dib_poll returns -2).
 * Call dib_open and dib_poll on one long-lived thread with a message loop:
 * the hidden window belongs to the thread of the first dib_open (a new one
 * is made when that thread has ended or the window was closed; when that
 * fails, devices opened before keep working).
 *
 * Unloading: release every open device first; the library tears nothing
 * down at unload, so a device left open stays acquired with auto-centre off.
 */
#ifndef GANTREL_H
#define GANTREL_H

#include <stddef.h>
#include <stdint.h>

#define GANTREL_VERSION_STRING "0.9.6"
#define GANTREL_VERSION_MAJOR 0
#define GANTREL_VERSION_MINOR 9
#define GANTREL_VERSION_PATCH 6
/* What dib_abi_version() returns for the interface this header describes. */
#define DIB_ABI_VERSION 1

#if defined(GANTREL_BUILD) || !defined(_WIN32)
#define DIB_API
#else
#define DIB_API __declspec(dllimport)
#endif

#ifdef _WIN32
#define DIB_CALL __stdcall
#else
#define DIB_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes. */
#define DIB_OK 0
#define DIB_E_FAILED (-1)      /* a DirectInput or platform call failed, or no free device slot */
#define DIB_E_BADARG (-2)      /* bad handle, null pointer, small buffer, bad GUID text, bad axis code */
#define DIB_E_EXCLUSIVE (-3)   /* another application holds the device exclusively */
#define DIB_E_POOLFULL (-4)    /* no room for another effect on the device or in the bridge */
#define DIB_E_UNSUPPORTED (-5) /* unknown effect type, or the device lacks the effect */
#define DIB_E_INPUT (-6)       /* reading the device's state, or creating a query object, failed */

/* Axis codes: which device axis a mapped axis stands for. Bit n of a
 * force-feedback axis mask stands for axis code n. */
#define DIB_AXIS_NONE (-1)
#define DIB_AXIS_X 0
#define DIB_AXIS_Y 1
#define DIB_AXIS_Z 2
#define DIB_AXIS_RX 3
#define DIB_AXIS_RY 4
#define DIB_AXIS_RZ 5
#define DIB_AXIS_SLIDER0 6
#define DIB_AXIS_SLIDER1 7

/* Effect type codes. 2 and every code not listed are refused. */
#define DIB_EFFECT_CONSTANT 1
#define DIB_EFFECT_SQUARE 3
#define DIB_EFFECT_SINE 4
#define DIB_EFFECT_TRIANGLE 5
#define DIB_EFFECT_SAWTOOTHUP 6
#define DIB_EFFECT_SAWTOOTHDOWN 7
#define DIB_EFFECT_SPRING 8
#define DIB_EFFECT_DAMPER 9
#define DIB_EFFECT_INERTIA 10
#define DIB_EFFECT_FRICTION 11

/* Bits of dib_autocenter_state(). */
#define DIB_AUTOCENTER_SWITCHED_OFF 1 /* writing "off" succeeded */
#define DIB_AUTOCENTER_READ 2         /* the setting could be read before the change */
#define DIB_AUTOCENTER_WAS_ON 4       /* and it was on */
#define DIB_AUTOCENTER_CONFIRMED_OFF 8 /* read back as off after acquiring */

/* One axis of a condition effect (spring, damper, inertia, friction). */
typedef struct ConditionAxisParams {
    int32_t enabled;              /* non-zero: act on this mapped axis (read at create only) */
    int32_t offset;               /* centre point, -4096..4096 */
    int32_t positive_coefficient; /* -4096..4096 */
    int32_t negative_coefficient; /* -4096..4096 */
    int32_t positive_saturation;  /* 0..4096 */
    int32_t negative_saturation;  /* 0..4096 */
    int32_t deadband;             /* 0..4096 */
} ConditionAxisParams;

/* The host's description of one effect: 108 bytes, 27 little-endian i32.
 * Every type reads only its own fields; the rest may hold anything. */
typedef struct EffectParams {
    int32_t direction_deg;       /* two-axis constant and periodic effects */
    int32_t gain;                /* 1..4096; below 1 means 4096 */
    int32_t duration_ms;         /* below 1 means infinite */
    int32_t use_envelope;        /* non-zero attaches the envelope below */
    int32_t attack_level;
    int32_t attack_ms;
    int32_t fade_level;
    int32_t fade_ms;
    ConditionAxisParams cond[2]; /* condition types: mapped axes 0 and 1 */
    int32_t periodic_magnitude;  /* periodic types */
    int32_t periodic_offset;
    int32_t phase_deg;
    int32_t period_ms;           /* below 1 means 1 */
    int32_t constant_magnitude;  /* constant type, -4096..4096 */
} EffectParams;

/* What dib_poll() writes: bytes 0 to 25; bytes 26 to 31 are never touched. */
typedef struct InputReport {
    int16_t axis0;         /* mapped axis 0, flipped if asked, -4096..4096 */
    int16_t axis1;         /* mapped axis 1 */
    int16_t z;
    int16_t rx;
    int16_t ry;
    int16_t rz;
    int16_t slider0;
    int16_t slider1;
    uint64_t button_mask;  /* bit n: button n pressed (buttons 0..63) */
    uint16_t pov_codes;    /* hat h in bits 4h..4h+3: 0 north .. 7 north-west, 15 centred */
} InputReport;

#if defined(__cplusplus)
#define GANTREL_STATIC_ASSERT(c, m) static_assert(c, m)
#elif defined(__STDC_VERSION__) && __STDC_VERSION__ >= 201112L
#define GANTREL_STATIC_ASSERT(c, m) _Static_assert(c, m)
#else
#define GANTREL_STATIC_ASSERT_JOIN2(a, b) a##b
#define GANTREL_STATIC_ASSERT_JOIN(a, b) GANTREL_STATIC_ASSERT_JOIN2(a, b)
#define GANTREL_STATIC_ASSERT(c, m) \
    typedef char GANTREL_STATIC_ASSERT_JOIN(gantrel_layout_check_, __LINE__)[(c) ? 1 : -1]
#endif
#define GANTREL_OFFSET(type, field) offsetof(type, field)

GANTREL_STATIC_ASSERT(sizeof(ConditionAxisParams) == 28, "ConditionAxisParams is 28 bytes");
GANTREL_STATIC_ASSERT(GANTREL_OFFSET(ConditionAxisParams, deadband) == 24, "deadband at 24");
GANTREL_STATIC_ASSERT(sizeof(EffectParams) == 108, "EffectParams is 108 bytes");
GANTREL_STATIC_ASSERT(GANTREL_OFFSET(EffectParams, gain) == 4, "gain at 4");
GANTREL_STATIC_ASSERT(GANTREL_OFFSET(EffectParams, duration_ms) == 8, "duration_ms at 8");
GANTREL_STATIC_ASSERT(GANTREL_OFFSET(EffectParams, use_envelope) == 12, "use_envelope at 12");
GANTREL_STATIC_ASSERT(GANTREL_OFFSET(EffectParams, attack_level) == 16, "attack_level at 16");
GANTREL_STATIC_ASSERT(GANTREL_OFFSET(EffectParams, attack_ms) == 20, "attack_ms at 20");
GANTREL_STATIC_ASSERT(GANTREL_OFFSET(EffectParams, fade_level) == 24, "fade_level at 24");
GANTREL_STATIC_ASSERT(GANTREL_OFFSET(EffectParams, fade_ms) == 28, "fade_ms at 28");
GANTREL_STATIC_ASSERT(GANTREL_OFFSET(EffectParams, cond) == 32, "cond[0] at 32");
GANTREL_STATIC_ASSERT(GANTREL_OFFSET(EffectParams, cond[1]) == 60, "cond[1] at 60");
GANTREL_STATIC_ASSERT(GANTREL_OFFSET(EffectParams, cond[1].deadband) == 84, "cond[1].deadband at 84");
GANTREL_STATIC_ASSERT(GANTREL_OFFSET(EffectParams, periodic_magnitude) == 88, "periodic_magnitude at 88");
GANTREL_STATIC_ASSERT(GANTREL_OFFSET(EffectParams, periodic_offset) == 92, "periodic_offset at 92");
GANTREL_STATIC_ASSERT(GANTREL_OFFSET(EffectParams, phase_deg) == 96, "phase_deg at 96");
GANTREL_STATIC_ASSERT(GANTREL_OFFSET(EffectParams, period_ms) == 100, "period_ms at 100");
GANTREL_STATIC_ASSERT(GANTREL_OFFSET(EffectParams, constant_magnitude) == 104, "constant_magnitude at 104");
GANTREL_STATIC_ASSERT(sizeof(InputReport) == 32, "InputReport occupies 32 bytes");
GANTREL_STATIC_ASSERT(GANTREL_OFFSET(InputReport, axis1) == 2, "axis1 at 2");
GANTREL_STATIC_ASSERT(GANTREL_OFFSET(InputReport, z) == 4, "z at 4");
GANTREL_STATIC_ASSERT(GANTREL_OFFSET(InputReport, rx) == 6, "rx at 6");
GANTREL_STATIC_ASSERT(GANTREL_OFFSET(InputReport, ry) == 8, "ry at 8");
GANTREL_STATIC_ASSERT(GANTREL_OFFSET(InputReport, rz) == 10, "rz at 10");
GANTREL_STATIC_ASSERT(GANTREL_OFFSET(InputReport, slider0) == 12, "slider0 at 12");
GANTREL_STATIC_ASSERT(GANTREL_OFFSET(InputReport, slider1) == 14, "slider1 at 14");
GANTREL_STATIC_ASSERT(GANTREL_OFFSET(InputReport, button_mask) == 16, "button_mask at 16");
GANTREL_STATIC_ASSERT(GANTREL_OFFSET(InputReport, pov_codes) == 24, "pov_codes at 24");

/* ---- Frame ---------------------------------------------------------------
 * None of these takes the bridge lock or writes the last-error text. */

/* Returns 1 (DIB_ABI_VERSION), at any time. */
DIB_API int32_t DIB_CALL dib_abi_version(void);

/* Writes {"version":"0.9.6","abi":1,"built":"Mmm dd yyyy"} and a NUL into
 * buffer and returns its length. -2 for a null buffer, length < 8, or a text
 * that does not fit (the buffer then holds it cut to length - 1 characters). */
DIB_API int32_t DIB_CALL dib_build_info(char *buffer, int32_t length);

/* Copies the calling thread's last failure message (empty if none) into
 * buffer, cut to length - 1 characters, and returns the copied length.
 * -2 for a null buffer or length < 1. The message stays for later calls. */
DIB_API int32_t DIB_CALL dib_last_error(char *buffer, int32_t length);

/* ---- Devices ------------------------------------------------------------- */

/* Writes the attached force-feedback game controllers as one JSON array
 * (no white space) and a NUL into buffer; returns its length (>= 2).
 * Each element: {"guid":"{...}","name":"...","vid":N,"pid":N,"ff_axes":N,
 * "buttons":N,"povs":N,"sample_period_us":N,"effects":["constant",...]}.
 * Names are bytes in the system's ANSI code page. Open devices are listed
 * with the description cached when they were opened, while DirectInput
 * still lists them: an open device that was unplugged is left out.
 * -2 "bad buffer" (null, length < 4), -2 "buffer too small" (call again with
 * a larger buffer), -1 when DirectInput cannot be created or enumeration
 * fails (message with HRESULT), -1 "out of memory" when a list too long for
 * the call's own 4 KiB finds no heap. The buffer is untouched on failure.
 * No bridge lock; do not overlap with dib_open or dib_release. */
DIB_API int32_t DIB_CALL dib_enumerate(char *buffer, int32_t length);

/* Opens the controller whose instance GUID text ("{XXXXXXXX-XXXX-XXXX-XXXX-
 * XXXXXXXXXXXX}") is given: exclusive background access, axes on -4096..4096,
 * force feedback reset, auto-centre switched off. Returns a device handle 1..8.
 * -2 "null guid" / "malformed guid string"; -1 "device table full",
 * "CreateDevice failed (device unplugged?)", "SetDataFormat failed",
 * "SetCooperativeLevel failed", "Acquire failed", "hidden window creation
 * failed" or DirectInput creation failure; -3 when another application holds
 * the device exclusively. A failed open takes no slot and, when the second
 * acquisition fails, writes the auto-centre setting back. When no memory is
 * left for the device's description it opens all the same, without one, and
 * dib_enumerate leaves it out. */
DIB_API int32_t DIB_CALL dib_open(const char *guid_text);

/* Destroys the device's effects, resets it, restores its auto-centre setting
 * and releases it; the handle becomes free. -2 (no message) for a bad handle.
 * Holds the bridge lock. The handle is invalid from the call's start: a
 * poll or query of it from a window procedure that DirectInput runs
 * meanwhile returns -2; do not poll or query it from another thread. Under
 * Wine's own DirectInput the device object is kept alive, unacquired, and
 * the next dib_open of the same controller takes it again: Wine may still
 * write into it (docs/integrating.md, releasing under Wine). */
DIB_API int32_t DIB_CALL dib_release(int32_t device);

/* Destroys every effect of the device and sends the force-feedback reset
 * command; the device stays open. -2 (no message) for a bad handle, -1
 * "DISFFC_RESET failed" (the effects are gone all the same). Bridge lock. */
DIB_API int32_t DIB_CALL dib_device_reset(int32_t device);

/* The DIB_AUTOCENTER_ bits recorded at open (0..15). -2 (no message) for a
 * bad handle. */
DIB_API int32_t DIB_CALL dib_autocenter_state(int32_t device);

/* The force-feedback actuator axes found at open, bit n for axis code n.
 * -2 "bad device handle". */
DIB_API int32_t DIB_CALL dib_ffb_axes(int32_t device);

/* The actuator axis mask of a controller by GUID text, open or not.
 * -2 "bad GUID string", -1 DirectInput creation failure, -6 "CreateDevice
 * failed" (with HRESULT) for a controller that cannot be reached. */
DIB_API int32_t DIB_CALL dib_query_ffb_axes(const char *guid_text);

/* ---- Input --------------------------------------------------------------- */

/* Chooses the device axes (DIB_AXIS_ codes, -1 for none, not both -1) that
 * play mapped axes 0 and 1, and whether each is reversed (non-zero flip).
 * Effects created or updated afterwards use the new map. -2 "bad device
 * handle" or "axis code out of range". Bridge lock. */
DIB_API int32_t DIB_CALL dib_set_axis_map(int32_t device, int32_t axis0, int32_t axis1,
                                          int32_t flip0, int32_t flip1);

/* Reads the device into *report (bytes 0 to 25), re-acquiring it once if
 * input was lost. -2 (no message) for a bad handle or null report; -6
 * "GetDeviceState failed" or "device input lost; reacquire failed" (with
 * HRESULT). On failure *report is untouched. No lock; also services the
 * bridge's hidden window, so poll regularly. When a window procedure run by
 * that service (or inside one of its DirectInput calls) releases the
 * device, the call returns -2 without a message and never acquires it. */
DIB_API int32_t DIB_CALL dib_poll(int32_t device, InputReport *report);

/* ---- Effects (all hold the bridge lock) ---------------------------------- */

/* Creates and downloads an effect of the given DIB_EFFECT_ type on the
 * device's mapped axes; it is not started. Returns an effect handle 1..64.
 * -2 "bad device handle" (also for a null params) or "condition effect with
 * no axes"; -5 "unsupported effect type", or "CreateEffect failed" when
 * DirectInput answers DIERR_UNSUPPORTED; -4 "bridge effect table full" or
 * "device effect pool exhausted"; -3 "another application has exclusive use
 * of the device" (also when DirectInput says the device is not acquired or
 * its input was lost; an unplugged device may still take the effect, as
 * Wine's does: dib_poll tells that it is gone); -1 "CreateEffect failed"
 * otherwise, e.g. DIERR_DEVICENOTREG for an effect the device does not list,
 * or E_INVALIDARG for an axis without an actuator. Messages carry the
 * HRESULT. */
DIB_API int32_t DIB_CALL dib_effect_create(int32_t device, int32_t type,
                                           const EffectParams *params);

/* Sends new direction, gain, duration, force values (and the envelope when
 * use_envelope is set) without restarting a playing effect where the device
 * allows it. The effect keeps the axes it was created on, but direction and
 * forces follow the device's current axis map and flips: after a map change
 * to another number of axes the update fails (-1 "SetParameters failed",
 * E_INVALIDARG). -2 "bad effect handle", -1 "SetParameters failed". */
DIB_API int32_t DIB_CALL dib_effect_update(int32_t effect, const EffectParams *params);

/* Starts the effect for count iterations (count < 1 plays it once).
 * -2 "bad effect handle", -3 exclusive use by another application,
 * -1 "effect Start failed". */
DIB_API int32_t DIB_CALL dib_effect_start(int32_t effect, int32_t count);

/* Stops the effect. -2 (no message) for a bad handle; never fails otherwise. */
DIB_API int32_t DIB_CALL dib_effect_stop(int32_t effect);

/* Stops, unloads and releases the effect; the handle becomes free.
 * -2 (no message) for a bad handle. */
DIB_API int32_t DIB_CALL dib_effect_destroy(int32_t effect);

#ifdef __cplusplus
}
#endif

#endif /* GANTREL_H */
