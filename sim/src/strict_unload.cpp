#include "strict_unload.h"

#include "sim_objects.h"
#include "strict_reports.h"

#include <cstring>
#include <map>

namespace gsim {

namespace {

// The loader's notification (LdrRegisterDllNotification), as ntdll passes it.
struct LoaderNote {
    ULONG flags;
    const void *full_name;
    const void *base_name;
    void *base;
    ULONG size;
};
typedef VOID(CALLBACK *LoaderCallback)(ULONG reason, const LoaderNote *note, void *context);
typedef LONG(NTAPI *RegisterLoaderCallback)(ULONG flags, LoaderCallback callback, void *context, void **cookie);
const ULONG kUnloaded = 2;

// The latest unloads, in a lock of their own: the loader calls with its
// lock held, and the simulator's lock is never taken inside the loader's.
const unsigned kEvents = 64;
struct Unload {
    void *base;
    unsigned number;
};
SRWLOCK g_unload_lock = SRWLOCK_INIT;
Unload g_unloads[kEvents];
unsigned g_unload_count = 0;
unsigned g_checked = 0;
LONG g_watching = 0;

struct Made {
    Creator who;
    DWORD seq;
    bool reported;
};
std::map<DWORD, Made> g_made;  // by device object id

VOID CALLBACK on_loader(ULONG reason, const LoaderNote *note, void *) {
    if (reason != kUnloaded || !note) return;
    AcquireSRWLockExclusive(&g_unload_lock);
    g_unload_count++;
    g_unloads[g_unload_count % kEvents] = {note->base, g_unload_count};
    ReleaseSRWLockExclusive(&g_unload_lock);
}

unsigned unload_count() {
    AcquireSRWLockShared(&g_unload_lock);
    const unsigned n = g_unload_count;
    ReleaseSRWLockShared(&g_unload_lock);
    return n;
}

bool unloaded_since(const Creator &who) {
    bool gone = false;
    AcquireSRWLockShared(&g_unload_lock);
    for (const Unload &u : g_unloads)
        if (u.number > who.unloads && u.base == who.base) gone = true;
    ReleaseSRWLockShared(&g_unload_lock);
    return gone;
}

}  // namespace

Creator strict_creator(const void *address) {
    Creator who;
    HMODULE module = nullptr;
    if (!strict_on() ||
        !GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCSTR>(address), &module))
        return who;
    char path[MAX_PATH] = "";
    GetModuleFileNameA(module, path, sizeof(path));
    const char *slash = std::strrchr(path, '\\');
    lstrcpynA(who.name, slash ? slash + 1 : path, sizeof(who.name));
    who.base = module;
    who.unloads = unload_count();
    who.thread_id = GetCurrentThreadId();
    return who;
}

void note_creator(DWORD object, const Creator &who, const CallScope &call) {
    if (!who.base) return;
    // Forget the objects released since: only live ones can be left behind.
    for (auto it = g_made.begin(); it != g_made.end();) {
        const Shell *shell = sim().registry.find(it->first);
        it = shell && shell->alive ? std::next(it) : g_made.erase(it);
    }
    g_made[object] = {who, call.seq(), false};
}

void watch_unloads() {
    if (InterlockedExchange(&g_watching, 1)) return;
    HMODULE self;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCSTR>(&watch_unloads), &self);
    auto reg = reinterpret_cast<RegisterLoaderCallback>(
        reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "LdrRegisterDllNotification")));
    void *cookie;
    if (reg) reg(0, on_loader, nullptr, &cookie);
}

void notice_unloaded_owners() {
    const unsigned now = unload_count();
    if (now == g_checked) return;
    g_checked = now;
    for (SimDevice *d : open_device_objects()) {
        auto it = g_made.find(d->shell.id);
        if (it == g_made.end() || it->second.reported || !unloaded_since(it->second.who)) continue;
        Made &made = it->second;
        made.reported = true;
        const bool acquired = d->status == SimDevice::Status::Acquired;
        strict_report(GSIM_RULE_UNLOADED, {GSIM_M_DI_CREATEDEVICE, made.seq, d->shell.id, d->dev.get(), made.who.thread_id},
                      std::string("the device object was still ") + (acquired ? "acquired" : "open") + " when " +
                          made.who.name +
                          ", which created it, was unloaded, and stays so until the process ends: release "
                          "every device (dib_release) before unloading the library");
    }
}

}  // namespace gsim
