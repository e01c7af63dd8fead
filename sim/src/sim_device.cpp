// IDirectInputDevice8A: lifetime, acquisition, data format, cooperative
// level, and the methods nobody calls.
#include "com_lifetime.h"
#include "sim_lock.h"
#include "sim_objects.h"
#include "sim_state.h"

#include <algorithm>

namespace gsim {

std::vector<SimDevice *> &open_device_objects() {
    static std::vector<SimDevice *> list;
    return list;
}

SimDevice::SimDevice(const DevicePtr &d) : dev(d) {
    sim().registry.enroll(shell, GSIM_KIND_DEVICE);
    open_device_objects().push_back(this);
}

STDMETHODIMP SimDevice::QueryInterface(REFIID riid, void **out) {
    if (!shell.alive) return dead_call(GSIM_M_DEV_QUERYINTERFACE, shell);
    CallScope call(GSIM_M_DEV_QUERYINTERFACE, &shell, dev.get());
    const bool ours = IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_IDirectInputDeviceA) ||
                      IsEqualGUID(riid, IID_IDirectInputDevice2A) ||
                      IsEqualGUID(riid, IID_IDirectInputDevice7A) ||
                      IsEqualGUID(riid, IID_IDirectInputDevice8A);
    return answer_query_interface(call, shell, riid, out, static_cast<IDirectInputDevice8A *>(this), ours);
}

STDMETHODIMP_(ULONG) SimDevice::AddRef() {
    CallScope call(GSIM_M_DEV_ADDREF, &shell, dev.get());
    return add_reference(call, shell);
}

STDMETHODIMP_(ULONG) SimDevice::Release() {
    CallScope call(GSIM_M_DEV_RELEASE, &shell, dev.get());
    ULONG n;
    if (!drop_reference(call, shell, n)) return 0;
    // As DirectInput: releasing the device unacquires it, which resets
    // force feedback; the effects stay alive but unloaded.
    if (n == 0) unacquire_work();
    wait_inside_release(call, GSIM_M_DEV_RELEASE);
    if (n == 0) {
        auto &list = open_device_objects();
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        sim().registry.retire(shell);
        // A dead object is kept only to count late calls, which return before
        // touching these: give their memory back.
        format = UserFormat();
        if (effects.empty()) std::vector<SimEffect *>().swap(effects);
    }
    return finish_release(call, n);
}

// As Wine's DirectInput: a device whose input was lost is no longer
// acquired, so force-feedback calls are refused as on any unacquired one;
// only reading its state says the input is lost.
HRESULT SimDevice::not_exclusive_error() const { return DIERR_NOTEXCLUSIVEACQUIRED; }

void SimDevice::reset_force_feedback() {
    for (SimEffect *e : effects) e->drop();
    paused = false;
    actuators_on = true;
}

void SimDevice::lose() {
    if (status != Status::Acquired) return;
    for (SimEffect *e : effects) e->drop();
    if (dev->exclusive_owner == shell.id) dev->exclusive_owner = 0;
    status = Status::Lost;
}

void SimDevice::unacquire_work() {
    if (status == Status::Acquired) {
        if (exclusively_acquired() && dev->force_feedback()) reset_force_feedback();
        if (dev->exclusive_owner == shell.id) dev->exclusive_owner = 0;
    }
    status = Status::Unacquired;
}

STDMETHODIMP SimDevice::Acquire() {
    if (!shell.alive) return dead_call(GSIM_M_DEV_ACQUIRE, shell);
    CallScope call(GSIM_M_DEV_ACQUIRE, &shell, dev.get());
    if (call.faulted()) return call.fault_hr();
    if (status == Status::Acquired) return call.finish(DI_NOEFFECT);
    if (!format.set) return call.finish(DIERR_INVALIDPARAM);
    if (!dev->attached()) return call.finish(DIERR_UNPLUGGED);
    if ((coop & DISCL_FOREGROUND) && hwnd != GetForegroundWindow()) return call.finish(DIERR_OTHERAPPHASPRIO);
    if (coop & DISCL_EXCLUSIVE) {
        if (dev->held_elsewhere || (dev->exclusive_owner && dev->exclusive_owner != shell.id))
            return call.finish(DIERR_OTHERAPPHASPRIO);
        dev->exclusive_owner = shell.id;
        // Acquiring exclusively resets the actuators, as DirectInput does.
        if (dev->force_feedback()) reset_force_feedback();
    }
    status = Status::Acquired;
    return call.finish(DI_OK);
}

STDMETHODIMP SimDevice::Unacquire() {
    if (!shell.alive) return dead_call(GSIM_M_DEV_UNACQUIRE, shell);
    CallScope call(GSIM_M_DEV_UNACQUIRE, &shell, dev.get());
    if (call.faulted()) return call.fault_hr();
    HRESULT hr = status == Status::Acquired ? DI_OK : DI_NOEFFECT;
    unacquire_work();
    return call.finish(hr);
}

