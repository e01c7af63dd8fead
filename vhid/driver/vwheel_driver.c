/*
 * vwheel_driver.c - a HID minidriver that plays any force-feedback device.
 *
 * Each device it drives is described by a device file, which the installer
 * put in the registry: descriptor, ids, product string. hidclass asks the
 * driver for those and for input; DirectInput's output and feature reports
 * arrive here and are logged for the test, while the PID firmware
 * (pid_firmware.c) answers block loads and keeps effect state. Beside each
 * device a named control device, \\.\GantrelVWheel_<name>, carries the
 * test's requests (vwheel_protocol.h).
 */
#include "../vwheel_protocol.h"
#include "hid_minidriver.h"
#include "virtual_device.h"

static VirtualDevice devices[VDEV_MAX_DEVICES];
static PDRIVER_DISPATCH hidclass_dispatch[IRP_MJ_MAXIMUM_FUNCTION + 1];

static void lock_device(VirtualDevice *device)
{
    while (InterlockedCompareExchange(&device->lock, 1, 0)) YieldProcessor();
}

static void unlock_device(VirtualDevice *device)
{
    InterlockedExchange(&device->lock, 0);
}

static void copy_bytes(void *to, const void *from, ULONG length)
{
    UCHAR *d = to;
    const UCHAR *s = from;
    while (length--) *d++ = *s++;
}

static BOOLEAN same_name(const WCHAR *a, const WCHAR *b)
{
    for (; *a && *b; a++, b++) {
        WCHAR x = *a >= 'A' && *a <= 'Z' ? *a + 32 : *a, y = *b >= 'A' && *b <= 'Z' ? *b + 32 : *b;
        if (x != y) return FALSE;
    }
    return *a == *b;
}

static VirtualDevice *device_of(DEVICE_OBJECT *fdo)
{
    HidMiniDeviceExtension *extension = fdo->DeviceExtension;
    return *(VirtualDevice **)extension->MiniDeviceExtension;
}

/* Logged bytes always begin with the report id: hidclass leaves out the
 * id byte 0 of a device without report ids, so it is put back. */
static void log_report(VirtualDevice *device, ULONG kind, const UCHAR *bytes, ULONG length)
{
    VWheelLogEntry *entry;
    ULONG skip = device->firmware.report_ids ? 0 : 1;

    if (length + skip > VWHEEL_MAX_REPORT) length = VWHEEL_MAX_REPORT - skip;
    if (device->log_count == VDEV_LOG_CAPACITY) { /* the oldest entry gives way */
        device->log_head = (device->log_head + 1) % VDEV_LOG_CAPACITY;
        device->log_count--;
    }
    entry = &device->log[(device->log_head + device->log_count++) % VDEV_LOG_CAPACITY];
    entry->kind = kind;
    entry->length = length + skip;
    entry->time = KeQueryPerformanceCounter(NULL).QuadPart;
    entry->bytes[0] = 0;
    copy_bytes(entry->bytes + skip, bytes, length);
}

static void remember_input(VirtualDevice *device, const UCHAR *bytes, ULONG length)
{
    ULONG i;
    for (i = 0; i < VDEV_INPUT_IDS - 1; i++)
        if (!device->last_input[i].length || device->last_input[i].bytes[0] == bytes[0]) break;
    device->last_input[i].length = length;
    copy_bytes(device->last_input[i].bytes, bytes, length);
}

/* Hands an input report (id byte first) to a waiting read, or queues it;
 * returns the read to complete outside the lock. */
static IRP *deliver_input(VirtualDevice *device, const UCHAR *bytes, ULONG length)
{
    ULONG skip = device->firmware.report_ids ? 0 : 1, i;
    IO_STACK_LOCATION *stack;
    PendingInput *slot;
    IRP *irp = NULL;

    if (length > VWHEEL_MAX_REPORT) length = VWHEEL_MAX_REPORT;
    if (length <= skip) return NULL;
    remember_input(device, bytes, length);
    bytes += skip;
    length -= skip;
    for (i = 0; i < VDEV_MAX_READS && !irp; i++) {
        irp = device->reads[i];
        device->reads[i] = NULL;
    }
    if (irp) {
        stack = IoGetCurrentIrpStackLocation(irp);
        if (length > stack->Parameters.DeviceIoControl.OutputBufferLength)
            length = stack->Parameters.DeviceIoControl.OutputBufferLength;
        copy_bytes(irp->UserBuffer, bytes, length);
        irp->IoStatus.Information = length;
        irp->IoStatus.Status = STATUS_SUCCESS;
        device->state.reads_pending = 0;
        for (i = 0; i < VDEV_MAX_READS; i++) device->state.reads_pending |= device->reads[i] != NULL;
        return irp;
    }
    if (device->queue_count == VDEV_INPUT_QUEUE) { /* drop the oldest unread report */
        device->queue_head = (device->queue_head + 1) % VDEV_INPUT_QUEUE;
        device->queue_count--;
    }
    slot = &device->queue[(device->queue_head + device->queue_count++) % VDEV_INPUT_QUEUE];
    slot->length = length;
    copy_bytes(slot->bytes, bytes, length);
    return NULL;
}

