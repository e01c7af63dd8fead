// The platform without the bridge: Wine's own dinput8 lists the virtual
// devices as force-feedback game controllers, and what an application does
// with raw DirectInput reaches the driver as PID reports the HID parser
// decodes.
#include <gtest/gtest.h>

#include <windows.h>

#include <dinput.h>

#include "driver/pid_layout.h"
#include "driver/pid_usages.h"
#include "../e2e/bridge_session.h"

using namespace vwheel;

namespace {

struct Found {
    const Variant *variant;
    DIDEVICEINSTANCEW instance;
    bool seen;
};

BOOL CALLBACK find_variant(const DIDEVICEINSTANCEW *instance, void *context)
{
    auto *found = static_cast<Found *>(context);
    if (instance->guidProduct.Data1 ==
        static_cast<DWORD>(MAKELONG(found->variant->vendor_id, found->variant->product_id))) {
        found->instance = *instance;
        found->seen = true;
    }
    return DIENUM_CONTINUE;
}

BOOL CALLBACK count_effect(const DIEFFECTINFOW *, void *context)
{
    ++*static_cast<int *>(context);
    return DIENUM_CONTINUE;
}

class RawDirectInput : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(DirectInput8Create(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8W,
                                     reinterpret_cast<void **>(&dinput_), nullptr),
                  DI_OK);
    }
    void TearDown() override
    {
        if (device_) device_->Release();
        if (dinput_) dinput_->Release();
        if (window_) DestroyWindow(window_);
    }
    void acquire_exclusively(const Variant &variant)
    {
        Found found = find(variant);
        ASSERT_TRUE(found.seen);
        ASSERT_EQ(dinput_->CreateDevice(found.instance.guidInstance, &device_, nullptr), DI_OK);
        window_ = CreateWindowExW(0, L"STATIC", L"smoke", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window_, nullptr);
        ASSERT_EQ(device_->SetDataFormat(&c_dfDIJoystick2), DI_OK);
        ASSERT_EQ(device_->SetCooperativeLevel(window_, DISCL_EXCLUSIVE | DISCL_BACKGROUND), DI_OK);
        ASSERT_EQ(device_->Acquire(), DI_OK);
    }
    Found find(const Variant &variant)
    {
        Found found = {&variant, {}, false};
        found.instance.dwSize = sizeof(found.instance);
        dinput_->EnumDevices(DI8DEVCLASS_GAMECTRL, find_variant, &found, DIEDFL_ATTACHEDONLY | DIEDFL_FORCEFEEDBACK);
        return found;
    }

    IDirectInput8W *dinput_ = nullptr;
    IDirectInputDevice8W *device_ = nullptr;
    HWND window_ = nullptr;
};

TEST_F(RawDirectInput, EveryVariantIsAForceFeedbackGameController)
{
    const struct {
        const Variant *variant;
        int effects;
    } expected[] = {{&kWheel, 11}, {&kStick, 11}, {&kMulti, 3}};
    for (const auto &e : expected) {
        SCOPED_TRACE(e.variant->product);
        Found found = find(*e.variant);
        ASSERT_TRUE(found.seen);
        IDirectInputDevice8W *device = nullptr;
        ASSERT_EQ(dinput_->CreateDevice(found.instance.guidInstance, &device, nullptr), DI_OK);
        DIDEVCAPS caps = {};
        caps.dwSize = sizeof(caps);
        ASSERT_EQ(device->GetCapabilities(&caps), DI_OK);
        EXPECT_TRUE(caps.dwFlags & DIDC_FORCEFEEDBACK);
        int effects = 0;
        EXPECT_EQ(device->EnumEffects(count_effect, &effects, DIEFT_ALL), DI_OK);
        EXPECT_EQ(effects, e.effects);
        device->Release();
    }
}

