#include "raw_directinput.h"

namespace bench {
namespace {

BOOL CALLBACK set_range(LPCDIDEVICEOBJECTINSTANCEA object, LPVOID context) {
    DIPROPRANGE range = {};
    range.diph.dwSize = sizeof range;
    range.diph.dwHeaderSize = sizeof range.diph;
    range.diph.dwObj = object->dwType;
    range.diph.dwHow = DIPH_BYID;
    range.lMin = -4096;
    range.lMax = 4096;
    static_cast<IDirectInputDevice8A*>(context)->SetProperty(DIPROP_RANGE, &range.diph);
    return DIENUM_CONTINUE;
}

BOOL CALLBACK count_actuator(LPCDIDEVICEOBJECTINSTANCEA object, LPVOID context) {
    if (object->dwFlags & DIDOI_FFACTUATOR) ++*static_cast<DWORD*>(context);
    return DIENUM_CONTINUE;
}

BOOL CALLBACK count_effect(LPCDIEFFECTINFOA, LPVOID context) {
    ++*static_cast<DWORD*>(context);
    return DIENUM_CONTINUE;
}

DIPROPDWORD autocenter(DWORD value) {
    DIPROPDWORD p = {};
    p.diph.dwSize = sizeof p;
    p.diph.dwHeaderSize = sizeof p.diph;
    p.diph.dwHow = DIPH_DEVICE;
    p.dwData = value;
    return p;
}

struct EnumState {
    IDirectInput8A* api;
    int described;
};

BOOL CALLBACK describe_listed(LPCDIDEVICEINSTANCEA instance, LPVOID context) {
    auto& state = *static_cast<EnumState*>(context);
    IDirectInputDevice8A* device = nullptr;
    if (SUCCEEDED(state.api->CreateDevice(instance->guidInstance, &device, nullptr)) && device) {
        describe_raw(device);
        device->Release();
        ++state.described;
    }
    return DIENUM_CONTINUE;
}

}  // namespace

bool RawDirectInput::create() {
    HINSTANCE module = GetModuleHandleA(nullptr);
    if (FAILED(DirectInput8Create(module, DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                  reinterpret_cast<void**>(&api_), nullptr)))
        return false;
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.hInstance = module;
    window_class.lpszClassName = "gantrel_bench_raw";
    RegisterClassA(&window_class);
    window_ = CreateWindowExA(0, window_class.lpszClassName, "raw", 0, 0, 0, 1, 1, nullptr, nullptr, module,
                              nullptr);
    return window_ != nullptr;
}

void RawDirectInput::pump() const {
    MSG message;
    while (PeekMessageA(&message, window_, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void describe_raw(IDirectInputDevice8A* device) {
    DIDEVCAPS caps = {};
    caps.dwSize = sizeof caps;
    device->GetCapabilities(&caps);
    DWORD actuators = 0, effects = 0;
    device->EnumObjects(count_actuator, &actuators, DIDFT_AXIS);
    device->EnumEffects(count_effect, &effects, DIEFT_ALL);
}

IDirectInputDevice8A* RawDirectInput::open(const GUID& instance) const {
    IDirectInputDevice8A* device = nullptr;
    if (FAILED(api_->CreateDevice(instance, &device, nullptr)) || !device) return nullptr;
    if (FAILED(device->SetDataFormat(&c_dfDIJoystick2)) ||
        FAILED(device->SetCooperativeLevel(window_, DISCL_EXCLUSIVE | DISCL_BACKGROUND))) {
        device->Release();
        return nullptr;
    }
    DIPROPDWORD property = autocenter(0);
    device->GetProperty(DIPROP_AUTOCENTER, &property.diph);
    device->EnumObjects(set_range, device, DIDFT_AXIS);
    DWORD actuators = 0;
    device->EnumObjects(count_actuator, &actuators, DIDFT_AXIS);
    DIDEVICEINSTANCEA info = {};
    info.dwSize = sizeof info;
    if (SUCCEEDED(device->GetDeviceInfo(&info))) describe_raw(device);
    if (FAILED(device->Acquire())) {
        device->Release();
        return nullptr;
    }
    device->SendForceFeedbackCommand(DISFFC_RESET);
    device->Unacquire();
    property = autocenter(DIPROPAUTOCENTER_OFF);
    device->SetProperty(DIPROP_AUTOCENTER, &property.diph);
    if (FAILED(device->Acquire())) {
        device->Release();
        return nullptr;
    }
    property = autocenter(0);
    device->GetProperty(DIPROP_AUTOCENTER, &property.diph);
    return device;
}

void RawDirectInput::release(IDirectInputDevice8A* device) {
    device->SendForceFeedbackCommand(DISFFC_RESET);
    device->Unacquire();
    DIPROPDWORD property = autocenter(DIPROPAUTOCENTER_ON);
    device->SetProperty(DIPROP_AUTOCENTER, &property.diph);
    device->Release();
}

IDirectInputEffect* create_raw_effect(IDirectInputDevice8A* device, const EffectPair& pair) {
    IDirectInputEffect* effect = nullptr;
    if (FAILED(device->CreateEffect(pair.guid(), &pair.effect, &effect, nullptr))) return nullptr;
    return effect;
}

void destroy_raw_effect(IDirectInputEffect* effect) {
    effect->Stop();
    effect->Unload();
    effect->Release();
}

int RawDirectInput::enumerate() const {
    EnumState state = {api_, 0};
    api_->EnumDevices(DI8DEVCLASS_GAMECTRL, describe_listed, &state, DIEDFL_ATTACHEDONLY);
    return state.described;
}

}  // namespace bench
