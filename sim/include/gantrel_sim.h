/*
 * gantrel_sim.h - control interface of the simulated DirectInput 8.
 *
 * The simulator is a dinput8.dll that implements IDirectInput8A,
 * IDirectInputDevice8A and IDirectInputEffect over virtual devices described
 * as data. A test program (or a curious host developer) links the import
 * library of that dinput8.dll and uses the functions below to describe the
 * devices, inject failures, and read back every call a program made.
 *
 * Conventions
 * - Devices are addressed by their index in the current device list
 *   (enumeration order, 0 first). Removing a device shifts the later ones.
 *   gsim_device_find() turns an instance GUID into an index.
 * - Every COM object the simulator hands out (the DirectInput object, each
 *   device object, each effect object) gets a unique object id, starting at 1
 *   and never reused. Log entries and the refcount queries use these ids.
 * - Functions returning int return 0 (or a count / index / id) on success and
 *   a negative GSIM_E_ code on failure, unless documented otherwise.
 * - All functions are thread-safe; the simulator holds one lock internally
 *   and never holds it while calling back into the program (enumeration
 *   callbacks run unlocked).
 * - Strings are raw ANSI bytes, NUL-terminated.
 */
#ifndef GANTREL_SIM_H
#define GANTREL_SIM_H

#include <windows.h>
#ifndef DIRECTINPUT_VERSION
#define DIRECTINPUT_VERSION 0x0800
#endif
#include <dinput.h>

#ifdef GSIM_BUILD
/* Every function declared with GSIM_API is exported by the DLL. */
#define GSIM_API __declspec(dllexport)
#else
#define GSIM_API __declspec(dllimport)
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------------ */
/* Result codes of the control functions.                                   */

#define GSIM_OK 0
#define GSIM_E_ARG (-1)      /* null pointer, bad size field, bad value */
#define GSIM_E_NODEVICE (-2) /* no device with that index or GUID */
#define GSIM_E_NOOBJECT (-3) /* no object with that id */
#define GSIM_E_FULL (-4)     /* a fixed-size table is full */
#define GSIM_E_LOAD (-5)     /* a device file could not be loaded; see gsim_load_error() */

/* ------------------------------------------------------------------------ */
/* Device descriptions.                                                     */

#define GSIM_MAX_OBJECTS 32      /* listed objects (axes and others) per device */
#define GSIM_MAX_DEVICE_EFFECTS 32
#define GSIM_MAX_BUTTONS 128
#define GSIM_MAX_POVS 4

/* One device object as EnumObjects reports it. dwOfs is the object's offset
 * in the c_dfDIJoystick2 layout (DIJOFS_X, DIJOFS_SLIDER(1), ...), which is
 * also the DIJOYSTATE2 field whose value GetDeviceState reports for it. */
typedef struct GSIM_OBJECT {
    GUID guidType;   /* GUID_XAxis, GUID_Slider, GUID_Button, ... */
    DWORD dwOfs;
    DWORD dwType;    /* e.g. DIDFT_ABSAXIS | DIDFT_MAKEINSTANCE(0) | DIDFT_FFACTUATOR */
    DWORD dwFlags;   /* DIDOI_FFACTUATOR, DIDOI_ASPECTPOSITION, ... */
    char name[MAX_PATH];
    /* Axes only: the raw range the device reports in (its logical range).
     * Both 0 means the default 0..65535. */
    LONG logical_min;
    LONG logical_max;
    /* The HID usage reported in wUsagePage and wUsage. A usage page of 0
     * means the usual one of the object's guidType (generic desktop for
     * axes and hats, the button page for buttons, none for the rest), as a
     * HID device's axes have; DirectInput also lists a HID device's output
     * and feature values and its collections, such as those of the PID page
     * (0x0F) that carry force feedback. */
    WORD usage_page;
    WORD usage;
} GSIM_OBJECT;

/* A whole virtual device. Fill it with gsim_builtin_desc() and change what
 * matters, or zero it, set size and fill every field. */