STDMETHODIMP SimDevice::SetDataFormat(LPCDIDATAFORMAT df) {
    if (!shell.alive) return dead_call(GSIM_M_DEV_SETDATAFORMAT, shell);
    CallScope call(GSIM_M_DEV_SETDATAFORMAT, &shell, dev.get());
    if (GSIM_CALL *c = call.rec()) {
        c->format_ptr = df;
        c->null_out = df == nullptr;
        if (df) {
            c->format_size = df->dwSize;
            c->format_obj_size = df->dwObjSize;
            c->format_flags = df->dwFlags;
            c->format_data_size = df->dwDataSize;
            c->format_num_objs = df->dwNumObjs;
            c->format_is_joystick2 = is_joystick2(df);
        }
    }
    if (call.faulted()) return call.fault_hr();
    if (!df) return call.finish(E_POINTER);
    if (df->dwSize != sizeof(DIDATAFORMAT) || df->dwObjSize != sizeof(DIOBJECTDATAFORMAT))
        return call.finish(DIERR_INVALIDPARAM);
    if (status == Status::Acquired) return call.finish(DIERR_ACQUIRED);
    UserFormat candidate;
    copy_format(*df, candidate);
    if (!match_format(candidate, flatten_objects(dev->desc), dev->version)) return call.finish(DIERR_INVALIDPARAM);
    format = std::move(candidate);
    return call.finish(DI_OK);
}

STDMETHODIMP SimDevice::SetCooperativeLevel(HWND window, DWORD flags) {
    if (!shell.alive) return dead_call(GSIM_M_DEV_SETCOOPERATIVELEVEL, shell);
    CallScope call(GSIM_M_DEV_SETCOOPERATIVELEVEL, &shell, dev.get());
    if (GSIM_CALL *c = call.rec()) {
        c->hwnd = window;
        c->flags = flags;
    }
    if (call.faulted()) return call.fault_hr();
    DWORD excl = flags & (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE);
    DWORD fore = flags & (DISCL_FOREGROUND | DISCL_BACKGROUND);
    if (excl == 0 || excl == (DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE) || fore == 0 ||
        fore == (DISCL_FOREGROUND | DISCL_BACKGROUND))
        return call.finish(DIERR_INVALIDPARAM);
    if (window && (GetWindowLongW(window, GWL_STYLE) & WS_CHILD)) return call.finish(E_HANDLE);
    if (!window && flags == (DISCL_NONEXCLUSIVE | DISCL_BACKGROUND)) window = GetDesktopWindow();
    if (!IsWindow(window)) return call.finish(E_HANDLE);
    if (status == Status::Acquired) return call.finish(DIERR_ACQUIRED);
    hwnd = window;
    coop = flags;
    return call.finish(DI_OK);
}

STDMETHODIMP SimDevice::Poll() {
    if (!shell.alive) return dead_call(GSIM_M_DEV_POLL, shell);
    CallScope call(GSIM_M_DEV_POLL, &shell, dev.get());
    if (call.faulted()) return call.fault_hr();
    if (status == Status::Lost) return call.finish(DIERR_INPUTLOST);
    if (status != Status::Acquired) return call.finish(DIERR_NOTACQUIRED);
    bool polled = dev->desc.caps_flags & (DIDC_POLLEDDEVICE | DIDC_POLLEDDATAFORMAT);
    return call.finish(polled ? DI_OK : DI_NOEFFECT);
}

// Methods no caller of the simulator needs.
STDMETHODIMP SimDevice::Initialize(HINSTANCE, DWORD, REFGUID) { return E_NOTIMPL; }
STDMETHODIMP SimDevice::GetDeviceData(DWORD, LPDIDEVICEOBJECTDATA, LPDWORD, DWORD) { return E_NOTIMPL; }
STDMETHODIMP SimDevice::SetEventNotification(HANDLE) { return E_NOTIMPL; }
STDMETHODIMP SimDevice::RunControlPanel(HWND, DWORD) { return E_NOTIMPL; }
STDMETHODIMP SimDevice::Escape(LPDIEFFESCAPE) { return E_NOTIMPL; }
STDMETHODIMP SimDevice::SendDeviceData(DWORD, LPCDIDEVICEOBJECTDATA, LPDWORD, DWORD) { return E_NOTIMPL; }
STDMETHODIMP SimDevice::EnumEffectsInFile(LPCSTR, LPDIENUMEFFECTSINFILECALLBACK, LPVOID, DWORD) { return E_NOTIMPL; }
STDMETHODIMP SimDevice::WriteEffectToFile(LPCSTR, DWORD, LPDIFILEEFFECT, DWORD) { return E_NOTIMPL; }
STDMETHODIMP SimDevice::BuildActionMap(LPDIACTIONFORMATA, LPCSTR, DWORD) { return E_NOTIMPL; }
STDMETHODIMP SimDevice::SetActionMap(LPDIACTIONFORMATA, LPCSTR, DWORD) { return E_NOTIMPL; }
STDMETHODIMP SimDevice::GetImageInfo(LPDIDEVICEIMAGEINFOHEADERA) { return E_NOTIMPL; }

}  // namespace gsim
