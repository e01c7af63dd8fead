/*
 * device_config.c - what a device is, from the registry key the installer
 * wrote from its device file (device_config.h).
 */
#include "virtual_device.h"

NTSTATUS read_device_name(DEVICE_OBJECT *pdo, WCHAR *name, ULONG capacity)
{
    IO_STATUS_BLOCK io = {0};
    IO_STACK_LOCATION *stack;
    NTSTATUS status;
    KEVENT event;
    WCHAR *id;
    ULONG n = 0;
    IRP *irp;

    /* The bus (Wine's root enumerator) answers with the instance id's last part. */
    KeInitializeEvent(&event, NotificationEvent, FALSE);
    irp = IoBuildSynchronousFsdRequest(IRP_MJ_PNP, pdo, NULL, 0, NULL, &event, &io);
    if (!irp) return STATUS_NO_MEMORY;
    irp->IoStatus.Status = STATUS_NOT_SUPPORTED;
    stack = IoGetNextIrpStackLocation(irp);
    stack->MinorFunction = IRP_MN_QUERY_ID;
    stack->Parameters.QueryId.IdType = BusQueryInstanceID;
    status = IoCallDriver(pdo, irp);
    if (status == STATUS_PENDING) {
        KeWaitForSingleObject(&event, Executive, KernelMode, FALSE, NULL);
        status = io.Status;
    }
    if (status) return status;
    id = (WCHAR *)io.Information;
    if (!id) return STATUS_OBJECT_NAME_INVALID;
    while (id[n] && n + 1 < capacity) {
        name[n] = id[n];
        n++;
    }
    name[n] = 0;
    ExFreePool(id);
    return n ? STATUS_SUCCESS : STATUS_OBJECT_NAME_INVALID;
}

static void join(WCHAR *to, ULONG capacity, const WCHAR *a, const WCHAR *b)
{
    ULONG n = 0;
    while (*a && n + 1 < capacity) to[n++] = *a++;
    while (*b && n + 1 < capacity) to[n++] = *b++;
    to[n] = 0;
}

/* One value of `type` into `data`; its length in `length`. */
static NTSTATUS query_value(HANDLE key, const WCHAR *value_name, ULONG type, void *data, ULONG capacity,
                            ULONG *length)
{
    ULONG size = FIELD_OFFSET(KEY_VALUE_PARTIAL_INFORMATION, Data) + capacity;
    KEY_VALUE_PARTIAL_INFORMATION *info = ExAllocatePool(NonPagedPool, size);
    UNICODE_STRING string;
    NTSTATUS status;

    if (!info) return STATUS_NO_MEMORY;
    RtlInitUnicodeString(&string, value_name);
    status = ZwQueryValueKey(key, &string, KeyValuePartialInformation, info, size, &size);
    if (!status && (info->Type != type || info->DataLength > capacity)) status = STATUS_OBJECT_TYPE_MISMATCH;
    if (!status) {
        RtlCopyMemory(data, info->Data, info->DataLength);
        *length = info->DataLength;
    }
    ExFreePool(info);
    return status;
}

static NTSTATUS query_string(HANDLE key, const WCHAR *value_name, WCHAR *text, ULONG chars)
{
    ULONG length = 0;
    NTSTATUS status = query_value(key, value_name, REG_SZ, text, (chars - 1) * sizeof(WCHAR), &length);
    text[status ? 0 : length / sizeof(WCHAR)] = 0;
    return status;
}

static NTSTATUS query_dword(HANDLE key, const WCHAR *value_name, ULONG *value)
{
    ULONG length = 0;
    return query_value(key, value_name, REG_DWORD, value, sizeof(*value), &length);
}

NTSTATUS read_device_config(DEVICE_OBJECT *pdo, VirtualDevice *device)
{
    WCHAR name[VWHEEL_MAX_NAME + 1], path[128 + VWHEEL_MAX_NAME];
    ULONG vendor = 0, product = 0, blocks = 0;
    OBJECT_ATTRIBUTES attributes;
    UNICODE_STRING string;
    NTSTATUS status;
    HANDLE key;

    status = read_device_name(pdo, name, VWHEEL_MAX_NAME + 1);
    if (status) return status;
    join(path, sizeof(path) / sizeof(path[0]), VWHEEL_CONFIG_KERNEL_KEY_W, name);
    RtlInitUnicodeString(&string, path);
    InitializeObjectAttributes(&attributes, &string, OBJ_CASE_INSENSITIVE | OBJ_KERNEL_HANDLE, NULL, NULL);
    status = ZwOpenKey(&key, KEY_READ, &attributes);
    if (status) return status;
    if (!status) status = query_string(key, VWHEEL_VALUE_NAME_W, device->name, VWHEEL_MAX_NAME + 1);
    if (!status) status = query_string(key, VWHEEL_VALUE_PRODUCT_W, device->product, VWHEEL_MAX_PRODUCT + 1);
    if (!status) status = query_dword(key, VWHEEL_VALUE_VENDOR_ID_W, &vendor);
    if (!status) status = query_dword(key, VWHEEL_VALUE_PRODUCT_ID_W, &product);
    if (!status)
        status = query_value(key, VWHEEL_VALUE_DESCRIPTOR_W, REG_BINARY, device->descriptor,
                             sizeof(device->descriptor), &device->descriptor_length);
    if (!status && query_dword(key, VWHEEL_VALUE_BLOCKS_W, &blocks)) blocks = 0;
    ZwClose(key);
    device->vendor_id = (USHORT)vendor;
    device->product_id = (USHORT)product;
    device->blocks = blocks;
    return status;
}