typedef struct GSIM_DEVICE_DESC {
    DWORD size; /* sizeof(GSIM_DEVICE_DESC) */

    GUID instance_guid;
    GUID product_guid;
    GUID ff_driver_guid;
    char instance_name[MAX_PATH];
    char product_name[MAX_PATH]; /* any bytes but NUL; up to MAX_PATH-1 */
    DWORD dev_type;              /* dwDevType: DI8DEVTYPE_xxx | subtype << 8 | DIDEVTYPE_HID */
    WORD usage_page;
    WORD usage;

    /* DIDEVCAPS. dwAxes/dwButtons/dwPOVs are counted from the objects;
     * DIDC_ATTACHED is managed through `attached`. */
    DWORD caps_flags;            /* DIDC_FORCEFEEDBACK, ...; with DIDC_POLLEDDEVICE
                                    Poll returns DI_OK, else DI_NOEFFECT */
    DWORD ff_sample_period;      /* dwFFSamplePeriod, microseconds */
    DWORD ff_min_time_resolution;/* dwFFMinTimeResolution, microseconds */
    DWORD firmware_revision;
    DWORD hardware_revision;
    DWORD ff_driver_version;

    /* Objects. Axes (and anything else) are listed explicitly; buttons and
     * POV hats are generated after them from the counts: button i has
     * dwOfs DIJOFS_BUTTON(i), dwType DIDFT_PSHBUTTON | DIDFT_MAKEINSTANCE(i),
     * POV i has dwOfs DIJOFS_POV(i), dwType DIDFT_POV | DIDFT_MAKEINSTANCE(i). */
    DWORD num_objects;
    GSIM_OBJECT objects[GSIM_MAX_OBJECTS];
    DWORD num_buttons; /* up to GSIM_MAX_BUTTONS */
    DWORD num_povs;    /* up to GSIM_MAX_POVS */

    /* Effects EnumEffects lists, in this order (duplicates allowed).
     * Known effect GUIDs get DirectInput's name and dwEffType; any other
     * GUID is reported as DIEFT_HARDWARE named "Custom hardware effect". */
    DWORD num_effects;
    GUID effects[GSIM_MAX_DEVICE_EFFECTS];
    DWORD effect_capacity; /* downloaded effects the device holds at once */

    /* Effect parameter groups (DIEP_ bits) this device cannot change while
     * the effect plays: SetParameters with DIEP_NORESTART touching one of
     * them on a playing effect returns DIERR_EFFECTPLAYING; without
     * DIEP_NORESTART the effect restarts. 0: everything updates on the fly. */
    DWORD restart_needed_flags;

    /* DIPROP_AUTOCENTER (a device without force feedback refuses it with
     * DIERR_UNSUPPORTED whatever these say). */
    BOOL autocenter_readable;
    BOOL autocenter_writable;
    DWORD autocenter; /* DIPROPAUTOCENTER_OFF / _ON */

    BOOL attached; /* FALSE: listed only with DIEDFL_ALLDEVICES, cannot be created */

    /* What GetDeviceState reports, in raw units. Each axis object's LONG
     * (at its dwOfs) is a value in that axis's logical range lmin..lmax and
     * is reported in the range the program set with DIPROP_RANGE
     * (rmin..rmax, default 0..65535), as DirectInput scales a HID axis: in
     * two halves around the centres
     *     lc = lmin == 0 ? lmax / 2 (rounded down) : round((lmin + lmax) / 2)
     *     rc = rmin == 0 ? rmax / 2 (rounded down) : round((rmin + rmax) / 2)
     *     raw <= lc: rmin + MulDiv(raw - lmin, rc - rmin, lc - lmin)
     *     raw >  lc: rc   + MulDiv(raw - lc,   rmax - rc, lmax - lc)
     * clamped to rmin..rmax (MulDiv rounds half away from zero), with
     * DIPROP_DEADZONE / DIPROP_SATURATION applied per half when set.
     * Default logical range 0..65535 read as -4096..4096: raw 0 -> -4096,
     * 32767 -> 0, 65535 -> 4096, 32767 + 8k -> k. A logical range equal to
     * the program's range reads back unchanged. Buttons, POVs and LONGs of
     * no axis object are copied unchanged. */
    DIJOYSTATE2 state;
} GSIM_DEVICE_DESC;

/* Built-in templates. */
#define GSIM_BUILTIN_WHEEL 0    /* FF wheel: X steering actuator, Y/Rz pedals */
#define GSIM_BUILTIN_JOYSTICK 1 /* FF joystick: X,Y actuators, Rz twist, 2 sliders */
#define GSIM_BUILTIN_GAMEPAD 2  /* controller without force feedback */
#define GSIM_BUILTIN_COUNT 3

