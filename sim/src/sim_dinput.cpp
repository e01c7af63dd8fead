// IDirectInput8A and DirectInput8Create.
#include "com_lifetime.h"
#include "null_ref.h"
#include "sim_lock.h"
#include "sim_objects.h"
#include "sim_state.h"
#include "strict_unload.h"
#include "wine_pose.h"

namespace gsim {

SimDirectInput::SimDirectInput() { sim().registry.enroll(shell, GSIM_KIND_DINPUT); }

STDMETHODIMP SimDirectInput::QueryInterface(REFIID riid, void **out) {
    if (!shell.alive) return dead_call(GSIM_M_DI_QUERYINTERFACE, shell);
    CallScope call(GSIM_M_DI_QUERYINTERFACE, &shell, nullptr);
    const bool ours = IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirectInput8A);
    return answer_query_interface(call, shell, riid, out, static_cast<IDirectInput8A *>(this), ours);
}

STDMETHODIMP_(ULONG) SimDirectInput::AddRef() {
    CallScope call(GSIM_M_DI_ADDREF, &shell, nullptr);
    return add_reference(call, shell);
}

STDMETHODIMP_(ULONG) SimDirectInput::Release() {
    CallScope call(GSIM_M_DI_RELEASE, &shell, nullptr);
    ULONG n;
    if (!drop_reference(call, shell, n)) return 0;
    // Device objects stay usable after the DirectInput object goes, as
    // with DirectInput.
    if (n == 0) sim().registry.retire(shell);
    return finish_release(call, n);
}

static DWORD device_class(DWORD dev_type) {
    switch (GET_DIDEVICE_TYPE(dev_type)) {
    case DI8DEVTYPE_MOUSE:
    case DI8DEVTYPE_SCREENPOINTER: return DI8DEVCLASS_POINTER;
    case DI8DEVTYPE_KEYBOARD: return DI8DEVCLASS_KEYBOARD;
    case DI8DEVTYPE_JOYSTICK:
    case DI8DEVTYPE_GAMEPAD:
    case DI8DEVTYPE_DRIVING:
    case DI8DEVTYPE_FLIGHT:
    case DI8DEVTYPE_1STPERSON: return DI8DEVCLASS_GAMECTRL;
    default: return DI8DEVCLASS_DEVICE;
    }
}

STDMETHODIMP SimDirectInput::EnumDevices(DWORD type, LPDIENUMDEVICESCALLBACKA cb, LPVOID ctx, DWORD flags) {
    if (!shell.alive) return dead_call(GSIM_M_DI_ENUMDEVICES, shell);
    CallScope call(GSIM_M_DI_ENUMDEVICES, &shell, nullptr);
    if (GSIM_CALL *c = call.rec()) {
        c->dev_type = type;
        c->flags = flags;
        c->null_out = cb == nullptr;
    }
    if (call.faulted()) return call.fault_hr();
    if (!cb) return call.finish(DIERR_INVALIDPARAM);
    if ((type > DI8DEVCLASS_GAMECTRL && type < DI8DEVTYPE_DEVICE) || type > DI8DEVTYPE_SUPPLEMENTAL)
        return call.finish(DIERR_INVALIDPARAM);
    if (flags & ~(DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK | DIEDFL_INCLUDEALIASES | DIEDFL_INCLUDEPHANTOMS |
                  DIEDFL_INCLUDEHIDDEN))
        return call.finish(DIERR_INVALIDPARAM);

    std::vector<DIDEVICEINSTANCEA> list;
    for (const DevicePtr &dev : sim().devices) {
        DWORD dtype = dev->desc.dev_type;
        if (type <= DI8DEVCLASS_GAMECTRL) {
            if (type != DI8DEVCLASS_ALL && device_class(dtype) != type) continue;
        } else if (GET_DIDEVICE_TYPE(dtype) != type) {
            continue;
        }
        if ((flags & DIEDFL_ATTACHEDONLY) && !dev->attached()) continue;
        if ((flags & DIEDFL_FORCEFEEDBACK) && !dev->force_feedback()) continue;
        DIDEVICEINSTANCEA inst;
        fill_instance(*dev, inst, sizeof(inst));
        list.push_back(inst);
    }
    call.release();
    for (const auto &inst : list)
        if (cb(&inst, ctx) == DIENUM_STOP) break;
    call.reacquire();
    return call.finish(DI_OK);
}

// The device a GUID names: instance GUID first, then product GUID.
static DevicePtr find_device(const GUID &guid) {
    for (const DevicePtr &d : sim().devices)
        if (IsEqualGUID(d->desc.instance_guid, guid)) return d;
    for (const DevicePtr &d : sim().devices)
        if (IsEqualGUID(d->desc.product_guid, guid)) return d;
    return nullptr;
}

// Looked up before the call starts, since its hook runs without the lock; a
// device that the hook unplugs or removes is no longer attached afterwards.
static DevicePtr named_device(const GUID *guid) {
    Guard guard;
    return guid ? find_device(*guid) : nullptr;
}

