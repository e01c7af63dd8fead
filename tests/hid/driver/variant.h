/* variant.h - what distinguishes one virtual device from another. */
#ifndef VARIANT_H
#define VARIANT_H

#include <stddef.h>

typedef struct VWheelVariant {
    const wchar_t *name;    /* names the control device: GantrelVWheel_<name> */
    const wchar_t *product; /* HID product string */
    unsigned short vendor_id;
    unsigned short product_id;
    const unsigned char *descriptor;
    unsigned short descriptor_length;
    unsigned char input_length; /* controls report, id included */
} VWheelVariant;

/* Each driver binary links exactly one variant. */
extern const VWheelVariant vwheel_variant;

#endif /* VARIANT_H */
