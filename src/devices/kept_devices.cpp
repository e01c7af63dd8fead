#include "devices/kept_devices.h"

#include <cstring>

#include "frame/bridge_lock.h"
#include "frame/bridge_state.h"

namespace gantrel {
namespace {

struct KeptDevice {
    IDirectInputDevice8A* device;
    GUID instance;
    unsigned long long kept_at;  // for choosing the oldest
};

bool g_keeps = false;  // written once, before any device exists
// Polls let devices go without the bridge lock, so the table has its own;
// no DirectInput call is made while it is held.
SRWLOCK g_kept_lock = SRWLOCK_INIT;
KeptDevice g_kept[kKeptDevices];
unsigned long long g_kept_count = 0;

// Wine's loader marks its own modules with this text after the DOS header.
bool made_by_wine(void* object) {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll == nullptr || GetProcAddress(ntdll, "wine_get_version") == nullptr) return false;
    void* const method = (*static_cast<void* const* const*>(object))[0];
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCSTR>(method), &module))
        return false;
    static const char kMark[] = "Wine builtin DLL";
    return std::memcmp(reinterpret_cast<const IMAGE_DOS_HEADER*>(module) + 1, kMark, sizeof kMark) == 0;
}

bool attached(const GUID& instance) { return g_directinput->GetDeviceStatus(instance) == DI_OK; }

}  // namespace

void decide_device_keeping(IDirectInput8A* instance) { g_keeps = made_by_wine(instance); }

bool keeps_device_objects() { return g_keeps; }

void keep_device(IDirectInputDevice8A* device, const GUID& instance) {
    if (!g_keeps) return;
    device->AddRef();
    KeptDevice evicted = {};
    {
        ExclusiveLock lock(g_kept_lock);
        KeptDevice* place = &g_kept[0];
        for (KeptDevice& entry : g_kept) {
            if (entry.device == nullptr) {
                place = &entry;
                break;
            }
            if (entry.kept_at < place->kept_at) place = &entry;
        }
        evicted = *place;
        *place = {device, instance, ++g_kept_count};
    }
    // Full: the oldest leaves. Its device gone, its reads ended with the
    // removal and it can be freed; still attached, it stays alive unlisted.
    if (evicted.device != nullptr && !attached(evicted.instance)) evicted.device->Release();
}

void strand_device(IDirectInputDevice8A* device) {
    if (g_keeps) device->AddRef();
}

IDirectInputDevice8A* take_kept_device(const GUID& instance) {
    if (!g_keeps) return nullptr;
    IDirectInputDevice8A* device = nullptr;
    {
        ExclusiveLock lock(g_kept_lock);
        for (KeptDevice& entry : g_kept) {
            if (entry.device == nullptr || std::memcmp(&entry.instance, &instance, sizeof instance) != 0) continue;
            device = entry.device;
            entry = {};
            break;
        }
    }
    if (device == nullptr || attached(instance)) return device;
    // Unplugged since: Wine gives a replugged device a new instance GUID, so
    // this object would never be asked for again.
    device->Release();
    return nullptr;
}

}  // namespace gantrel