static void complete(IRP *irp, NTSTATUS status)
{
    irp->IoStatus.Status = status;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
}

/* The packet of a device without report ids lacks the id byte the parser
 * expects: it is put back for the firmware. */
static ULONG with_report_id(VirtualDevice *device, const HidMiniXferPacket *packet, UCHAR *report, ULONG capacity)
{
    ULONG skip = device->firmware.report_ids ? 0 : 1, length = packet->reportBufferLen;
    if (length + skip > capacity) length = capacity - skip;
    report[0] = 0;
    copy_bytes(report + skip, packet->reportBuffer, length);
    return length + skip;
}

static IRP *receive_output(VirtualDevice *device, ULONG kind, const HidMiniXferPacket *packet)
{
    UCHAR report[VWHEEL_MAX_REPORT * 8], notice[VWHEEL_MAX_REPORT];
    ULONG length, notice_length;

    log_report(device, kind, packet->reportBuffer, packet->reportBufferLen);
    length = with_report_id(device, packet, report, sizeof(report));
    notice_length = firmware_output(&device->firmware, &device->state, report, length, notice, sizeof(notice));
    return notice_length ? deliver_input(device, notice, notice_length) : NULL;
}

static NTSTATUS get_feature(VirtualDevice *device, HidMiniXferPacket *packet, ULONG *written)
{
    UCHAR answer[VWHEEL_MAX_REPORT * 8];
    ULONG length = firmware_get_feature(&device->firmware, &device->state, &device->load_plan, packet->reportId,
                                        answer, sizeof(answer));
    ULONG skip = device->firmware.report_ids ? 0 : 1;

    if (length <= skip) return STATUS_INVALID_PARAMETER;
    log_report(device, VWHEEL_LOG_GET_FEATURE, answer + skip, length - skip);
    length -= skip;
    if (length > packet->reportBufferLen) length = packet->reportBufferLen;
    copy_bytes(packet->reportBuffer, answer + skip, length);
    *written = length;
    return STATUS_SUCCESS;
}

static NTSTATUS get_input_report(VirtualDevice *device, HidMiniXferPacket *packet, ULONG *written)
{
    ULONG skip = device->firmware.report_ids ? 0 : 1, i;
    for (i = 0; i < VDEV_INPUT_IDS; i++) {
        PendingInput *last = &device->last_input[i];
        if (!last->length || last->bytes[0] != packet->reportId) continue;
        if (packet->reportBufferLen < last->length - skip) return STATUS_BUFFER_TOO_SMALL;
        copy_bytes(packet->reportBuffer, last->bytes + skip, last->length - skip);
        *written = last->length - skip;
        return STATUS_SUCCESS;
    }
    return STATUS_INVALID_PARAMETER;
}

static NTSTATUS get_string(VirtualDevice *device, IRP *irp, IO_STACK_LOCATION *stack)
{
    ULONG id = (ULONG)(ULONG_PTR)stack->Parameters.DeviceIoControl.Type3InputBuffer & 0xffff;
    ULONG capacity = stack->Parameters.DeviceIoControl.OutputBufferLength;
    const WCHAR *text;
    ULONG length = 0;

    if (id == HIDMINI_STRING_PRODUCT || id == HIDMINI_WINE_STRING_PRODUCT) text = device->product;
    else if (id == HIDMINI_STRING_MANUFACTURER || id == HIDMINI_WINE_STRING_MANUFACTURER)
        text = L"Gantrel Test Hardware";
    else if (id == HIDMINI_STRING_SERIAL || id == HIDMINI_WINE_STRING_SERIAL) text = device->name;
    else return STATUS_INVALID_PARAMETER;
    while (text[length]) length++;
    length = (length + 1) * sizeof(WCHAR);
    if (capacity < length) return STATUS_BUFFER_TOO_SMALL;
    copy_bytes(irp->UserBuffer, text, length);
    irp->IoStatus.Information = length;
    return STATUS_SUCCESS;
}

