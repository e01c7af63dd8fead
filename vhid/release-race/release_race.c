/*
 * release_race.c - Wine's DirectInput writes into memory it has freed when a
 * HID joystick's device object is released while the joystick sends input.
 *
 * hid_joystick_unacquire() cancels the object's read with CancelIoEx and
 * waits for it only when the cancel succeeded. When a report has just
 * completed the read, the cancel finds nothing (ERROR_NOT_FOUND, "CancelIoEx
 * failed, last error 1168" under WINEDEBUG=warn+dinput); the input thread,
 * waiting for the device's lock, then takes the report and starts the next
 * read into input_report_buf, with read_ovl as its status block. Release
 * frees both while that read is pending, and the next report, or the close
 * of the device's handle, completes it into freed memory.
 *
 * This program streams input reports to the virtual device race-stick
 * (race-stick.vhid beside it, installed with the virtual HID driver) and
 * creates, acquires, reads, unacquires and releases a device object of it,
 * over and over. Every block dinput8 frees is filled with a pattern and kept
 * to the end instead, so a write after the free is found rather than
 * corrupting the heap. It prints each such write and exits with 1 when there
 * was one, 0 when there was none, 2 when it could not run.
 *
 * usage: release_race [cycles]     (default 500)
 */
#define DIRECTINPUT_VERSION 0x0800
#include <windows.h>
#include <dinput.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "../vwheel_protocol.h"

#define PATTERN 0xa5
#define RACE_STICK_PRODUCT MAKELONG(0x1209, 0x57f0)

struct kept { unsigned char *block; size_t size; int cycle; };

static struct kept *kept;
static size_t kept_count, kept_capacity;
static CRITICAL_SECTION kept_lock;
static int cycle;
static size_t(__cdecl *block_size)(void *);
static volatile LONG streaming = 1;

/* Takes the place of free in dinput8's imports. */
static void __cdecl keep_freed(void *block)
{
    size_t size;
    if (!block) return;
    size = block_size(block);
    memset(block, PATTERN, size);
    EnterCriticalSection(&kept_lock);
    if (kept_count == kept_capacity) {
        kept_capacity = kept_capacity ? 2 * kept_capacity : 4096;
        kept = realloc(kept, kept_capacity * sizeof(*kept));
    }
    kept[kept_count].block = block;
    kept[kept_count].size = size;
    kept[kept_count++].cycle = cycle;
    LeaveCriticalSection(&kept_lock);
}

static BOOL hook_free(void)
{
    unsigned char *base = (unsigned char *)GetModuleHandleA("dinput8.dll");
    IMAGE_NT_HEADERS *nt;
    IMAGE_IMPORT_DESCRIPTOR *d;
    DWORD old;

    block_size = (size_t(__cdecl *)(void *))(void (*)(void))GetProcAddress(GetModuleHandleA("ucrtbase.dll"), "_msize");
    if (!base || !block_size) return FALSE;
    nt = (IMAGE_NT_HEADERS *)(base + ((IMAGE_DOS_HEADER *)base)->e_lfanew);
    d = (IMAGE_IMPORT_DESCRIPTOR *)(base + nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress);
    for (; d->Name; d++) {
        IMAGE_THUNK_DATA *name = (IMAGE_THUNK_DATA *)(base + (d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk));
        IMAGE_THUNK_DATA *slot = (IMAGE_THUNK_DATA *)(base + d->FirstThunk);
        if (_stricmp((char *)base + d->Name, "ucrtbase.dll")) continue;
        for (; name->u1.AddressOfData; name++, slot++) {
            if (IMAGE_SNAP_BY_ORDINAL(name->u1.Ordinal)) continue;
            if (strcmp((char *)((IMAGE_IMPORT_BY_NAME *)(base + name->u1.AddressOfData))->Name, "free")) continue;
            VirtualProtect(&slot->u1.Function, sizeof(void *), PAGE_READWRITE, &old);
            slot->u1.Function = (ULONG_PTR)keep_freed;
            VirtualProtect(&slot->u1.Function, sizeof(void *), old, &old);
            return TRUE;
        }
    }
    return FALSE;
}

