/*
 * vwheel_driver.c - a HID minidriver that plays a force-feedback device.
 *
 * hidclass asks it for the descriptor (from the linked variant) and for
 * input; DirectInput's output and feature reports arrive here and are logged
 * for the test, while a small "firmware" keeps the effect blocks the way a
 * real device would: it hands out block indices on block load, tracks which
 * effects play and answers the pool report. A second, named device object
 * carries the test's control requests (vwheel_protocol.h).
 */
#include "../vwheel_protocol.h"
#include "hid_minidriver.h"
#include "pid_layout.h"
#include "variant.h"

#define LOG_CAPACITY 512
#define INPUT_QUEUE 32

typedef struct InputReport {
    ULONG length;
    UCHAR bytes[VWHEEL_MAX_REPORT];
} InputReport;

static DRIVER_OBJECT *driver_object;
static DEVICE_OBJECT *control_device;
static UNICODE_STRING control_link;
static WCHAR control_link_buffer[64];
static PDRIVER_DISPATCH hidclass_dispatch[IRP_MJ_MAXIMUM_FUNCTION + 1];

/* Everything below is guarded by `lock`. */
static volatile LONG lock;
static IRP *pending_read;
static InputReport input_queue[INPUT_QUEUE];
static ULONG input_head, input_count;
static InputReport last_controls;
static VWheelLogEntry log_entries[LOG_CAPACITY];
static ULONG log_head, log_count;
static VWheelBlockLoadPlan load_plan;
static VWheelState state;

static void lock_state(void)
{
    while (InterlockedCompareExchange(&lock, 1, 0)) YieldProcessor();
}

static void unlock_state(void)
{
    InterlockedExchange(&lock, 0);
}

static void copy_bytes(void *to, const void *from, ULONG length)
{
    UCHAR *d = to;
    const UCHAR *s = from;
    while (length--) *d++ = *s++;
}

static void log_report(ULONG kind, const UCHAR *bytes, ULONG length)
{
    VWheelLogEntry *entry;
    if (length > VWHEEL_MAX_REPORT) length = VWHEEL_MAX_REPORT;
    if (log_count == LOG_CAPACITY) { /* the oldest entry gives way */
        log_head = (log_head + 1) % LOG_CAPACITY;
        log_count--;
    }
    entry = &log_entries[(log_head + log_count++) % LOG_CAPACITY];
    entry->kind = kind;
    entry->length = length;
    entry->time = KeQueryPerformanceCounter(NULL).QuadPart;
    copy_bytes(entry->bytes, bytes, length);
}

/* Hands `report` to the waiting read, or queues it; returns the read to
 * complete outside the lock. */
static IRP *deliver_input(const UCHAR *bytes, ULONG length)
{
    IRP *irp = pending_read;
    IO_STACK_LOCATION *stack;
    InputReport *slot;

    if (length > VWHEEL_MAX_REPORT) length = VWHEEL_MAX_REPORT;
    if (bytes[0] == VW_INPUT_ID_CONTROLS) {
        last_controls.length = length;
        copy_bytes(last_controls.bytes, bytes, length);
    }
    if (irp) {
        stack = IoGetCurrentIrpStackLocation(irp);
        if (length > stack->Parameters.DeviceIoControl.OutputBufferLength)
            length = stack->Parameters.DeviceIoControl.OutputBufferLength;
        copy_bytes(irp->UserBuffer, bytes, length);
        irp->IoStatus.Information = length;
        irp->IoStatus.Status = STATUS_SUCCESS;
        pending_read = NULL;
        state.reads_pending = 0;
        return irp;
    }
    if (input_count == INPUT_QUEUE) { /* drop the oldest unread report */
        input_head = (input_head + 1) % INPUT_QUEUE;
        input_count--;
    }
    slot = &input_queue[(input_head + input_count++) % INPUT_QUEUE];
    slot->length = length;
    copy_bytes(slot->bytes, bytes, length);
    return NULL;
}

static void complete(IRP *irp, NTSTATUS status)
{
    irp->IoStatus.Status = status;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
}