static NTSTATUS read_report(VirtualDevice *device, IRP *irp, ULONG out_size, ULONG *written)
{
    PendingInput *next;
    ULONG i;

    lock_device(device);
    if (device->queue_count) {
        next = &device->queue[device->queue_head];
        *written = next->length < out_size ? next->length : out_size;
        copy_bytes(irp->UserBuffer, next->bytes, *written);
        device->queue_head = (device->queue_head + 1) % VDEV_INPUT_QUEUE;
        device->queue_count--;
        unlock_device(device);
        return STATUS_SUCCESS;
    }
    for (i = 0; i < VDEV_MAX_READS && device->reads[i]; i++) {}
    if (i == VDEV_MAX_READS) {
        unlock_device(device);
        return STATUS_DEVICE_BUSY;
    }
    IoMarkIrpPending(irp);
    device->reads[i] = irp;
    device->state.reads_pending = 1;
    unlock_device(device);
    return STATUS_PENDING;
}

static NTSTATUS WINAPI internal_ioctl(DEVICE_OBJECT *fdo, IRP *irp)
{
    IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
    ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    ULONG out_size = stack->Parameters.DeviceIoControl.OutputBufferLength;
    VirtualDevice *device = device_of(fdo);
    HidMiniXferPacket *packet = irp->UserBuffer;
    NTSTATUS status = STATUS_SUCCESS;
    ULONG written = 0;
    IRP *ready = NULL;

    switch (code) {
    case HIDMINI_GET_DEVICE_DESCRIPTOR: {
        HidMiniDescriptor *descriptor = irp->UserBuffer;
        if (out_size < sizeof(*descriptor)) { status = STATUS_BUFFER_TOO_SMALL; break; }
        descriptor->bLength = sizeof(*descriptor);
        descriptor->bDescriptorType = HIDMINI_HID_DESCRIPTOR_TYPE;
        descriptor->bcdHID = 0x0111;
        descriptor->bCountry = 0;
        descriptor->bNumDescriptors = 1;
        descriptor->bReportType = HIDMINI_REPORT_DESCRIPTOR_TYPE;
        descriptor->wReportLength = (USHORT)device->descriptor_length;
        written = sizeof(*descriptor);
        break;
    }
    case HIDMINI_GET_REPORT_DESCRIPTOR:
        if (out_size < device->descriptor_length) { status = STATUS_BUFFER_TOO_SMALL; break; }
        copy_bytes(irp->UserBuffer, device->descriptor, device->descriptor_length);
        written = device->descriptor_length;
        break;
    case HIDMINI_GET_DEVICE_ATTRIBUTES: {
        HidMiniAttributes *attributes = irp->UserBuffer;
        if (out_size < sizeof(*attributes)) { status = STATUS_BUFFER_TOO_SMALL; break; }
        attributes->Size = sizeof(*attributes);
        attributes->VendorID = device->vendor_id;
        attributes->ProductID = device->product_id;
        attributes->VersionNumber = 0x0100;
        written = sizeof(*attributes);
        break;
    }
    case HIDMINI_GET_STRING:
        status = get_string(device, irp, stack);
        written = (ULONG)irp->IoStatus.Information;
        break;
    case HIDMINI_READ_REPORT:
        status = read_report(device, irp, out_size, &written);
        if (status == STATUS_PENDING) return status;
        break;
    case HIDMINI_WRITE_REPORT:
    case HIDMINI_SET_OUTPUT_REPORT:
        lock_device(device);
        ready = receive_output(device, code == HIDMINI_WRITE_REPORT ? VWHEEL_LOG_WRITE_REPORT : VWHEEL_LOG_SET_OUTPUT,
                               packet);
        unlock_device(device);
        written = packet->reportBufferLen;
        break;
    case HIDMINI_SET_FEATURE:
        lock_device(device);
        log_report(device, VWHEEL_LOG_SET_FEATURE, packet->reportBuffer, packet->reportBufferLen);
        unlock_device(device);
        written = packet->reportBufferLen;
        break;
    case HIDMINI_GET_FEATURE:
        lock_device(device);
        status = get_feature(device, packet, &written);
        unlock_device(device);
        break;
    case HIDMINI_GET_INPUT_REPORT:
        lock_device(device);
        status = get_input_report(device, packet, &written);
        unlock_device(device);
        break;
    case HIDMINI_ACTIVATE_DEVICE:
    case HIDMINI_DEACTIVATE_DEVICE:
        break;
    default:
        status = STATUS_NOT_SUPPORTED;
        break;
    }

    irp->IoStatus.Information = written;
    complete(irp, status);
    if (ready) IoCompleteRequest(ready, IO_NO_INCREMENT);
    return status;
}

