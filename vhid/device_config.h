/*
 * device_config.h - where the installer leaves a device file for the driver.
 *
 * One registry key per device name, outside the device's own node, so a
 * device removed and registered again (by any tool) finds its description
 * unchanged. The driver learns the name from the device's instance id,
 * root\gantrel_vwheel\<name>. Shared by the kernel driver (C) and the
 * installer and tests (C++).
 */
#ifndef DEVICE_CONFIG_H
#define DEVICE_CONFIG_H

#define VWHEEL_CONFIG_KEY_W L"Software\\Gantrel\\VirtualDevices"
#define VWHEEL_CONFIG_KERNEL_KEY_W L"\\Registry\\Machine\\Software\\Gantrel\\VirtualDevices\\"

#define VWHEEL_VALUE_NAME_W L"Name"             /* REG_SZ: the name as given, for the control device */
#define VWHEEL_VALUE_PRODUCT_W L"Product"       /* REG_SZ: HID product string */
#define VWHEEL_VALUE_VENDOR_ID_W L"VendorId"    /* REG_DWORD */
#define VWHEEL_VALUE_PRODUCT_ID_W L"ProductId"  /* REG_DWORD */
#define VWHEEL_VALUE_DESCRIPTOR_W L"Descriptor" /* REG_BINARY: the report descriptor */
#define VWHEEL_VALUE_BLOCKS_W L"Blocks"         /* REG_DWORD, optional: effect blocks the firmware holds */

/* Every device's first hardware id is VWHEEL_HARDWARE_PREFIX_W<name>; the
 * second, VWHEEL_HARDWARE_ID_W, is the one the driver package matches. */
#define VWHEEL_INSTANCE_PREFIX_W L"root\\gantrel_vwheel\\"
#define VWHEEL_HARDWARE_PREFIX_W L"gantrel\\vwheel_"
#define VWHEEL_HARDWARE_ID_W L"gantrel\\vwheel"

#define VWHEEL_MAX_NAME 48
#define VWHEEL_MAX_PRODUCT 126
#define VWHEEL_MAX_DESCRIPTOR 4096

#endif /* DEVICE_CONFIG_H */