static IRP *announce_effect_state(ULONG block)
{
    UCHAR report[VW_STATE_LENGTH];
    report[0] = VW_INPUT_ID_PID_STATE;
    report[1] = (state.paused ? VW_STATE_PAUSED : 0) | (state.actuators_enabled ? VW_STATE_ACTUATORS : 0) |
                (state.playing[block] ? VW_STATE_PLAYING : 0);
    report[2] = (UCHAR)block;
    return deliver_input(report, sizeof(report));
}

static void forget_blocks(void)
{
    ULONG i;
    for (i = 0; i <= VWHEEL_MAX_BLOCKS; i++) state.allocated[i] = state.playing[i] = state.loop_count[i] = 0;
}

/* The firmware's reaction to an output report; may produce a state report. */
static IRP *apply_output(const UCHAR *report, ULONG length)
{
    ULONG i, block = length > 1 ? report[1] : 0;

    if (length < 2) return NULL;
    switch (report[0]) {
    case VW_OUT_ID_EFFECT_OPERATION:
        if (length < 4 || block < 1 || block > VWHEEL_MAX_BLOCKS) return NULL;
        if (report[2] == VW_OP_START_SOLO)
            for (i = 1; i <= VWHEEL_MAX_BLOCKS; i++) state.playing[i] = 0;
        state.playing[block] = report[2] != VW_OP_STOP;
        state.loop_count[block] = report[3];
        return announce_effect_state(block);
    case VW_OUT_ID_BLOCK_FREE:
        if (block >= 1 && block <= VWHEEL_MAX_BLOCKS) state.allocated[block] = state.playing[block] = 0;
        return NULL;
    case VW_OUT_ID_DEVICE_CONTROL:
        switch (report[1]) {
        case VW_DC_ENABLE_ACTUATORS: state.actuators_enabled = 1; break;
        case VW_DC_DISABLE_ACTUATORS: state.actuators_enabled = 0; break;
        case VW_DC_STOP_ALL:
            for (i = 1; i <= VWHEEL_MAX_BLOCKS; i++) state.playing[i] = 0;
            break;
        case VW_DC_RESET:
            forget_blocks();
            state.resets++;
            state.paused = 0;
            break;
        case VW_DC_PAUSE: state.paused = 1; break;
        case VW_DC_CONTINUE: state.paused = 0; break;
        }
        return NULL;
    case VW_OUT_ID_DEVICE_GAIN:
        state.device_gain = report[1];
        return NULL;
    }
    return NULL;
}

static ULONG answer_block_load(UCHAR *answer)
{
    ULONG status = VWHEEL_LOAD_SUCCESS, block = 0, i, free_blocks = 0;

    if (load_plan.count) {
        status = load_plan.status;
        load_plan.count--;
    }
    if (status == VWHEEL_LOAD_SUCCESS) {
        for (i = 1; i <= VWHEEL_MAX_BLOCKS && !block; i++)
            if (!state.allocated[i]) block = i;
        if (block) state.allocated[block] = 1;
        else status = VWHEEL_LOAD_FULL;
    }
    for (i = 1; i <= VWHEEL_MAX_BLOCKS; i++) free_blocks += !state.allocated[i];
    answer[0] = VW_FEATURE_ID_BLOCK_LOAD;
    answer[1] = (UCHAR)block;
    answer[2] = (UCHAR)status;
    answer[3] = (UCHAR)(free_blocks * 256);
    answer[4] = (UCHAR)(free_blocks * 256 >> 8);
    return VW_BLOCK_LOAD_LENGTH;
}

static ULONG answer_pool(UCHAR *answer)
{
    answer[0] = VW_FEATURE_ID_POOL;
    answer[1] = VW_POOL_RAM_SIZE & 0xff;
    answer[2] = VW_POOL_RAM_SIZE >> 8;
    answer[3] = VWHEEL_MAX_BLOCKS;
    answer[4] = 0x01; /* device-managed pool, no shared parameter blocks */
    return VW_POOL_LENGTH;
}

static NTSTATUS get_feature(HidMiniXferPacket *packet, ULONG *written)
{
    UCHAR answer[VWHEEL_MAX_REPORT];
    ULONG length;

    if (packet->reportId == VW_FEATURE_ID_BLOCK_LOAD) length = answer_block_load(answer);
    else if (packet->reportId == VW_FEATURE_ID_POOL) length = answer_pool(answer);
    else return STATUS_INVALID_PARAMETER;
    if (packet->reportBufferLen < length) return STATUS_BUFFER_TOO_SMALL;
    copy_bytes(packet->reportBuffer, answer, length);
    log_report(VWHEEL_LOG_GET_FEATURE, answer, length);
    *written = length;
    return STATUS_SUCCESS;
}

