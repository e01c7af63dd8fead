/*
 * A force-feedback joystick: motors on X and Y, a throttle slider, eight
 * buttons and a hat switch.
 */
#include "../vwheel_protocol.h"
#include "pid_descriptor.h"
#include "variant.h"

static const unsigned char descriptor[] = {
    HI_USAGE_PAGE(HP_GENERIC), HI_USAGE(HU_JOYSTICK), HI_COLLECTION(HI_APPLICATION),
        HI_REPORT_ID(VW_INPUT_ID_CONTROLS),
        HI_USAGE(HU_X), HI_LOGICAL_MIN2(-32768), HI_LOGICAL_MAX2(32767),
        HI_REPORT_SIZE(16), HI_REPORT_COUNT(1), HI_INPUT(HI_DATA_VAR_ABS),
        HI_USAGE(HU_Y), HI_INPUT(HI_DATA_VAR_ABS),
        HI_USAGE(HU_SLIDER), HI_LOGICAL_MIN1(0), HI_LOGICAL_MAX2(255),
        HI_REPORT_SIZE(8), HI_REPORT_COUNT(1), HI_INPUT(HI_DATA_VAR_ABS),
        HI_USAGE_PAGE(HP_BUTTON), HI_USAGE_MIN(1), HI_USAGE_MAX(8),
        HI_LOGICAL_MIN1(0), HI_LOGICAL_MAX1(1), HI_REPORT_SIZE(1), HI_REPORT_COUNT(8),
        HI_INPUT(HI_DATA_VAR_ABS),
        HI_USAGE_PAGE(HP_GENERIC), HI_USAGE(HU_HAT), HI_LOGICAL_MIN1(0), HI_LOGICAL_MAX1(7),
        HI_UNIT1(HI_UNIT_DEGREES), HI_REPORT_SIZE(4), HI_REPORT_COUNT(1),
        HI_INPUT(HI_DATA_VAR_ABS | HI_NULL_STATE), HI_UNIT1(0),
        HI_REPORT_COUNT(4), HI_INPUT(HI_CNST_VAR_ABS),
        PID_STATE_REPORT,
        PID_SET_EFFECT_REPORT(PID_ALL_EFFECT_TYPES, PID_ALL_EFFECT_COUNT, PID_AXES_XY, 2, 2),
        PID_TYPE_SPECIFIC_REPORTS,
        PID_CONTROL_REPORTS,
        PID_POOL_REPORTS(PID_ALL_EFFECT_TYPES, PID_ALL_EFFECT_COUNT),
    HI_END_COLLECTION,
};

const VWheelVariant vwheel_variant = {
    .name = L"stick",
    .product = L"Gantrel Virtual Stick",
    .vendor_id = 0x1209,
    .product_id = 0x5702,
    .descriptor = descriptor,
    .descriptor_length = sizeof(descriptor),
    .input_length = 8,
};