/* About two reports a millisecond, as a busy joystick sends them. */
static DWORD WINAPI stream(void *control)
{
    unsigned char report[4] = {0}; /* no report ids: a zero byte first */
    unsigned n = 0;
    DWORD written;
    while (streaming) {
        report[1] = (unsigned char)n;
        report[2] = (unsigned char)(255 - n);
        report[3] = (unsigned char)(n++ >> 3);
        DeviceIoControl(control, VWHEEL_IOCTL_PUSH_INPUT, report, sizeof(report), NULL, 0, &written, NULL);
        if (n % 2 == 0) Sleep(1);
    }
    return 0;
}

static BOOL CALLBACK find_stick(const DIDEVICEINSTANCEA *instance, void *guid)
{
    if (instance->guidProduct.Data1 != RACE_STICK_PRODUCT) return DIENUM_CONTINUE;
    *(GUID *)guid = instance->guidInstance;
    return DIENUM_STOP;
}

int main(int argc, char **argv)
{
    int cycles = argc > 1 ? atoi(argv[1]) : 500, hit_cycles = 0, last_hit = -1;
    IDirectInput8A *dinput;
    IDirectInputDevice8A *device;
    DIJOYSTATE2 state;
    GUID guid = {0};
    HANDLE control, streamer;
    size_t i, j, end;

    InitializeCriticalSection(&kept_lock);
    control = CreateFileW(VWHEEL_CONTROL_PREFIX_W L"race-stick", GENERIC_READ | GENERIC_WRITE, 0, NULL,
                          OPEN_EXISTING, 0, NULL);
    if (control == INVALID_HANDLE_VALUE ||
        FAILED(DirectInput8Create(GetModuleHandleA(NULL), DIRECTINPUT_VERSION, &IID_IDirectInput8A,
                                  (void **)&dinput, NULL)) ||
        FAILED(IDirectInput8_EnumDevices(dinput, DI8DEVCLASS_GAMECTRL, find_stick, &guid, DIEDFL_ATTACHEDONLY)) ||
        !guid.Data1 || !hook_free()) {
        fprintf(stderr, "race-stick is not installed, or dinput8 does not import ucrtbase's free\n");
        return 2;
    }
    streamer = CreateThread(NULL, 0, stream, control, 0, NULL);

    for (cycle = 0; cycle < cycles; cycle++) {
        if (FAILED(IDirectInput8_CreateDevice(dinput, &guid, &device, NULL))) return 2;
        IDirectInputDevice8_SetDataFormat(device, &c_dfDIJoystick2);
        IDirectInputDevice8_SetCooperativeLevel(device, GetDesktopWindow(), DISCL_BACKGROUND | DISCL_NONEXCLUSIVE);
        IDirectInputDevice8_Acquire(device);
        Sleep(2);
        IDirectInputDevice8_GetDeviceState(device, sizeof(state), &state);
        IDirectInputDevice8_Unacquire(device);
        IDirectInputDevice8_Release(device);
    }
    Sleep(200); /* a read left pending meets the next report */
    InterlockedExchange(&streaming, 0);
    WaitForSingleObject(streamer, INFINITE);

    EnterCriticalSection(&kept_lock);
    for (i = 0; i < kept_count; i++) {
        for (j = 0; j < kept[i].size && kept[i].block[j] == PATTERN; j++) {}
        if (j == kept[i].size) continue;
        printf("cycle %d: block of %u bytes written after its free at offset %u:", kept[i].cycle,
               (unsigned)kept[i].size, (unsigned)j);
        for (end = j + 16; j < kept[i].size && j < end; j++) printf(" %02x", kept[i].block[j]);
        printf("\n");
        if (kept[i].cycle != last_hit) hit_cycles++;
        last_hit = kept[i].cycle;
    }
    printf("%d of %d cycles had memory written after dinput8 freed it\n", hit_cycles, cycles);
    return hit_cycles ? 1 : 0;
}
