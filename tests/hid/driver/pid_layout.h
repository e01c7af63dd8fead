/*
 * pid_layout.h - report ids of the force-feedback part every variant shares,
 * and the byte layout of the few reports the driver's firmware itself reads
 * or answers (block management, effect operation, device control and gain).
 * The tests never use these offsets: they decode with the HID parser.
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
#define VW_OUT_ID_SET_RAMP 0x16
#define VW_OUT_ID_EFFECT_OPERATION 0x17
#define VW_OUT_ID_BLOCK_FREE 0x18
#define VW_OUT_ID_DEVICE_CONTROL 0x19
#define VW_OUT_ID_DEVICE_GAIN 0x1a

#define VW_FEATURE_ID_CREATE_NEW_EFFECT 0x21
#define VW_FEATURE_ID_BLOCK_LOAD 0x22
#define VW_FEATURE_ID_POOL 0x23

/* Effect operation: block index, operation (1 start, 2 start solo, 3 stop), loop count. */
#define VW_OP_START 1
#define VW_OP_START_SOLO 2
#define VW_OP_STOP 3
/* Device control: one array index, in the order the descriptor lists them. */
#define VW_DC_ENABLE_ACTUATORS 1
#define VW_DC_DISABLE_ACTUATORS 2
#define VW_DC_STOP_ALL 3
#define VW_DC_RESET 4
#define VW_DC_PAUSE 5
#define VW_DC_CONTINUE 6
/* Block load answer: id, block index, status (VWHEEL_LOAD_*), RAM pool available (16 bit). */
#define VW_BLOCK_LOAD_LENGTH 5
/* Pool answer: id, RAM pool size (16 bit), simultaneous effects, flag bits. */
#define VW_POOL_LENGTH 5
#define VW_POOL_RAM_SIZE 0xffff
/* State report: id, flag bits (paused, actuators enabled, playing), block index. */
#define VW_STATE_LENGTH 3
#define VW_STATE_PAUSED 0x01
#define VW_STATE_ACTUATORS 0x02
#define VW_STATE_PLAYING 0x04

#endif /* PID_LAYOUT_H */