static NTSTATUS get_string(IRP *irp, IO_STACK_LOCATION *stack)
{
    ULONG id = (ULONG)(ULONG_PTR)stack->Parameters.DeviceIoControl.Type3InputBuffer & 0xffff;
    ULONG capacity = stack->Parameters.DeviceIoControl.OutputBufferLength;
    const WCHAR *text;
    ULONG length = 0;

    if (id == HIDMINI_STRING_PRODUCT || id == HIDMINI_WINE_STRING_PRODUCT) text = vwheel_variant.product;
    else if (id == HIDMINI_STRING_MANUFACTURER || id == HIDMINI_WINE_STRING_MANUFACTURER)
        text = L"Gantrel Test Hardware";
    else if (id == HIDMINI_STRING_SERIAL || id == HIDMINI_WINE_STRING_SERIAL) text = vwheel_variant.name;
    else return STATUS_INVALID_PARAMETER;
    while (text[length]) length++;
    length = (length + 1) * sizeof(WCHAR);
    if (capacity < length) return STATUS_BUFFER_TOO_SMALL;
    copy_bytes(irp->UserBuffer, text, length);
    irp->IoStatus.Information = length;
    return STATUS_SUCCESS;
}

static NTSTATUS WINAPI internal_ioctl(DEVICE_OBJECT *device, IRP *irp)
{
    IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
    ULONG out_size = stack->Parameters.DeviceIoControl.OutputBufferLength;
    HidMiniXferPacket *packet = irp->UserBuffer;
    NTSTATUS status = STATUS_SUCCESS;
    ULONG written = 0;
    IRP *ready = NULL;
    InputReport *next;

    (void)device;
    switch (stack->Parameters.DeviceIoControl.IoControlCode) {
    case HIDMINI_GET_DEVICE_DESCRIPTOR: {
        HidMiniDescriptor *descriptor = irp->UserBuffer;
        if (out_size < sizeof(*descriptor)) { status = STATUS_BUFFER_TOO_SMALL; break; }
        descriptor->bLength = sizeof(*descriptor);
        descriptor->bDescriptorType = HIDMINI_HID_DESCRIPTOR_TYPE;
        descriptor->bcdHID = 0x0111;
        descriptor->bCountry = 0;
        descriptor->bNumDescriptors = 1;
        descriptor->bReportType = HIDMINI_REPORT_DESCRIPTOR_TYPE;
        descriptor->wReportLength = vwheel_variant.descriptor_length;
        written = sizeof(*descriptor);
        break;
    }
    case HIDMINI_GET_REPORT_DESCRIPTOR:
        if (out_size < vwheel_variant.descriptor_length) { status = STATUS_BUFFER_TOO_SMALL; break; }
        copy_bytes(irp->UserBuffer, vwheel_variant.descriptor, vwheel_variant.descriptor_length);
        written = vwheel_variant.descriptor_length;
        break;
    case HIDMINI_GET_DEVICE_ATTRIBUTES: {
        HidMiniAttributes *attributes = irp->UserBuffer;
        if (out_size < sizeof(*attributes)) { status = STATUS_BUFFER_TOO_SMALL; break; }
        attributes->Size = sizeof(*attributes);
        attributes->VendorID = vwheel_variant.vendor_id;
        attributes->ProductID = vwheel_variant.product_id;
        attributes->VersionNumber = 0x0100;
        written = sizeof(*attributes);
        break;
    }
    case HIDMINI_GET_STRING:
        status = get_string(irp, stack);
        written = (ULONG)irp->IoStatus.Information;
        break;
    case HIDMINI_READ_REPORT:
        lock_state();
        if (input_count) {
            next = &input_queue[input_head];
            written = next->length < out_size ? next->length : out_size;
            copy_bytes(irp->UserBuffer, next->bytes, written);
            input_head = (input_head + 1) % INPUT_QUEUE;
            input_count--;
            unlock_state();
            break;
        }
        if (pending_read) { /* one reader only; a second one is refused */
            unlock_state();
            status = STATUS_DEVICE_BUSY;
            break;
        }
        IoMarkIrpPending(irp);
        pending_read = irp;
        state.reads_pending = 1;
        unlock_state();
        return STATUS_PENDING;
    case HIDMINI_WRITE_REPORT:
    case HIDMINI_SET_OUTPUT_REPORT:
        lock_state();
        log_report(stack->Parameters.DeviceIoControl.IoControlCode == HIDMINI_WRITE_REPORT
                       ? VWHEEL_LOG_WRITE_REPORT : VWHEEL_LOG_SET_OUTPUT,
                   packet->reportBuffer, packet->reportBufferLen);
        ready = apply_output(packet->reportBuffer, packet->reportBufferLen);
        unlock_state();
        written = packet->reportBufferLen;
        break;
    case HIDMINI_SET_FEATURE:
        lock_state();
        log_report(VWHEEL_LOG_SET_FEATURE, packet->reportBuffer, packet->reportBufferLen);
        unlock_state();
        written = packet->reportBufferLen;
        break;
    case HIDMINI_GET_FEATURE:
        lock_state();
        status = get_feature(packet, &written);
        unlock_state();
        break;
    case HIDMINI_GET_INPUT_REPORT:
        lock_state();
        if (packet->reportId != VW_INPUT_ID_CONTROLS || !last_controls.length) status = STATUS_INVALID_PARAMETER;
        else if (packet->reportBufferLen < last_controls.length) status = STATUS_BUFFER_TOO_SMALL;
        else {
            copy_bytes(packet->reportBuffer, last_controls.bytes, last_controls.length);
            written = last_controls.length;
        }
        unlock_state();
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

static NTSTATUS control_ioctl(IRP *irp)
{
    IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
    ULONG in_size = stack->Parameters.DeviceIoControl.InputBufferLength;
    ULONG out_size = stack->Parameters.DeviceIoControl.OutputBufferLength;
    UCHAR *buffer = irp->AssociatedIrp.SystemBuffer;
    NTSTATUS status = STATUS_SUCCESS;
    ULONG written = 0;
    IRP *ready = NULL;

    lock_state();
    switch (stack->Parameters.DeviceIoControl.IoControlCode) {
    case VWHEEL_IOCTL_PUSH_INPUT:
        if (!in_size || in_size > VWHEEL_MAX_REPORT) status = STATUS_INVALID_PARAMETER;
        else ready = deliver_input(buffer, in_size);
        break;
    case VWHEEL_IOCTL_TAKE_LOG:
        while (log_count && written + sizeof(VWheelLogEntry) <= out_size) {
            copy_bytes(buffer + written, &log_entries[log_head], sizeof(VWheelLogEntry));
            log_head = (log_head + 1) % LOG_CAPACITY;
            log_count--;
            written += sizeof(VWheelLogEntry);
        }
        break;
    case VWHEEL_IOCTL_PLAN_BLOCK_LOAD:
        if (in_size != sizeof(load_plan)) status = STATUS_INVALID_PARAMETER;
        else copy_bytes(&load_plan, buffer, sizeof(load_plan));
        break;
    case VWHEEL_IOCTL_GET_STATE:
        if (out_size < sizeof(state)) status = STATUS_BUFFER_TOO_SMALL;
        else {
            copy_bytes(buffer, &state, sizeof(state));
            written = sizeof(state);
        }
        break;
    case VWHEEL_IOCTL_RESET:
        log_head = log_count = 0;
        load_plan.count = 0;
        forget_blocks();
        break;
    default:
        status = STATUS_NOT_SUPPORTED;
        break;
    }
    unlock_state();

    irp->IoStatus.Information = written;
    complete(irp, status);
    if (ready) IoCompleteRequest(ready, IO_NO_INCREMENT);
    return status;
}

/* hidclass owns the driver's dispatch table; requests for the control
 * device are taken out before they reach it. */
static NTSTATUS WINAPI route(DEVICE_OBJECT *device, IRP *irp)
{
    IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
    PDRIVER_DISPATCH next = hidclass_dispatch[stack->MajorFunction];

    if (device == control_device) {
        if (stack->MajorFunction == IRP_MJ_DEVICE_CONTROL) return control_ioctl(irp);
        irp->IoStatus.Information = 0;
        complete(irp, STATUS_SUCCESS);
        return STATUS_SUCCESS;
    }
    if (next) return next(device, irp);
    complete(irp, STATUS_NOT_SUPPORTED);
    return STATUS_NOT_SUPPORTED;
}

static NTSTATUS WINAPI pnp(DEVICE_OBJECT *device, IRP *irp)
{
    IO_STACK_LOCATION *stack = IoGetCurrentIrpStackLocation(irp);
    HidMiniDeviceExtension *extension = device->DeviceExtension;
    IRP *orphan = NULL;

    switch (stack->MinorFunction) {
    case IRP_MN_START_DEVICE:
    case IRP_MN_STOP_DEVICE:
    case IRP_MN_QUERY_REMOVE_DEVICE:
    case IRP_MN_CANCEL_REMOVE_DEVICE:
        irp->IoStatus.Status = STATUS_SUCCESS;
        break;
    case IRP_MN_SURPRISE_REMOVAL:
    case IRP_MN_REMOVE_DEVICE:
        lock_state();
        orphan = pending_read;
        pending_read = NULL;
        unlock_state();
        if (orphan) complete(orphan, STATUS_DELETE_PENDING);
        irp->IoStatus.Status = STATUS_SUCCESS;
        break;
    }
    IoSkipCurrentIrpStackLocation(irp);
    return IoCallDriver(extension->NextDeviceObject, irp);
}

static NTSTATUS WINAPI add_device(DRIVER_OBJECT *driver, DEVICE_OBJECT *fdo)
{
    (void)driver;
    fdo->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

static void append(WCHAR *to, ULONG capacity, const WCHAR *a, const WCHAR *b)
{
    ULONG n = 0;
    while (*a && n + 1 < capacity) to[n++] = *a++;
    while (*b && n + 1 < capacity) to[n++] = *b++;
    to[n] = 0;
}

static NTSTATUS create_control_device(DRIVER_OBJECT *driver)
{
    static WCHAR device_buffer[64];
    UNICODE_STRING device_name;
    NTSTATUS status;

    append(device_buffer, 64, VWHEEL_DEVICE_PREFIX_W, vwheel_variant.name);
    append(control_link_buffer, 64, VWHEEL_LINK_PREFIX_W, vwheel_variant.name);
    RtlInitUnicodeString(&device_name, device_buffer);
    RtlInitUnicodeString(&control_link, control_link_buffer);
    status = IoCreateDevice(driver, 0, &device_name, FILE_DEVICE_UNKNOWN, 0, FALSE, &control_device);
    if (status) return status;
    status = IoCreateSymbolicLink(&control_link, &device_name);
    if (status) {
        IoDeleteDevice(control_device);
        control_device = NULL;
        return status;
    }
    control_device->Flags &= ~DO_DEVICE_INITIALIZING;
    return STATUS_SUCCESS;
}

static void WINAPI unload(DRIVER_OBJECT *driver)
{
    (void)driver;
    if (!control_device) return;
    IoDeleteSymbolicLink(&control_link);
    IoDeleteDevice(control_device);
    control_device = NULL;
}

NTSTATUS WINAPI DriverEntry(DRIVER_OBJECT *driver, UNICODE_STRING *registry)
{
    static const UCHAR routed[] = {IRP_MJ_CREATE, IRP_MJ_CLOSE, IRP_MJ_CLEANUP, IRP_MJ_DEVICE_CONTROL};
    HidMiniRegistration registration = {0};
    NTSTATUS status;
    ULONG i;

    driver_object = driver;
    state.actuators_enabled = 1;
    driver->DriverExtension->AddDevice = add_device;
    driver->DriverUnload = unload;
    driver->MajorFunction[IRP_MJ_PNP] = pnp;
    driver->MajorFunction[IRP_MJ_INTERNAL_DEVICE_CONTROL] = internal_ioctl;

    registration.Revision = HIDMINI_REVISION;
    registration.DriverObject = driver;
    registration.RegistryPath = registry;
    registration.DeviceExtensionSize = 0;
    registration.DevicesArePolled = FALSE;
    status = HidRegisterMinidriver(&registration);
    if (status) return status;

    for (i = 0; i < sizeof(routed); i++) {
        hidclass_dispatch[routed[i]] = driver->MajorFunction[routed[i]];
        driver->MajorFunction[routed[i]] = route;
    }
    return create_control_device(driver);
}
