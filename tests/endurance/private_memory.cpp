#include "private_memory.h"

#include <psapi.h>

namespace endurance {

size_t private_bytes() {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof counters);
    return counters.PrivateUsage ? counters.PrivateUsage : counters.PagefileUsage;
}

size_t heap_bytes() {
    HANDLE heaps[64];
    const DWORD count = GetProcessHeaps(64, heaps);
    size_t busy = 0;
    for (DWORD i = 0; i < count && i < 64; ++i) {
        HeapLock(heaps[i]);
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) busy += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return busy;
}

namespace {

IDirectInputEffect* constant_effect(IDirectInputDevice8A* device) {
    DWORD axes[2] = {DIJOFS_X, DIJOFS_Y};
    LONG directions[2] = {0, 0};
    DICONSTANTFORCE force = {5000};
    DIEFFECT e = {};
    e.dwSize = sizeof e;
    e.dwFlags = DIEFF_OBJECTOFFSETS | DIEFF_POLAR;
    e.dwDuration = INFINITE;
    e.dwGain = 10000;
    e.dwTriggerButton = DIEB_NOTRIGGER;
    e.cAxes = 2;
    e.rgdwAxes = axes;
    e.rglDirection = directions;
    e.cbTypeSpecificParams = sizeof force;
    e.lpvTypeSpecificParams = &force;
    IDirectInputEffect* effect = nullptr;
    device->CreateEffect(GUID_ConstantForce, &e, &effect, nullptr);
    return effect;
}

// A device object as the bridge leaves them: with the joystick data format,
// or bare as enumeration and failed opens leave them.
IDirectInputDevice8A* device_object(IDirectInput8A* api, const GUID& guid, bool formatted) {
    IDirectInputDevice8A* device = nullptr;
    if (FAILED(api->CreateDevice(guid, &device, nullptr)) || !device || !formatted) return device;
    device->SetDataFormat(&c_dfDIJoystick2);
    device->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND);
    device->Acquire();
    return device;
}

}  // namespace

MemoryLedger::MemoryLedger(int index, int room) {
    GSIM_DEVICE_DESC desc = {};
    desc.size = sizeof desc;
    if (gsim_device_get(index, &desc) == GSIM_OK) device_ = desc.instance_guid;
    if (FAILED(DirectInput8Create(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                  reinterpret_cast<void**>(&api_), nullptr)))
        return;
    effect_host_ = device_object(api_, device_, true);
    make_room(room);
}

// The simulator keeps an entry per object it ever made, in arrays that double
// when full; a doubling inside a measurement would count against whichever
// side made it. Making objects until the counts are just past a power of two
// leaves room for `room` more without one.
void MemoryLedger::make_room(int room) {
    const auto past_power_of_two = [room](int count) {
        int power = 1;
        while (power < count + room) power *= 2;
        return power + 1;
    };
    const auto made = [] {
        return gsim_created_objects(GSIM_KIND_DINPUT) + gsim_created_objects(GSIM_KIND_DEVICE) +
               gsim_created_objects(GSIM_KIND_EFFECT);
    };
    if (room <= 0 || !effect_host_) return;
    for (const int effects = past_power_of_two(gsim_created_objects(GSIM_KIND_EFFECT));
         gsim_created_objects(GSIM_KIND_EFFECT) < effects;)
        if (IDirectInputEffect* effect = constant_effect(effect_host_)) effect->Release();
    for (const int objects = past_power_of_two(made()); made() < objects;)
        if (IDirectInputDevice8A* device = device_object(api_, device_, false)) device->Release();
}

MemoryLedger::~MemoryLedger() {
    if (effect_host_) effect_host_->Release();
    if (api_) api_->Release();
}

void MemoryLedger::shadow(const SimObjects& made) {
    if (!api_) return;
    for (int i = 0; i < made.formatted_devices + made.bare_devices; ++i)
        if (IDirectInputDevice8A* device = device_object(api_, device_, i < made.formatted_devices)) device->Release();
    for (int i = 0; effect_host_ && i < made.effects; ++i)
        if (IDirectInputEffect* effect = constant_effect(effect_host_)) effect->Release();
}

}  // namespace endurance
