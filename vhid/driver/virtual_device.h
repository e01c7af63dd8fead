/*
 * virtual_device.h - one virtual device as the driver keeps it: what its
 * device file says (read from the registry when the device is added), its
 * input queue, the log of what reached it, and its firmware's state.
 *
 * Devices live in a table by name, not in their device objects: a device
 * that is removed and added again finds its control channel, log and
 * firmware state as it left them, as a test that unplugs it expects.
 */
#ifndef VIRTUAL_DEVICE_H
#define VIRTUAL_DEVICE_H

#include "../device_config.h"
#include "../vwheel_protocol.h"
#include "pid_firmware.h"

#define VDEV_MAX_DEVICES 32
#define VDEV_LOG_CAPACITY 512
#define VDEV_INPUT_QUEUE 32
#define VDEV_INPUT_IDS 8
/* hidclass reads once per top-level collection. */
#define VDEV_MAX_READS 4

typedef struct PendingInput {
    ULONG length;
    UCHAR bytes[VWHEEL_MAX_REPORT];
} PendingInput;

typedef struct VirtualDevice {
    BOOLEAN used;
    WCHAR name[VWHEEL_MAX_NAME + 1];
    WCHAR product[VWHEEL_MAX_PRODUCT + 1];
    USHORT vendor_id, product_id;
    UCHAR descriptor[VWHEEL_MAX_DESCRIPTOR];
    ULONG descriptor_length;
    ULONG blocks;

    DEVICE_OBJECT *control_device;
    UNICODE_STRING control_link;
    WCHAR control_link_buffer[64 + VWHEEL_MAX_NAME];

    /* Everything below is guarded by `lock`. */
    volatile LONG lock;
    IRP *reads[VDEV_MAX_READS];
    PendingInput queue[VDEV_INPUT_QUEUE];
    ULONG queue_head, queue_count;
    PendingInput last_input[VDEV_INPUT_IDS]; /* by arrival, for HidD_GetInputReport */
    VWheelLogEntry log[VDEV_LOG_CAPACITY];
    ULONG log_head, log_count;
    VWheelBlockLoadPlan load_plan;
    VWheelState state;
    PidFirmware firmware;
} VirtualDevice;

/* Reads the device's name from its instance id and its description from
 * the registry into `device` (name, product, ids, descriptor, blocks). */
NTSTATUS read_device_config(DEVICE_OBJECT *pdo, VirtualDevice *device);
/* Only the name part of that, to find the device's table entry. */
NTSTATUS read_device_name(DEVICE_OBJECT *pdo, WCHAR *name, ULONG capacity);

#endif /* VIRTUAL_DEVICE_H */
