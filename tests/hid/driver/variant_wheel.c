/*
 * A racing wheel: steering on X (the only motor axis), accelerator, brake
 * and clutch pedals as separate axes, twelve buttons and a hat switch.
 */
#include "../vwheel_protocol.h"
#include "pid_descriptor.h"
#include "variant.h"

static const unsigned char descriptor[] = {
    HI_USAGE_PAGE(HP_GENERIC), HI_USAGE(HU_JOYSTICK), HI_COLLECTION(HI_APPLICATION),
        HI_REPORT_ID(VW_INPUT_ID_CONTROLS),
        HI_USAGE(HU_X), HI_LOGICAL_MIN1(0), HI_LOGICAL_MAX4(0xffff),
        HI_REPORT_SIZE(16), HI_REPORT_COUNT(1), HI_INPUT(HI_DATA_VAR_ABS),
        HI_USAGE(HU_Y), HI_LOGICAL_MIN1(0), HI_LOGICAL_MAX2(1023),
        HI_REPORT_SIZE(16), HI_REPORT_COUNT(1), HI_INPUT(HI_DATA_VAR_ABS),
        HI_USAGE(HU_Z), HI_INPUT(HI_DATA_VAR_ABS),
        HI_USAGE(HU_RZ), HI_INPUT(HI_DATA_VAR_ABS),
        HI_USAGE_PAGE(HP_BUTTON), HI_USAGE_MIN(1), HI_USAGE_MAX(12),
        HI_LOGICAL_MIN1(0), HI_LOGICAL_MAX1(1), HI_REPORT_SIZE(1), HI_REPORT_COUNT(12),
        HI_INPUT(HI_DATA_VAR_ABS),
        HI_USAGE_PAGE(HP_GENERIC), HI_USAGE(HU_HAT), HI_LOGICAL_MIN1(0), HI_LOGICAL_MAX1(7),
        HI_UNIT1(HI_UNIT_DEGREES), HI_REPORT_SIZE(4), HI_REPORT_COUNT(1),
        HI_INPUT(HI_DATA_VAR_ABS | HI_NULL_STATE), HI_UNIT1(0),
        PID_STATE_REPORT,
        PID_SET_EFFECT_REPORT(PID_ALL_EFFECT_TYPES, PID_ALL_EFFECT_COUNT, PID_AXES_X, 1, 1),
        PID_TYPE_SPECIFIC_REPORTS,
        PID_CONTROL_REPORTS,
        PID_POOL_REPORTS(PID_ALL_EFFECT_TYPES, PID_ALL_EFFECT_COUNT),
    HI_END_COLLECTION,
};

const VWheelVariant vwheel_variant = {
    .name = L"wheel",
    .product = L"Gantrel Virtual Wheel",
    .vendor_id = 0x1209,
    .product_id = 0x5701,
    .descriptor = descriptor,
    .descriptor_length = sizeof(descriptor),
    .input_length = 11,
};