// Wine 10 refuses to change auto-centre on an acquired device with
// DIERR_ACQUIRED (0x800700AA), Wine 8 accepts it. The bridge switches it off
// between Unacquire and its second Acquire, so under both it reports the
// switch done and read back off.
TEST_F(RawDirectInput, AutocentreChangesWhileAcquiredOnlyInWine8)
{
    DeviceSession wheel(kWheel);
    ASSERT_TRUE(wheel.ready()) << wheel.problem();
    ASSERT_NO_FATAL_FAILURE(acquire_exclusively(kWheel));
    DIPROPDWORD off = {};
    off.diph.dwSize = sizeof(off);
    off.diph.dwHeaderSize = sizeof(off.diph);
    off.diph.dwHow = DIPH_DEVICE;
    off.dwData = DIPROPAUTOCENTER_OFF;
    EXPECT_EQ(device_->SetProperty(DIPROP_AUTOCENTER, &off.diph), wine10_or_later() ? DIERR_ACQUIRED : DI_OK);
    ASSERT_EQ(device_->Unacquire(), DI_OK);
    EXPECT_EQ(device_->SetProperty(DIPROP_AUTOCENTER, &off.diph), DI_OK);
    device_->Release();
    device_ = nullptr;

    int32_t handle = dib_open(wheel.guid().c_str());
    ASSERT_GE(handle, 1) << last_error_text();
    const int32_t switched_off = DIB_AUTOCENTER_SWITCHED_OFF | DIB_AUTOCENTER_CONFIRMED_OFF;
    EXPECT_EQ(dib_autocenter_state(handle) & switched_off, switched_off);
    EXPECT_EQ(dib_release(handle), DIB_OK);
}

TEST_F(RawDirectInput, ReportsReachTheDriverAndDecode)
{
    DeviceSession wheel(kWheel);
    ASSERT_TRUE(wheel.ready()) << wheel.problem();
    ASSERT_NO_FATAL_FAILURE(acquire_exclusively(kWheel));
    wheel.take_reports();

    ASSERT_EQ(device_->SendForceFeedbackCommand(DISFFC_RESET), DI_OK);
    auto reset = of_collection(wheel.take_reports(), PU_DEVICE_CONTROL_REPORT);
    ASSERT_EQ(reset.size(), 1u);
    EXPECT_TRUE(reset[0].selected(PU_DC_DEVICE_RESET));

    DWORD axes[1] = {DIJOFS_X};
    LONG direction[1] = {1};
    DICONSTANTFORCE force = {-5000};
    DIEFFECT effect = {};
    effect.dwSize = sizeof(effect);
    effect.dwFlags = DIEFF_OBJECTOFFSETS | DIEFF_CARTESIAN;
    effect.dwDuration = 800000;
    effect.dwGain = 10000;
    effect.dwTriggerButton = DIEB_NOTRIGGER;
    effect.cAxes = 1;
    effect.rgdwAxes = axes;
    effect.rglDirection = direction;
    effect.cbTypeSpecificParams = sizeof(force);
    effect.lpvTypeSpecificParams = &force;
    IDirectInputEffect *created = nullptr;
    ASSERT_EQ(device_->CreateEffect(GUID_ConstantForce, &effect, &created, nullptr), DI_OK);
    auto reports = wheel.take_reports();
    SCOPED_TRACE(describe(reports));
    auto constant = of_collection(reports, PU_SET_CONSTANT_FORCE_REPORT);
    ASSERT_EQ(constant.size(), 1u);
    EXPECT_EQ(constant[0].value(PU_MAGNITUDE),
              wheel.device_value(VW_OUT_ID_SET_CONSTANT, PU_MAGNITUDE, -5000, -10000, 10000));
    auto set = of_collection(reports, PU_SET_EFFECT_REPORT);
    ASSERT_EQ(set.size(), 1u);
    EXPECT_EQ(set[0].value(PU_DURATION), 800);
    EXPECT_TRUE(set[0].selected(PU_ET_CONSTANT));

    ASSERT_EQ(created->Start(INFINITE, 0), DI_OK);
    auto started = of_collection(wheel.take_reports(), PU_EFFECT_OPERATION_REPORT);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0].value(PU_LOOP_COUNT), 255) << "an infinite loop count is the field's maximum";
    created->Release();
}

} // namespace
