/*
 * hid_minidriver.h - the HID class driver's interface to a minidriver.
 *
 * mingw-w64 ships no hidport.h, and its ddk/hidclass.h numbers the internal
 * minidriver requests wrongly, so the documented values are spelled out here.
 */
#ifndef HID_MINIDRIVER_H
#define HID_MINIDRIVER_H

#include <ddk/wdm.h>

#define HIDMINI_CTL(id) CTL_CODE(FILE_DEVICE_KEYBOARD, (id), METHOD_NEITHER, FILE_ANY_ACCESS)
#define HIDMINI_IN_CTL(id) CTL_CODE(FILE_DEVICE_KEYBOARD, (id), METHOD_IN_DIRECT, FILE_ANY_ACCESS)
#define HIDMINI_OUT_CTL(id) CTL_CODE(FILE_DEVICE_KEYBOARD, (id), METHOD_OUT_DIRECT, FILE_ANY_ACCESS)

#define HIDMINI_GET_DEVICE_DESCRIPTOR HIDMINI_CTL(0)
#define HIDMINI_GET_REPORT_DESCRIPTOR HIDMINI_CTL(1)
#define HIDMINI_READ_REPORT HIDMINI_CTL(2)
#define HIDMINI_WRITE_REPORT HIDMINI_CTL(3)
#define HIDMINI_GET_STRING HIDMINI_CTL(4)
#define HIDMINI_ACTIVATE_DEVICE HIDMINI_CTL(7)
#define HIDMINI_DEACTIVATE_DEVICE HIDMINI_CTL(8)
#define HIDMINI_GET_DEVICE_ATTRIBUTES HIDMINI_CTL(9)
#define HIDMINI_GET_FEATURE HIDMINI_OUT_CTL(100)
#define HIDMINI_SET_FEATURE HIDMINI_IN_CTL(100)
#define HIDMINI_SET_OUTPUT_REPORT HIDMINI_IN_CTL(101)
#define HIDMINI_GET_INPUT_REPORT HIDMINI_OUT_CTL(104)

/* String ids as Windows numbers them; Wine 8.0's hidclass asks with 1, 2
 * and 3 (its enumeration HID_STRING_TYPE), so both are answered. */
#define HIDMINI_STRING_MANUFACTURER 14
#define HIDMINI_STRING_PRODUCT 15
#define HIDMINI_STRING_SERIAL 16
#define HIDMINI_WINE_STRING_MANUFACTURER 1
#define HIDMINI_WINE_STRING_PRODUCT 2
#define HIDMINI_WINE_STRING_SERIAL 3

#define HIDMINI_REVISION 1
#define HIDMINI_HID_DESCRIPTOR_TYPE 0x21
#define HIDMINI_REPORT_DESCRIPTOR_TYPE 0x22

typedef struct HidMiniRegistration {
    ULONG Revision;
    DRIVER_OBJECT *DriverObject;
    UNICODE_STRING *RegistryPath;
    ULONG DeviceExtensionSize;
    BOOLEAN DevicesArePolled;
    UCHAR Reserved[3];
} HidMiniRegistration;

typedef struct HidMiniDeviceExtension {
    DEVICE_OBJECT *PhysicalDeviceObject;
    DEVICE_OBJECT *NextDeviceObject;
    void *MiniDeviceExtension;
} HidMiniDeviceExtension;

typedef struct HidMiniAttributes {
    ULONG Size;
    USHORT VendorID;
    USHORT ProductID;
    USHORT VersionNumber;
    USHORT Reserved[11];
} HidMiniAttributes;

#pragma pack(push, 1)
typedef struct HidMiniDescriptor {
    UCHAR bLength;
    UCHAR bDescriptorType;
    USHORT bcdHID;
    UCHAR bCountry;
    UCHAR bNumDescriptors;
    UCHAR bReportType;
    USHORT wReportLength;
} HidMiniDescriptor;
#pragma pack(pop)

typedef struct HidMiniXferPacket {
    UCHAR *reportBuffer;
    ULONG reportBufferLen;
    UCHAR reportId;
} HidMiniXferPacket;

NTSTATUS WINAPI HidRegisterMinidriver(HidMiniRegistration *registration);

#endif /* HID_MINIDRIVER_H */
