// The COM objects: IDirectInput8A, IDirectInputDevice8A, IDirectInputEffect.
// Internal members are used with the simulator lock held.
#pragma once
#include "data_format.h"
#include "registry.h"
#include "virtual_device.h"

#include <memory>
#include <vector>

namespace gsim {

class SimDevice;

class SimDirectInput final : public IDirectInput8A {
public:
    SimDirectInput();
    Shell shell;

    STDMETHODIMP QueryInterface(REFIID riid, void **out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP CreateDevice(REFGUID guid, LPDIRECTINPUTDEVICE8A *out, LPUNKNOWN outer) override;
    STDMETHODIMP EnumDevices(DWORD type, LPDIENUMDEVICESCALLBACKA cb, LPVOID ctx, DWORD flags) override;
    STDMETHODIMP GetDeviceStatus(REFGUID guid) override;
    STDMETHODIMP RunControlPanel(HWND owner, DWORD flags) override;
    STDMETHODIMP Initialize(HINSTANCE hinst, DWORD version) override;
    STDMETHODIMP FindDevice(REFGUID guid, LPCSTR name, LPGUID instance) override;
    STDMETHODIMP EnumDevicesBySemantics(LPCSTR user, LPDIACTIONFORMATA af, LPDIENUMDEVICESBYSEMANTICSCBA cb,
                                        LPVOID ctx, DWORD flags) override;
    STDMETHODIMP ConfigureDevices(LPDICONFIGUREDEVICESCALLBACK cb, LPDICONFIGUREDEVICESPARAMSA params, DWORD flags,
                                  LPVOID ctx) override;
};

// Force-feedback state of one effect object.
struct EffectState {
    GSIM_EFFECT_PARAMS params{};
    DWORD set_groups = 0;  // DIEP_ groups ever set
    bool downloaded = false;
    bool playing = false;
    bool modified = true;  // changed since the last download
    DWORD start_count = 0;
    DWORD restart_count = 0;
    DWORD last_iterations = 0;
    DWORD last_start_flags = 0;
};

class SimEffect final : public IDirectInputEffect {
public:
    SimEffect(SimDevice *owner, const GUID &guid);
    Shell shell;
    SimDevice *owner;
    GUID guid;
    std::unique_ptr<EffectState> st;  // freed when the object is destroyed

    STDMETHODIMP QueryInterface(REFIID riid, void **out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP Initialize(HINSTANCE hinst, DWORD version, REFGUID guid) override;
    STDMETHODIMP GetEffectGuid(LPGUID out) override;
    STDMETHODIMP GetParameters(LPDIEFFECT params, DWORD flags) override;
    STDMETHODIMP SetParameters(LPCDIEFFECT params, DWORD flags) override;
    STDMETHODIMP Start(DWORD iterations, DWORD flags) override;
    STDMETHODIMP Stop() override;
    STDMETHODIMP GetEffectStatus(LPDWORD out) override;
    STDMETHODIMP Download() override;
    STDMETHODIMP Unload() override;
    STDMETHODIMP Escape(LPDIEFFESCAPE esc) override;

    // The work of the methods above, without logging or faults.
    HRESULT set_params(const DIEFFECT *params, DWORD flags);
    HRESULT download();
    HRESULT start(DWORD iterations, DWORD flags);
    HRESULT stop();
    HRESULT unload();
    // The device dropped the effect (reset, unplug): slot freed, not playing.
    void drop();
    const VirtualDevice *device() const;
};

class SimDevice final : public IDirectInputDevice8A {
public:
    enum class Status { Unacquired, Acquired, Lost };
    struct AxisProps {
        LONG range_min = 0;
        LONG range_max = 65535;
        DWORD deadzone = 0;
        DWORD saturation = 10000;
    };

    explicit SimDevice(const DevicePtr &dev);
    Shell shell;
    DevicePtr dev;
    Status status = Status::Unacquired;
    HWND hwnd = nullptr;
    DWORD coop = DISCL_NONEXCLUSIVE | DISCL_BACKGROUND;
    AxisProps props[GSIM_MAX_OBJECTS];
    UserFormat format;
    DWORD gain = 10000;
    bool paused = false;
    bool actuators_on = true;
    std::vector<SimEffect *> effects;  // live effects created here

