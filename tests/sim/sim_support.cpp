#include "sim_support.h"

namespace simtest {

HWND test_window() {
    static HWND hwnd = [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "gsim_test_window";
        RegisterClassA(&wc);
        return CreateWindowA("gsim_test_window", "sim tests", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr, nullptr,
                             wc.hInstance, nullptr);
    }();
    return hwnd;
}

IDirectInput8A *create_dinput() {
    IDirectInput8A *di = nullptr;
    HRESULT hr = DirectInput8Create(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                    reinterpret_cast<void **>(&di), nullptr);
    EXPECT_EQ(hr, DI_OK);
    return di;
}

IDirectInputDevice8A *open_device(IDirectInput8A *di, int index, bool acquire) {
    GSIM_DEVICE_DESC desc;
    EXPECT_EQ(gsim_device_get(index, &desc), GSIM_OK);
    IDirectInputDevice8A *dev = nullptr;
    EXPECT_EQ(di->CreateDevice(desc.instance_guid, &dev, nullptr), DI_OK);
    if (!dev) return nullptr;
    EXPECT_EQ(dev->SetDataFormat(&c_dfDIJoystick2), DI_OK);
    EXPECT_EQ(dev->SetCooperativeLevel(test_window(), DISCL_EXCLUSIVE | DISCL_BACKGROUND), DI_OK);
    if (acquire) {
        EXPECT_EQ(dev->Acquire(), DI_OK);
    }
    return dev;
}

std::vector<GSIM_CALL> calls_of(int method) {
    std::vector<GSIM_CALL> out;
    for (int i = 0; i < gsim_log_count(); i++) {
        GSIM_CALL c;
        gsim_log_get(i, &c);
        if (c.method == method) out.push_back(c);
    }
    return out;
}

GSIM_CALL last_call(int method) {
    std::vector<GSIM_CALL> all = calls_of(method);
    EXPECT_FALSE(all.empty()) << gsim_method_name(method) << " was not called";
    return all.empty() ? GSIM_CALL{} : all.back();
}

ConstantEffect::ConstantEffect(DWORD axis_count) {
    eff.dwSize = sizeof(DIEFFECT);
    eff.dwFlags = DIEFF_CARTESIAN | DIEFF_OBJECTOFFSETS;
    eff.dwDuration = INFINITE;
    eff.dwGain = DI_FFNOMINALMAX;
    eff.dwTriggerButton = DIEB_NOTRIGGER;
    eff.cAxes = axis_count;
    eff.rgdwAxes = axes;
    eff.rglDirection = directions;
    eff.lpEnvelope = &envelope;
    eff.cbTypeSpecificParams = sizeof(force);
    eff.lpvTypeSpecificParams = &force;
}

void SimTest::SetUp() {
    devices_before_ = gsim_live_devices();
    effects_before_ = gsim_live_effects();
    dinputs_before_ = gsim_live_dinputs();
    ASSERT_EQ(gsim_reset(GSIM_RESET_BUILTIN), GSIM_BUILTIN_COUNT);
    di_ = create_dinput();
    ASSERT_NE(di_, nullptr);
    gsim_log_clear();
}

void SimTest::TearDown() {
    if (di_) di_->Release();
    // Every test releases what it created: nothing may be left alive.
    EXPECT_EQ(gsim_live_devices(), devices_before_);
    EXPECT_EQ(gsim_live_effects(), effects_before_);
    EXPECT_EQ(gsim_live_dinputs(), dinputs_before_);
    EXPECT_EQ(gsim_over_releases(), 0);
}

}  // namespace simtest
