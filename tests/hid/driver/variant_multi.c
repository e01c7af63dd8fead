/*
 * A joystick whose firmware declares X, Y, Z and Rz in one descriptor item,
 * as some real devices do; motors on X and Y; ten buttons, no hat. It offers
 * only constant force, sine and spring.
 */
#include "../vwheel_protocol.h"
#include "pid_descriptor.h"
#include "variant.h"

#define MULTI_EFFECT_TYPES() HI_USAGE(PU_ET_CONSTANT), HI_USAGE(PU_ET_SINE), HI_USAGE(PU_ET_SPRING)
#define MULTI_EFFECT_COUNT 3

static const unsigned char descriptor[] = {
    HI_USAGE_PAGE(HP_GENERIC), HI_USAGE(HU_JOYSTICK), HI_COLLECTION(HI_APPLICATION),
        HI_REPORT_ID(VW_INPUT_ID_CONTROLS),
        HI_USAGE(HU_X), HI_USAGE(HU_Y), HI_USAGE(HU_Z), HI_USAGE(HU_RZ),
        HI_LOGICAL_MIN1(0), HI_LOGICAL_MAX4(0xffff), HI_REPORT_SIZE(16), HI_REPORT_COUNT(4),
        HI_INPUT(HI_DATA_VAR_ABS),
        HI_USAGE_PAGE(HP_BUTTON), HI_USAGE_MIN(1), HI_USAGE_MAX(10),
        HI_LOGICAL_MIN1(0), HI_LOGICAL_MAX1(1), HI_REPORT_SIZE(1), HI_REPORT_COUNT(10),
        HI_INPUT(HI_DATA_VAR_ABS),
        HI_REPORT_COUNT(6), HI_INPUT(HI_CNST_VAR_ABS),
        PID_STATE_REPORT,
        PID_SET_EFFECT_REPORT(MULTI_EFFECT_TYPES, MULTI_EFFECT_COUNT, PID_AXES_XY, 2, 2),
        PID_TYPE_SPECIFIC_REPORTS,
        PID_CONTROL_REPORTS,
        PID_POOL_REPORTS(MULTI_EFFECT_TYPES, MULTI_EFFECT_COUNT),
    HI_END_COLLECTION,
};

const VWheelVariant vwheel_variant = {
    .name = L"multi",
    .product = L"Gantrel Virtual Multi-Axis Stick",
    .vendor_id = 0x1209,
    .product_id = 0x5703,
    .descriptor = descriptor,
    .descriptor_length = sizeof(descriptor),
    .input_length = 11,
};
