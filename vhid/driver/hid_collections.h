/*
 * hid_collections.h - the HID parser's kernel entry points (hidparse.sys),
 * which mingw-w64 does not declare: a report descriptor in, one preparsed
 * collection per top-level collection and the report ids out. The records
 * are those of the documented hidpddi.h.
 */
#ifndef HID_COLLECTIONS_H
#define HID_COLLECTIONS_H

#include <ddk/wdm.h>
#include <hidusage.h>
#include <hidpi.h>

typedef struct HidCollectionDesc {
    USAGE UsagePage;
    USAGE Usage;
    UCHAR CollectionNumber;
    UCHAR Reserved[15];
    USHORT InputLength;
    USHORT OutputLength;
    USHORT FeatureLength;
    USHORT PreparsedDataLength;
    PHIDP_PREPARSED_DATA PreparsedData;
} HidCollectionDesc;

typedef struct HidReportIds {
    UCHAR ReportID;
    UCHAR CollectionNumber;
    USHORT InputLength;
    USHORT OutputLength;
    USHORT FeatureLength;
} HidReportIds;

typedef struct HidDeviceDesc {
    HidCollectionDesc *CollectionDesc;
    ULONG CollectionDescLength;
    HidReportIds *ReportIDs;
    ULONG ReportIDsLength;
    ULONG DbgBreakOffset;
    ULONG DbgErrorCode;
    ULONG DbgArgs[6];
} HidDeviceDesc;

NTSTATUS WINAPI HidP_GetCollectionDescription(UCHAR *descriptor, ULONG length, POOL_TYPE pool,
                                              HidDeviceDesc *description);
void WINAPI HidP_FreeCollectionDescription(HidDeviceDesc *description);

#endif /* HID_COLLECTIONS_H */