static NTSTATUS control_ioctl(VirtualDevice *device, IRP *irp)
{
    IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
    ULONG in_size = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG out_size = stack->Parameters.DeviceIoControl.OutputBufferLength;
    UCHAR *buffer = irp->AssociatedIrp.SystemBuffer;
    NTSTATUS status = STATUS_SUCCESS;
    ULONG written = 0;
    IRP *ready = NULL;

    lock_device(device);
    switch (stack->Parameters.DeviceIoControl.IoControlCode) {
    case VWHEEL_IOCTL_PUSH_INPUT:
        if (!in_size || in_size > VWHEEL_MAX_REPORT) status = STATUS_INVALID_PARAMETER;
        else ready = deliver_input(device, buffer, in_size);
        break;
    case VWHEEL_IOCTL_TAKE_LOG:
        while (device->log_count && written + sizeof(VWheelLogEntry) <= out_size) {
            copy_bytes(buffer + written, &device->log[device->log_head], sizeof(VWheelLogEntry));
            device->log_head = (device->log_head + 1) % VDEV_LOG_CAPACITY;
            device->log_count--;
            written += sizeof(VWheelLogEntry);
        }
        break;
    case VWHEEL_IOCTL_PLAN_BLOCK_LOAD:
        if (in_size != sizeof(device->load_plan)) status = STATUS_INVALID_PARAMETER;
        else copy_bytes(&device->load_plan, buffer, sizeof(device->load_plan));
        break;
    case VWHEEL_IOCTL_GET_STATE:
        if (out_size < sizeof(device->state)) status = STATUS_BUFFER_TOO_SMALL;
        else {
            copy_bytes(buffer, &device->state, sizeof(device->state));
            written = sizeof(device->state);
        }
        break;
    case VWHEEL_IOCTL_RESET:
        device->log_head = device->log_count = 0;
        device->load_plan.count = 0;
        firmware_forget_blocks(&device->state);
        break;
    default:
        status = STATUS_NOT_SUPPORTED;
        break;
    }
    unlock_device(device);

    irp->IoStatus.Information = written;
    complete(irp, status);
    if (ready) IoCompleteRequest(ready, IO_NO_INCREMENT);
    return status;
}

static VirtualDevice *control_owner(DEVICE_OBJECT *device)
{
    ULONG i;
    for (i = 0; i < VDEV_MAX_DEVICES; i++)
        if (devices[i].used && devices[i].control_device == device) return &devices[i];
    return NULL;
}

/* hidclass owns the driver's dispatch table; requests for the control
 * devices are taken out before they reach it. */
static NTSTATUS WINAPI route(DEVICE_OBJECT *device, IRP *irp)
{
    IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
    PDRIVER_DISPATCH next = hidclass_dispatch[stack->MajorFunction];
    VirtualDevice *owner = control_owner(device);

    if (owner) {
        if (stack->MajorFunction == IRP_MJ_DEVICE_CONTROL) return control_ioctl(owner, irp);
        irp->IoStatus.Information = 0;
        complete(irp, STATUS_SUCCESS);
        return STATUS_SUCCESS;
    }
    if (next) return next(device, irp);
    complete(irp, STATUS_NOT_SUPPORTED);
    return STATUS_NOT_SUPPORTED;
}

static NTSTATUS WINAPI pnp(DEVICE_OBJECT *fdo, IRP *irp)
{
    IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
    HidMiniDeviceExtension *extension = fdo->DeviceExtension;
    VirtualDevice *device = device_of(fdo);
    IRP *orphans[VDEV_MAX_READS] = {0};
    ULONG i;

    switch (stack->MinorFunction) {
    case IRP_MN_START_DEVICE:
    case IRP_MN_STOP_DEVICE:
    case IRP_MN_QUERY_REMOVE_DEVICE:
    case IRP_MN_CANCEL_REMOVE_DEVICE:
        irp->IoStatus.Status = STATUS_SUCCESS;
        break;
    case IRP_MN_SURPRISE_REMOVAL:
    case IRP_MN_REMOVE_DEVICE:
        lock_device(device);
        for (i = 0; i < VDEV_MAX_READS; i++) {
            orphans[i] = device->reads[i];
            device->reads[i] = NULL;
        }
        device->state.reads_pending = 0;
        unlock_device(device);
        for (i = 0; i < VDEV_MAX_READS; i++)
            if (orphans[i]) complete(orphans[i], STATUS_DELETE_PENDING);
        irp->IoStatus.Status = STATUS_SUCCESS;
        break;
    }
    IoSkipCurrentIrpStackLocation(irp);
    return IoCallDriver(extension->NextDeviceObject, irp);
}

