/*
 * hid_items.h - short items of a HID report descriptor, as byte lists for
 * array initialisers. The number in a name is the data size in bytes; values
 * whose sign or magnitude needs more room must use the wider form.
 */
#ifndef HID_ITEMS_H
#define HID_ITEMS_H

#define HI_B0(v) ((unsigned char)((v) & 0xff))
#define HI_B1(v) ((unsigned char)(((v) >> 8) & 0xff))
#define HI_B2(v) ((unsigned char)(((v) >> 16) & 0xff))
#define HI_B3(v) ((unsigned char)(((unsigned long)(v) >> 24) & 0xff))
#define HI_LE16(v) HI_B0(v), HI_B1(v)
#define HI_LE32(v) HI_B0(v), HI_B1(v), HI_B2(v), HI_B3(v)

/* main items */
#define HI_INPUT(f) 0x81, (f)
#define HI_OUTPUT(f) 0x91, (f)
#define HI_FEATURE(f) 0xb1, (f)
#define HI_COLLECTION(k) 0xa1, (k)
#define HI_END_COLLECTION 0xc0
/* global items */
#define HI_USAGE_PAGE(p) 0x05, (p)
#define HI_LOGICAL_MIN1(v) 0x15, HI_B0(v)
#define HI_LOGICAL_MIN2(v) 0x16, HI_LE16(v)
#define HI_LOGICAL_MIN4(v) 0x17, HI_LE32(v)
#define HI_LOGICAL_MAX1(v) 0x25, HI_B0(v)
#define HI_LOGICAL_MAX2(v) 0x26, HI_LE16(v)
#define HI_LOGICAL_MAX4(v) 0x27, HI_LE32(v)
#define HI_PHYSICAL_MIN1(v) 0x35, HI_B0(v)
#define HI_PHYSICAL_MAX1(v) 0x45, HI_B0(v)
#define HI_UNIT_EXPONENT(v) 0x55, HI_B0(v)
#define HI_UNIT1(v) 0x65, HI_B0(v)
#define HI_UNIT2(v) 0x66, HI_LE16(v)
#define HI_REPORT_SIZE(v) 0x75, (v)
#define HI_REPORT_ID(v) 0x85, (v)
#define HI_REPORT_COUNT(v) 0x95, (v)
/* local items */
#define HI_USAGE(u) 0x09, (u)
#define HI_USAGE_EXT(page, u) 0x0b, HI_LE16(u), HI_LE16(page)
#define HI_USAGE_MIN(u) 0x19, (u)
#define HI_USAGE_MAX(u) 0x29, (u)

/* main item flags */
#define HI_DATA_ARY_ABS 0x00
#define HI_CNST_ARY_ABS 0x01
#define HI_DATA_VAR_ABS 0x02
#define HI_CNST_VAR_ABS 0x03
#define HI_NULL_STATE 0x40

/* collection kinds */
#define HI_PHYSICAL 0x00
#define HI_APPLICATION 0x01
#define HI_LOGICAL 0x02

/* usage pages and usages used here */
#define HP_GENERIC 0x01
#define HP_BUTTON 0x09
#define HP_ORDINAL 0x0a
#define HP_PID 0x0f
#define HU_JOYSTICK 0x04
#define HU_X 0x30
#define HU_Y 0x31
#define HU_Z 0x32
#define HU_RX 0x33
#define HU_RY 0x34
#define HU_RZ 0x35
#define HU_SLIDER 0x36
#define HU_HAT 0x39

/* units: rotation in degrees (x 10^-2 with exponent -2), time in seconds */
#define HI_UNIT_DEGREES 0x14
#define HI_UNIT_SECONDS 0x1003
/* Exponents as whole signed bytes: Wine's parser sign-extends the item
 * data and would read the 4-bit form 0x0d as +13. */
#define HI_EXP_MILLI (-3)
#define HI_EXP_CENTI (-2)

#endif /* HID_ITEMS_H */