/* Fills *desc with built-in device `which`. 0 or GSIM_E_ARG. */
GSIM_API int gsim_builtin_desc(int which, GSIM_DEVICE_DESC *desc);

/* ------------------------------------------------------------------------ */
/* Device set.                                                              */

#define GSIM_RESET_CONFIGURED 0 /* the file named by GANTREL_SIM_DEVICES, else built-in */
#define GSIM_RESET_BUILTIN 1    /* the three built-in devices */
#define GSIM_RESET_EMPTY 2      /* no devices */

/* Replaces the device set, clears faults, the call log, "held elsewhere"
 * marks and the over-release counters. Objects still alive keep working
 * on their old devices, which no longer exist: they behave as unplugged.
 * Live-object counts and object ids are not reset. Returns the device count
 * or GSIM_E_LOAD (then the set is empty). */
GSIM_API int gsim_reset(int mode);

/* Replaces the device set with the devices of a JSON file / text (format in
 * docs/simulator.md). On failure the set is left unchanged, the message is kept
 * for gsim_load_error() and GSIM_E_LOAD is returned. Returns the count. */
GSIM_API int gsim_load_file(const char *path);
GSIM_API int gsim_load_json(const char *text);
/* The message of the last failed load, "" if the last load succeeded.
 * Includes the file name and, for syntax errors, the byte offset. The text
 * stays valid until the next load. */
GSIM_API const char *gsim_load_error(void);

GSIM_API int gsim_device_count(void);
/* Appends a device; returns its index. */
GSIM_API int gsim_device_add(const GSIM_DEVICE_DESC *desc);
/* Removes a device; objects open on it behave as unplugged. */
GSIM_API int gsim_device_remove(int index);
GSIM_API int gsim_device_get(int index, GSIM_DEVICE_DESC *desc);
/* Replaces a device's description; open objects see the new one at once
 * (their data format, ranges and acquisition stay). */
GSIM_API int gsim_device_set(int index, const GSIM_DEVICE_DESC *desc);
/* Index of the device with this instance GUID, or GSIM_E_NODEVICE. */
GSIM_API int gsim_device_find(const GUID *instance_guid);

/* The state GetDeviceState reports from now on (raw axis values). */
GSIM_API int gsim_device_set_state(int index, const DIJOYSTATE2 *state);
/* One LONG of the state at byte offset ofs (DIJOFS_X, DIJOFS_SLIDER(0)...). */
GSIM_API int gsim_device_set_axis(int index, DWORD ofs, LONG raw);
GSIM_API int gsim_device_set_button(int index, int button, BOOL pressed);
GSIM_API int gsim_device_set_pov(int index, int pov, DWORD value);

/* Unplugging: the device is no longer attached. Device objects acquired
 * at that moment lose their input, as under Wine's DirectInput:
 * GetDeviceState and Poll return DIERR_INPUTLOST, force-feedback calls
 * (SendForceFeedbackCommand, effect Start/Stop/Download/GetEffectStatus)
 * DIERR_NOTEXCLUSIVEACQUIRED, SetParameters keeps the values without a
 * download (DI_DOWNLOADSKIPPED), and their effects are unloaded. Objects not acquired keep answering DIERR_NOTACQUIRED.
 * While unplugged, Acquire returns DIERR_UNPLUGGED, CreateDevice
 * DIERR_DEVICENOTREG, GetCapabilities reports no DIDC_ATTACHED and
 * EnumDevices with DIEDFL_ATTACHEDONLY skips the device. Replugging makes
 * it attached again; open objects work again after a new Acquire. */
GSIM_API int gsim_device_unplug(int index);
GSIM_API int gsim_device_replug(int index);

/* Another application holds the device exclusively: exclusive Acquire
 * returns DIERR_OTHERAPPHASPRIO until cleared. */
GSIM_API int gsim_device_set_held_elsewhere(int index, BOOL held);