STDMETHODIMP SimDirectInput::CreateDevice(REFGUID guid_ref, LPDIRECTINPUTDEVICE8A *out, LPUNKNOWN) {
    if (!shell.alive) return dead_call(GSIM_M_DI_CREATEDEVICE, shell);
    const GUID *guid = address_of(guid_ref);
    const Creator creator = strict_creator(__builtin_return_address(0));
    const DevicePtr dev = named_device(guid);
    CallScope call(GSIM_M_DI_CREATEDEVICE, &shell, dev.get());
    if (GSIM_CALL *c = call.rec()) {
        if (guid) c->guid = *guid;
        c->null_out = out == nullptr;
    }
    if (call.faulted()) {
        if (out) *out = nullptr;
        return call.fault_hr();
    }
    if (!out) return call.finish(E_POINTER);
    *out = nullptr;
    if (!guid) return call.finish(E_POINTER);
    if (!dev || !dev->attached()) return call.finish(DIERR_DEVICENOTREG);
    auto *obj = new SimDevice(dev);
    if (GSIM_CALL *c = call.rec()) c->created = obj->shell.id;
    note_creator(obj->shell.id, creator, call);
    *out = obj;
    return call.finish(DI_OK);
}

STDMETHODIMP SimDirectInput::GetDeviceStatus(REFGUID guid_ref) {
    if (!shell.alive) return dead_call(GSIM_M_DI_GETDEVICESTATUS, shell);
    const GUID *guid = address_of(guid_ref);
    const DevicePtr dev = named_device(guid);
    CallScope call(GSIM_M_DI_GETDEVICESTATUS, &shell, dev.get());
    if (GSIM_CALL *c = call.rec()) {
        if (guid) c->guid = *guid;
        c->null_out = guid == nullptr;
    }
    if (call.faulted()) return call.fault_hr();
    if (!guid) return call.finish(E_POINTER);
    return call.finish(dev && dev->attached() ? DI_OK : DI_NOTATTACHED);
}

// Checks DirectInput8Create and Initialize make on their arguments.
static HRESULT check_version(HINSTANCE hinst, DWORD version) {
    if (!hinst) return DIERR_INVALIDPARAM;
    if (version == 0) return DIERR_NOTINITIALIZED;
    if (version < 0x0800) return DIERR_BETADIRECTINPUTVERSION;
    if (version > 0x0800) return DIERR_OLDDIRECTINPUTVERSION;
    return DI_OK;
}

STDMETHODIMP SimDirectInput::Initialize(HINSTANCE hinst, DWORD version) {
    if (!shell.alive) return dead_call(GSIM_M_DI_INITIALIZE, shell);
    CallScope call(GSIM_M_DI_INITIALIZE, &shell, nullptr);
    if (GSIM_CALL *c = call.rec()) c->version = version;
    if (call.faulted()) return call.fault_hr();
    return call.finish(check_version(hinst, version));
}

// Methods no caller of the simulator needs.
STDMETHODIMP SimDirectInput::RunControlPanel(HWND, DWORD) { return E_NOTIMPL; }
STDMETHODIMP SimDirectInput::FindDevice(REFGUID, LPCSTR, LPGUID) { return E_NOTIMPL; }
STDMETHODIMP SimDirectInput::EnumDevicesBySemantics(LPCSTR, LPDIACTIONFORMATA, LPDIENUMDEVICESBYSEMANTICSCBA,
                                                    LPVOID, DWORD) {
    return E_NOTIMPL;
}
STDMETHODIMP SimDirectInput::ConfigureDevices(LPDICONFIGUREDEVICESCALLBACK, LPDICONFIGUREDEVICESPARAMSA, DWORD,
                                              LPVOID) {
    return E_NOTIMPL;
}

}  // namespace gsim

using namespace gsim;

extern "C" HRESULT WINAPI DirectInput8Create(HINSTANCE hinst, DWORD version, REFIID riid_ref, LPVOID *out,
                                             LPUNKNOWN outer) {
    pose_as_wine_if_asked();
    const IID *riid = address_of(riid_ref);
    CallScope call(GSIM_M_DIRECTINPUT8CREATE, nullptr, nullptr);
    if (GSIM_CALL *c = call.rec()) {
        c->version = version;
        if (riid) c->guid = *riid;
        c->null_out = out == nullptr;
    }
    if (call.faulted()) {
        if (out) *out = nullptr;
        return call.fault_hr();
    }
    if (!out) return call.finish(E_POINTER);
    *out = nullptr;
    if (!riid || !(IsEqualGUID(*riid, IID_IDirectInput8A) || IsEqualGUID(*riid, IID_IUnknown)))
        return call.finish(DIERR_NOINTERFACE);
    if (outer) return call.finish(CLASS_E_NOAGGREGATION);
    HRESULT hr = check_version(hinst, version);
    if (FAILED(hr)) return call.finish(hr);
    auto *di = new SimDirectInput();
    if (GSIM_CALL *c = call.rec()) c->created = di->shell.id;
    *out = static_cast<IDirectInput8A *>(di);
    return call.finish(DI_OK);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() { return S_FALSE; }
extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID, REFIID, LPVOID *out) {
    if (out) *out = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}
extern "C" HRESULT WINAPI DllRegisterServer() { return S_OK; }
extern "C" HRESULT WINAPI DllUnregisterServer() { return S_OK; }
