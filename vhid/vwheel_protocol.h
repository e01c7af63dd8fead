/*
 * vwheel_protocol.h - how a test process talks to a virtual wheel driver.
 *
 * Each installed variant exposes a control device \\.\GantrelVWheel_<name>
 * beside its HID device. Through it the test pushes input reports, reads
 * back every report DirectInput sent or asked for, and steers the answers
 * the "firmware" gives to block-load requests. Shared by the kernel driver
 * (C) and the user-mode tests (C++), so only fixed-size plain types.
 */
#ifndef VWHEEL_PROTOCOL_H
#define VWHEEL_PROTOCOL_H

#define VWHEEL_CONTROL_PREFIX_W L"\\\\.\\GantrelVWheel_"
#define VWHEEL_DEVICE_PREFIX_W L"\\Device\\GantrelVWheel_"
#define VWHEEL_LINK_PREFIX_W L"\\DosDevices\\GantrelVWheel_"

/* CTL_CODE(FILE_DEVICE_UNKNOWN, 0x900 + n, METHOD_BUFFERED, FILE_ANY_ACCESS) */
#define VWHEEL_CTL(n) ((0x22u << 16) | ((0x900u + (n)) << 2))

/* in: one complete input report (report id first); completes a pending read. */
#define VWHEEL_IOCTL_PUSH_INPUT VWHEEL_CTL(1)
/* out: as many VWheelLogEntry records as fit; they leave the log. */
#define VWHEEL_IOCTL_TAKE_LOG VWHEEL_CTL(2)
/* in: VWheelBlockLoadPlan. */
#define VWHEEL_IOCTL_PLAN_BLOCK_LOAD VWHEEL_CTL(3)
/* out: VWheelState. */
#define VWHEEL_IOCTL_GET_STATE VWHEEL_CTL(4)
/* no buffers: empties the log and forgets every effect block. */
#define VWHEEL_IOCTL_RESET VWHEEL_CTL(5)

/* What reached the driver, in the order hidclass passed it on. */
#define VWHEEL_LOG_WRITE_REPORT 1 /* output report through WriteFile */
#define VWHEEL_LOG_SET_OUTPUT 2   /* output report through HidD_SetOutputReport */
#define VWHEEL_LOG_SET_FEATURE 3
#define VWHEEL_LOG_GET_FEATURE 4 /* bytes are the driver's answer */

#define VWHEEL_MAX_REPORT 64
#define VWHEEL_MAX_BLOCKS 40
/* Report id of the buttons-and-axes input report of every variant. */
#define VWHEEL_INPUT_CONTROLS_ID 1

typedef struct VWheelLogEntry {
    unsigned int kind;
    unsigned int length;
    /* QueryPerformanceCounter's clock when the report reached the driver:
     * one clock for the machine, so it compares with the host's stamps. */
    long long time;
    unsigned char bytes[VWHEEL_MAX_REPORT];
} VWheelLogEntry;

/* Block-load answers: the next `count` create requests get `status`. */
#define VWHEEL_LOAD_SUCCESS 1
#define VWHEEL_LOAD_FULL 2
#define VWHEEL_LOAD_ERROR 3

typedef struct VWheelBlockLoadPlan {
    unsigned int status;
    unsigned int count;
} VWheelBlockLoadPlan;

/* The firmware's view, kept from the reports it was sent. */
typedef struct VWheelState {
    unsigned char allocated[VWHEEL_MAX_BLOCKS + 1]; /* by block index, 1-based */
    unsigned char playing[VWHEEL_MAX_BLOCKS + 1];
    unsigned char loop_count[VWHEEL_MAX_BLOCKS + 1];
    unsigned char device_gain;
    unsigned char actuators_enabled;
    unsigned char paused;
    unsigned char reserved;
    unsigned int resets; /* device-control resets seen */
    unsigned int reads_pending;
} VWheelState;

#endif /* VWHEEL_PROTOCOL_H */