/* What the device is doing now. */
typedef struct GSIM_DEVICE_STATUS {
    DWORD size; /* sizeof(GSIM_DEVICE_STATUS) */
    int open_objects;     /* live device objects on this device */
    int acquired;         /* of them, acquired */
    int exclusive;        /* an object holds it acquired exclusively */
    DWORD autocenter;     /* current DIPROP_AUTOCENTER value */
    int downloaded_effects;
    int playing_effects;
    DWORD ff_state;       /* DIGFFS_ bits as GetForceFeedbackState would report */
    BOOL attached;
    BOOL held_elsewhere;
} GSIM_DEVICE_STATUS;
GSIM_API int gsim_device_status(int index, GSIM_DEVICE_STATUS *status);

/* ------------------------------------------------------------------------ */
/* Methods: used by fault injection and the call log.                        */

typedef enum GSIM_METHOD {
    GSIM_M_NONE = 0,
    GSIM_M_DIRECTINPUT8CREATE,
    /* IDirectInput8A */
    GSIM_M_DI_QUERYINTERFACE,
    GSIM_M_DI_ADDREF,
    GSIM_M_DI_RELEASE,
    GSIM_M_DI_CREATEDEVICE,
    GSIM_M_DI_ENUMDEVICES,
    GSIM_M_DI_GETDEVICESTATUS,
    GSIM_M_DI_INITIALIZE,
    /* IDirectInputDevice8A */
    GSIM_M_DEV_QUERYINTERFACE,
    GSIM_M_DEV_ADDREF,
    GSIM_M_DEV_RELEASE,
    GSIM_M_DEV_GETCAPABILITIES,
    GSIM_M_DEV_ENUMOBJECTS,
    GSIM_M_DEV_GETPROPERTY,
    GSIM_M_DEV_SETPROPERTY,
    GSIM_M_DEV_ACQUIRE,
    GSIM_M_DEV_UNACQUIRE,
    GSIM_M_DEV_GETDEVICESTATE,
    GSIM_M_DEV_SETDATAFORMAT,
    GSIM_M_DEV_SETCOOPERATIVELEVEL,
    GSIM_M_DEV_GETOBJECTINFO,
    GSIM_M_DEV_GETDEVICEINFO,
    GSIM_M_DEV_CREATEEFFECT,
    GSIM_M_DEV_ENUMEFFECTS,
    GSIM_M_DEV_GETEFFECTINFO,
    GSIM_M_DEV_GETFORCEFEEDBACKSTATE,
    GSIM_M_DEV_SENDFORCEFEEDBACKCOMMAND,
    GSIM_M_DEV_POLL,
    /* IDirectInputEffect */
    GSIM_M_EFF_QUERYINTERFACE,
    GSIM_M_EFF_ADDREF,
    GSIM_M_EFF_RELEASE,
    GSIM_M_EFF_GETEFFECTGUID,
    GSIM_M_EFF_GETPARAMETERS,
    GSIM_M_EFF_SETPARAMETERS,
    GSIM_M_EFF_START,
    GSIM_M_EFF_STOP,
    GSIM_M_EFF_GETEFFECTSTATUS,
    GSIM_M_EFF_DOWNLOAD,
    GSIM_M_EFF_UNLOAD,
    GSIM_M_COUNT
} GSIM_METHOD;

/* "IDirectInputDevice8A::Acquire" style names; NULL for an unknown value. */
GSIM_API const char *gsim_method_name(int method);
/* The method with that name: the full name above or the short one
 * ("Acquire", "CreateEffect"; "Release" etc. need the full name).
 * GSIM_M_NONE if unknown. */
GSIM_API int gsim_method_from_name(const char *name);

/* ------------------------------------------------------------------------ */
/* Fault injection.                                                          */

/* Bits of GSIM_FAULT.flags. */
#define GSIM_FAULT_AFTER_WORK 1 /* do the call's work, then return hr instead
                                   of its own result (default: do nothing,
                                   set out-pointers to NULL, return hr) */

#define GSIM_FAULT_FOREVER 0xFFFFFFFFu

typedef struct GSIM_FAULT {
    DWORD size;    /* sizeof(GSIM_FAULT) */
    int method;    /* GSIM_M_ value; AddRef/Release cannot be faulted */
    HRESULT hr;    /* what the call returns; S_OK with CreateEffect or
                      CreateDevice yields success without an interface */
    DWORD skip;    /* let this many matching calls pass first */
    DWORD count;   /* then fail this many; GSIM_FAULT_FOREVER = until cleared */
    int device;    /* only calls on this device index; -1 any */
    DWORD flags;   /* GSIM_FAULT_ bits */
} GSIM_FAULT;