    STDMETHODIMP QueryInterface(REFIID riid, void **out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetCapabilities(LPDIDEVCAPS caps) override;
    STDMETHODIMP EnumObjects(LPDIENUMDEVICEOBJECTSCALLBACKA cb, LPVOID ctx, DWORD flags) override;
    STDMETHODIMP GetProperty(REFGUID prop, LPDIPROPHEADER header) override;
    STDMETHODIMP SetProperty(REFGUID prop, LPCDIPROPHEADER header) override;
    STDMETHODIMP Acquire() override;
    STDMETHODIMP Unacquire() override;
    STDMETHODIMP GetDeviceState(DWORD size, LPVOID data) override;
    STDMETHODIMP GetDeviceData(DWORD size, LPDIDEVICEOBJECTDATA data, LPDWORD inout, DWORD flags) override;
    STDMETHODIMP SetDataFormat(LPCDIDATAFORMAT df) override;
    STDMETHODIMP SetEventNotification(HANDLE event) override;
    STDMETHODIMP SetCooperativeLevel(HWND hwnd, DWORD flags) override;
    STDMETHODIMP GetObjectInfo(LPDIDEVICEOBJECTINSTANCEA info, DWORD obj, DWORD how) override;
    STDMETHODIMP GetDeviceInfo(LPDIDEVICEINSTANCEA info) override;
    STDMETHODIMP RunControlPanel(HWND owner, DWORD flags) override;
    STDMETHODIMP Initialize(HINSTANCE hinst, DWORD version, REFGUID guid) override;
    STDMETHODIMP CreateEffect(REFGUID guid, LPCDIEFFECT params, LPDIRECTINPUTEFFECT *out, LPUNKNOWN outer) override;
    STDMETHODIMP EnumEffects(LPDIENUMEFFECTSCALLBACKA cb, LPVOID ctx, DWORD type) override;
    STDMETHODIMP GetEffectInfo(LPDIEFFECTINFOA info, REFGUID guid) override;
    STDMETHODIMP GetForceFeedbackState(LPDWORD out) override;
    STDMETHODIMP SendForceFeedbackCommand(DWORD command) override;
    STDMETHODIMP EnumCreatedEffectObjects(LPDIENUMCREATEDEFFECTOBJECTSCALLBACK cb, LPVOID ctx, DWORD flags) override;
    STDMETHODIMP Escape(LPDIEFFESCAPE esc) override;
    STDMETHODIMP Poll() override;
    STDMETHODIMP SendDeviceData(DWORD size, LPCDIDEVICEOBJECTDATA data, LPDWORD inout, DWORD flags) override;
    STDMETHODIMP EnumEffectsInFile(LPCSTR file, LPDIENUMEFFECTSINFILECALLBACK cb, LPVOID ctx, DWORD flags) override;
    STDMETHODIMP WriteEffectToFile(LPCSTR file, DWORD n, LPDIFILEEFFECT effects, DWORD flags) override;
    STDMETHODIMP BuildActionMap(LPDIACTIONFORMATA af, LPCSTR user, DWORD flags) override;
    STDMETHODIMP SetActionMap(LPDIACTIONFORMATA af, LPCSTR user, DWORD flags) override;
    STDMETHODIMP GetImageInfo(LPDIDEVICEIMAGEINFOHEADERA header) override;

    bool exclusively_acquired() const { return status == Status::Acquired && (coop & DISCL_EXCLUSIVE); }
    // What force-feedback calls return when not exclusively acquired.
    HRESULT not_exclusive_error() const;
    // DISFFC_RESET: every effect unloaded, device state back to stopped.
    void reset_force_feedback();
    // The hardware went away while this object was acquired.
    void lose();
    void unacquire_work();
    DWORD force_feedback_state() const;
    // Finds an object for a property or object-info call; -1 if none.
    int find_object(const std::vector<DevObject> &objs, DWORD obj, DWORD how) const;
};

// Live device objects on a device, for unplugging and status.
std::vector<SimDevice *> &open_device_objects();

}  // namespace gsim