static void join(WCHAR *to, ULONG capacity, const WCHAR *a, const WCHAR *b)
{
    ULONG n = 0;
    while (*a && n + 1 < capacity) to[n++] = *a++;
    while (*b && n + 1 < capacity) to[n++] = *b++;
    to[n] = 0;
}

static NTSTATUS create_control_device(DRIVER_OBJECT *driver, VirtualDevice *device)
{
    WCHAR device_buffer[64 + VWHEEL_MAX_NAME];
    UNICODE_STRING device_name;
    NTSTATUS status;

    join(device_buffer, sizeof(device_buffer) / sizeof(WCHAR), VWHEEL_DEVICE_PREFIX_W, device->name);
    join(device->control_link_buffer, sizeof(device->control_link_buffer) / sizeof(WCHAR), VWHEEL_LINK_PREFIX_W,
         device->name);
    RtlInitUnicodeString(&device_name, device_buffer);
    RtlInitUnicodeString(&device->control_link, device->control_link_buffer);
    status = IoCreateDevice(driver, 0, &device_name, FILE_DEVICE_UNKNOWN, 0, FALSE, &device->control_device);
    if (status) return status;
    status = IoCreateSymbolicLink(&device->control_link, &device_name);
    if (status) {
        IoDeleteDevice(device->control_device);
        device->control_device = NULL;
        return status;
    }
    device->control_device->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

/* The table entry of the device named by the instance id: the one it had
 * before it was removed, or a free one. */
static VirtualDevice *entry_for(DEVICE_OBJECT *pdo)
{
    WCHAR name[VWHEEL_MAX_NAME + 1];
    VirtualDevice *free_entry = NULL;
    ULONG i;

    if (read_device_name(pdo, name, VWHEEL_MAX_NAME + 1)) return NULL;
    for (i = 0; i < VDEV_MAX_DEVICES; i++) {
        if (devices[i].used && same_name(devices[i].name, name)) return &devices[i];
        if (!devices[i].used && !free_entry) free_entry = &devices[i];
    }
    return free_entry;
}

static NTSTATUS WINAPI add_device(DRIVER_OBJECT *driver, DEVICE_OBJECT *fdo)
{
    HidMiniDeviceExtension *extension = fdo->DeviceExtension;
    VirtualDevice *device = entry_for(extension->PhysicalDeviceObject);
    NTSTATUS status;

    if (!device) return STATUS_INSUFFICIENT_RESOURCES;
    status = read_device_config(extension->PhysicalDeviceObject, device);
    if (!status) status = firmware_init(&device->firmware, device->descriptor, device->descriptor_length,
                                        device->blocks);
    if (!status && !device->control_device) status = create_control_device(driver, device);
    if (status) return status;
    if (!device->used) device->state.actuators_enabled = 1;
    device->used = TRUE;
    *(VirtualDevice **)extension->MiniDeviceExtension = device;
    fdo->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

static void WINAPI unload(DRIVER_OBJECT *driver)
{
    ULONG i;
    (void)driver;
    for (i = 0; i < VDEV_MAX_DEVICES; i++) {
        if (devices[i].control_device) {
            IoDeleteSymbolicLink(&devices[i].control_link);
            IoDeleteDevice(devices[i].control_device);
        }
        firmware_free(&devices[i].firmware);
        devices[i].control_device = NULL;
        devices[i].used = FALSE;
    }
}

NTSTATUS WINAPI DriverEntry(DRIVER_OBJECT *driver, UNICODE_STRING *registry)
{
    static const UCHAR routed[] = {IRP_MJ_CREATE, IRP_MJ_CLOSE, IRP_MJ_CLEANUP, IRP_MJ_DEVICE_CONTROL};
    HidMiniRegistration registration = {0};
    NTSTATUS status;
    ULONG i;

    driver->DriverExtension->AddDevice = add_device;
    driver->DriverUnload = unload;
    driver->MajorFunction[IRP_MJ_PNP] = pnp;
    driver->MajorFunction[IRP_MJ_INTERNAL_DEVICE_CONTROL] = internal_ioctl;

    registration.Revision = HIDMINI_REVISION;
    registration.DriverObject = driver;
    registration.RegistryPath = registry;
    registration.DeviceExtensionSize = sizeof(VirtualDevice *);
    registration.DevicesArePolled = FALSE;
    status = HidRegisterMinidriver(&registration);
    if (status) return status;

    for (i = 0; i < sizeof(routed); i++) {
        hidclass_dispatch[routed[i]] = driver->MajorFunction[routed[i]];
        driver->MajorFunction[routed[i]] = route;
    }
    return STATUS_SUCCESS;
}