/* Adds a fault rule; returns its id (> 0). Rules are independent: each
 * counts the matching calls made after it was added. When two rules would
 * fire on the same call, the older one wins and both count the call. */
GSIM_API int gsim_fault_add(const GSIM_FAULT *fault);
/* The next `count` calls of `method`, on any device, return hr. */
GSIM_API int gsim_fail_next(int method, HRESULT hr, DWORD count);
/* Only the nth call (1 = the next one) of `method` from now returns hr. */
GSIM_API int gsim_fail_nth(int method, DWORD nth, HRESULT hr);
/* Removes one rule (by id) or, with id 0, every rule. */
GSIM_API int gsim_fault_clear(int id);
/* Failures the rules still owe (FOREVER rules count as one). */
GSIM_API int gsim_fault_pending(void);

/* ------------------------------------------------------------------------ */
/* Program code inside a call.                                              */

/* Real DirectInput may wait inside a call (Acquire, Unacquire) in a way that
 * lets Windows run the calling thread's window procedures. A hook stands in
 * for that: it runs on the calling thread at the start of every call of
 * `method` (GSIM_M_NONE: of every method but AddRef and Release), before the
 * call does anything, without the simulator's lock, so it may call the
 * program back. Calls made from inside the hook do not run it again. A hook
 * that destroys the object being called counts as a dead call
 * (gsim_dead_calls). One hook at a time; NULL removes it; gsim_reset
 * removes it too.
 * A hook set for GSIM_M_DEV_RELEASE or GSIM_M_EFF_RELEASE runs inside every
 * Release of that kind, after the count has dropped, where a last Release
 * of Wine's DirectInput unacquires and waits: a device is unacquired then,
 * an effect unloaded, and the object is dying until the hook returns. A
 * call on a dying object counts as a dead call, its AddRef is refused
 * (returns 0, a dead call) and its Release is an over-release: its count
 * cannot go through zero twice. */
typedef void(CALLBACK *GSIM_CALL_HOOK)(int method, void *context);
GSIM_API int gsim_set_call_hook(int method, GSIM_CALL_HOOK hook, void *context);

/* ------------------------------------------------------------------------ */
/* Strict mode: calls that break the rules gantrel.dll sets for its host.   */

/* Off by default. On (GANTREL_SIM_STRICT=1 in the environment when the DLL
 * loads, or gsim_strict_enable), every DirectInput call is checked against
 * the rules of docs/integrating.md (threads and the message loop, unloading,
 * axes, released objects) and each break is reported: kept for
 * gsim_strict_get, written to standard error as "gantrel-sim: strict: <text>"
 * and, while tracing, into the trace as "#<seq> [<thread>] strict: <text>"
 * before the call's line. The same rule broken again through the same
 * object adds to the `calls` of its first report. The calls themselves
 * behave as without strict mode. GANTREL_SIM_STRICT=fatal also ends the
 * process at its first report, with exit status 3, so that a host's test
 * run fails without reading standard error. */

#define GSIM_RULE_POLL_THREAD 1      /* a device polled on a thread other than its window's */
#define GSIM_RULE_POLL_DEAD_WINDOW 2 /* a device polled after its window died */
#define GSIM_RULE_UNLOADED 3         /* a device outlived the module that created it */
#define GSIM_RULE_AXIS_COUNT 4       /* an effect updated for another number of axes */
#define GSIM_RULE_REENTRANT 5        /* a call made inside a call of the same thread */
#define GSIM_RULE_NO_MESSAGES 6      /* the window's thread retrieves no messages */
#define GSIM_RULE_RELEASED 7         /* a call on an object after its last Release */

typedef struct GSIM_STRICT_REPORT {
    DWORD size;      /* sizeof(GSIM_STRICT_REPORT) */
    int rule;        /* GSIM_RULE_ */
    int method;      /* the call that broke it (GSIM_RULE_UNLOADED: the
                        CreateDevice that made the device object) */
    DWORD seq;       /* that call's entry in the call log, 0 if not logged */
    DWORD thread_id; /* the thread that made it */
    DWORD object;    /* the object called (a device object for the rules on
                        windows and unloading) */
    int device;      /* device index at the time, -1 none */
    DWORD calls;     /* calls that broke this rule through this object */
    char text[512];  /* "IDirectInputDevice8A::Poll on device 0 (Gantrel
                        Simulated Racing Wheel), object 4: ..." */
} GSIM_STRICT_REPORT;

