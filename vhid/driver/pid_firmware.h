/*
 * pid_firmware.h - the part of a force-feedback device's firmware the host
 * can see, for any report descriptor: it answers the block-load and pool
 * feature requests, keeps which effect blocks are loaded and playing, and
 * reports effect state, reading and writing every report through the HID
 * parser with the descriptor's own layout.
 */
#ifndef PID_FIRMWARE_H
#define PID_FIRMWARE_H

#include "../vwheel_protocol.h"
#include "hid_collections.h"

typedef struct PidFirmware {
    HidDeviceDesc desc;
    BOOLEAN parsed;
    BOOLEAN report_ids;       /* reports carry an id byte */
    PHIDP_PREPARSED_DATA pid; /* the collection holding the force-feedback reports, NULL if none */
    HIDP_CAPS caps;           /* of that collection: buffer lengths for the parser */
    /* Report ids by purpose, 0 when the device has no such report. */
    UCHAR block_load, pool, state, set_effect, effect_operation, block_free, device_control, device_gain;
    BOOLEAN device_managed;   /* the host asks the device for effect blocks */
    ULONG blocks;             /* effect blocks this firmware hands out, 1..VWHEEL_MAX_BLOCKS */
} PidFirmware;

/* Parses the descriptor; STATUS_SUCCESS also for a device without force
 * feedback. `blocks` 0 means as many as the block index allows. */
NTSTATUS firmware_init(PidFirmware *firmware, UCHAR *descriptor, ULONG length, ULONG blocks);
void firmware_free(PidFirmware *firmware);

/* The answer to a feature request for report `id`, id byte first, in
 * `answer`; its length, or 0 when the firmware does not answer that id. */
ULONG firmware_get_feature(PidFirmware *firmware, VWheelState *state, VWheelBlockLoadPlan *plan, UCHAR id,
                           UCHAR *answer, ULONG capacity);

/* The firmware's reaction to an output report (id byte first). Returns the
 * length of an effect-state input report left in `notice`, or 0. */
ULONG firmware_output(PidFirmware *firmware, VWheelState *state, UCHAR *report, ULONG length, UCHAR *notice,
                      ULONG capacity);

void firmware_forget_blocks(VWheelState *state);

#endif /* PID_FIRMWARE_H */
