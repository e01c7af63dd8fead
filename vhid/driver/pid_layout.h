/*
 * pid_layout.h - report ids of the force-feedback reports of the project's
 * own devices (vhid/devices/wheel, stick and multi), for the tests that
 * name a report of theirs directly. Everything else is read from the
 * descriptor with the HID parser.
 */
#ifndef PID_LAYOUT_H
#define PID_LAYOUT_H

#define VW_INPUT_ID_CONTROLS 0x01
#define VW_INPUT_ID_PID_STATE 0x02

#define VW_OUT_ID_SET_EFFECT 0x11
#define VW_OUT_ID_SET_ENVELOPE 0x12
#define VW_OUT_ID_SET_CONDITION 0x13
#define VW_OUT_ID_SET_PERIODIC 0x14
#define VW_OUT_ID_SET_CONSTANT 0x15

#endif /* PID_LAYOUT_H */