/* Switches strict mode on or off; reports made so far stay. */
GSIM_API int gsim_strict_enable(BOOL on);
/* Reports made since the DLL loaded or the last gsim_strict_clear (the
 * first 256 are kept to read). Also notices devices whose module has been
 * unloaded since the last call. */
GSIM_API int gsim_strict_count(void);
/* Copies report i (0 = first); report->size must be set. */
GSIM_API int gsim_strict_get(int i, GSIM_STRICT_REPORT *report);
GSIM_API int gsim_strict_clear(void);

/* ------------------------------------------------------------------------ */
/* Call log.                                                                */

#define GSIM_MAX_EFFECT_AXES 8
#define GSIM_MAX_TYPE_BYTES 256
#define GSIM_MAX_CUSTOM_SAMPLES 64

/* A DIEFFECT copied deeply. Which fields were read depends on the flags:
 * CreateEffect reads all of them, SetParameters those its DIEP_ flags name.
 * Fields not read are zero and their has_ marker FALSE. */
typedef struct GSIM_EFFECT_PARAMS {
    DWORD dwSize;                /* 80 or 56 */
    DWORD dwFlags;               /* DIEFF_ bits */
    DWORD dwDuration;
    DWORD dwSamplePeriod;
    DWORD dwGain;
    DWORD dwTriggerButton;
    DWORD dwTriggerRepeatInterval;
    DWORD cAxes;
    BOOL has_axes;               /* rgdwAxes was read and not NULL */
    DWORD axes[GSIM_MAX_EFFECT_AXES];
    BOOL has_directions;         /* rglDirection was read and not NULL */
    LONG directions[GSIM_MAX_EFFECT_AXES];
    BOOL envelope_read;          /* DIEP_ENVELOPE was among the fields read */
    BOOL has_envelope;           /* ... and lpEnvelope was not NULL */
    DIENVELOPE envelope;
    BOOL has_type_specific;      /* type-specific block was read and not NULL */
    DWORD cbTypeSpecificParams;  /* as passed */
    BYTE type_specific[GSIM_MAX_TYPE_BYTES]; /* first bytes of the block */
    DWORD custom_samples;        /* DICUSTOMFORCE: samples copied */
    LONG custom_data[GSIM_MAX_CUSTOM_SAMPLES];
    DWORD dwStartDelay;          /* only when dwSize is 80 */
} GSIM_EFFECT_PARAMS;

/* One call. Which argument fields are filled depends on the method. */
typedef struct GSIM_CALL {
    DWORD seq;         /* 1, 2, ... in call order since the last clear */
    int method;        /* GSIM_M_ */
    HRESULT result;    /* what the call returned (AddRef/Release: the count) */
    BOOL injected;     /* the result came from a fault rule */
    DWORD thread_id;
    DWORD object;      /* id of the object called (0: DirectInput8Create) */
    int device;        /* device index at call time, -1 none */
    GUID device_guid;  /* instance GUID of that device */
    DWORD effect;      /* effect object id for effect methods; for
                          CreateEffect the id of the effect created, 0 none */
    DWORD created;     /* DirectInput8Create, CreateDevice, CreateEffect:
                          id of the object handed out, 0 none */

    /* DirectInput8Create: version, riid. CreateDevice/CreateEffect/
     * QueryInterface/GetEffectInfo: guid. EnumDevices: dev_type (class) +
     * flags. EnumObjects/EnumEffects: flags. */
    DWORD version;
    GUID guid;
    DWORD dev_type;
    DWORD flags;       /* also: cooperative level flags, SendForceFeedbackCommand
                          command, SetParameters/GetParameters flags,
                          Start flags, Acquire-less methods leave 0 */
    BOOL null_out;     /* the out-pointer or callback argument was NULL */

    /* GetCapabilities, GetDeviceInfo: dwSize of the caller's record;
     * GetDeviceState: cbData. */
    DWORD size;

    /* SetCooperativeLevel */
    HWND hwnd;

    /* SetDataFormat: the pointer as passed and its header. */
    const void *format_ptr;
    DWORD format_size, format_obj_size, format_flags, format_data_size, format_num_objs;
    BOOL format_is_joystick2; /* header matches c_dfDIJoystick2 */

    /* GetProperty/SetProperty: property ordinal (the n of MAKEDIPROP(n)),
     * header as passed, data (SetProperty: as passed; GetProperty: as
     * returned on success). */
    UINT_PTR property;
    DIPROPHEADER prop_header;
    DWORD prop_data_size;       /* bytes after the header copied */
    BYTE prop_data[16];         /* DIPROPDWORD: dwData; DIPROPRANGE: lMin,lMax */

    /* Start */
    DWORD iterations;

    /* CreateEffect, SetParameters: the description, or has_params FALSE
     * when the DIEFFECT pointer was NULL. */
    BOOL has_params;
    GSIM_EFFECT_PARAMS params;
} GSIM_CALL;

GSIM_API int gsim_log_count(void);
/* Copies entry i (0 = oldest). */
GSIM_API int gsim_log_get(int i, GSIM_CALL *call);
/* Entries of one method. */
GSIM_API int gsim_log_count_method(int method);
/* Index of the nth (0-based) entry of method, or -1. */
GSIM_API int gsim_log_find(int method, int nth);
GSIM_API int gsim_log_clear(void);
/* Logging is on by default; off stops recording (faults still apply). */
GSIM_API int gsim_log_enable(BOOL on);
/* The log keeps the newest 65536 entries; this many older ones were
 * dropped since the last clear (seq numbers keep counting). */
GSIM_API int gsim_log_dropped(void);

/* Writes one readable line per completed call (method, object, device,
 * arguments, result) to a file, or to stderr with path "-"; NULL stops.
 * Setting the environment variable GANTREL_SIM_TRACE to a path (or "-")
 * starts it when the DLL is first used. Tracing needs logging on.
 * GSIM_E_ARG if the file cannot be opened. */
GSIM_API int gsim_trace_to(const char *path);

/* ------------------------------------------------------------------------ */
/* Object lifetimes.                                                         */

#define GSIM_KIND_DINPUT 0
#define GSIM_KIND_DEVICE 1
#define GSIM_KIND_EFFECT 2

/* Objects of a kind alive now / created / destroyed since the DLL loaded. */
GSIM_API int gsim_live_objects(int kind);
GSIM_API int gsim_created_objects(int kind);
GSIM_API int gsim_destroyed_objects(int kind);
/* Shorthands for gsim_live_objects(KIND). */
GSIM_API int gsim_live_dinputs(void);
GSIM_API int gsim_live_devices(void);
GSIM_API int gsim_live_effects(void);
/* Reference count of an object (0 once destroyed), or GSIM_E_NOOBJECT. */
GSIM_API int gsim_refcount(DWORD object);
/* Sum of the reference counts of the live device objects on a device. */
GSIM_API int gsim_device_refcount(int index);
/* Release calls on already destroyed objects (they do not crash; the
 * objects' memory is kept), and other calls on destroyed objects. */
GSIM_API int gsim_over_releases(void);
GSIM_API int gsim_dead_calls(void);

/* ------------------------------------------------------------------------ */
/* Effects.                                                                 */

typedef struct GSIM_EFFECT_INFO {
    DWORD size;      /* sizeof(GSIM_EFFECT_INFO) */
    DWORD id;        /* object id */
    DWORD device_object; /* the device object that created it */
    int device;      /* device index, -1 if the device is gone */
    GUID guid;       /* effect type GUID */
    ULONG refcount;
    BOOL alive;
    BOOL downloaded;
    BOOL playing;
    DWORD start_count;       /* successful Start calls and DIEP_START updates */
    DWORD restart_count;     /* restarts caused by SetParameters */
    DWORD last_iterations;
    DWORD last_start_flags;
    GSIM_EFFECT_PARAMS params; /* current parameters (all fields) */
} GSIM_EFFECT_INFO;

/* Ids of effect objects created (alive or not, oldest first); returns the
 * total, copying at most max ids. */
GSIM_API int gsim_effect_ids(DWORD *ids, int max);
/* State of an effect. A destroyed effect reports alive FALSE, its id,
 * device and GUID; its parameters and counters read as zero. */
GSIM_API int gsim_effect_info(DWORD id, GSIM_EFFECT_INFO *info);

#ifdef __cplusplus
}
#endif

#endif
