// What an open device reports: capabilities, instance, objects, effects and
// properties.
#include "sim_support.h"

#include <cstring>

using namespace simtest;

namespace {

class DeviceInfo : public SimTest {};

std::vector<DIDEVICEOBJECTINSTANCEA> objects(IDirectInputDevice8A *dev, DWORD flags) {
    std::vector<DIDEVICEOBJECTINSTANCEA> out;
    auto cb = [](LPCDIDEVICEOBJECTINSTANCEA o, LPVOID p) CALLBACK -> BOOL {
        static_cast<std::vector<DIDEVICEOBJECTINSTANCEA> *>(p)->push_back(*o);
        return DIENUM_CONTINUE;
    };
    EXPECT_EQ(dev->EnumObjects(cb, &out, flags), DI_OK);
    return out;
}

std::vector<DIEFFECTINFOA> effects(IDirectInputDevice8A *dev, DWORD type) {
    std::vector<DIEFFECTINFOA> out;
    auto cb = [](LPCDIEFFECTINFOA e, LPVOID p) CALLBACK -> BOOL {
        static_cast<std::vector<DIEFFECTINFOA> *>(p)->push_back(*e);
        return DIENUM_CONTINUE;
    };
    EXPECT_EQ(dev->EnumEffects(cb, &out, type), DI_OK);
    return out;
}

TEST_F(DeviceInfo, CapabilitiesFollowTheDescription) {
    IDirectInputDevice8A *wheel = open_device(di_, 0, false);
    IDirectInputDevice8A *pad = open_device(di_, 2, false);
    DIDEVCAPS caps{};
    caps.dwSize = sizeof(caps);
    ASSERT_EQ(wheel->GetCapabilities(&caps), DI_OK);
    EXPECT_EQ(caps.dwFlags & (DIDC_ATTACHED | DIDC_FORCEFEEDBACK), DIDC_ATTACHED | DIDC_FORCEFEEDBACK);
    EXPECT_EQ(caps.dwAxes, 4u);
    EXPECT_EQ(caps.dwButtons, 16u);
    EXPECT_EQ(caps.dwPOVs, 1u);
    EXPECT_EQ(caps.dwFFSamplePeriod, 1000u);
    ASSERT_EQ(pad->GetCapabilities(&caps), DI_OK);
    EXPECT_EQ(caps.dwFlags & DIDC_FORCEFEEDBACK, 0u);

    caps.dwSize = sizeof(caps) + 4;
    EXPECT_EQ(wheel->GetCapabilities(&caps), DIERR_INVALIDPARAM);
    EXPECT_EQ(wheel->GetCapabilities(nullptr), E_POINTER);
    DIDEVICEINSTANCEA inst{};
    inst.dwSize = sizeof(DIDEVICEINSTANCE_DX3A);
    ASSERT_EQ(wheel->GetDeviceInfo(&inst), DI_OK);
    EXPECT_STREQ(inst.tszProductName, "Gantrel Simulated Racing Wheel");
    EXPECT_EQ(inst.guidFFDriver.Data1, 0u) << "a DirectX 3 record ends before guidFFDriver";
    inst.dwSize = 12;
    EXPECT_EQ(wheel->GetDeviceInfo(&inst), DIERR_INVALIDPARAM);
    pad->Release();
    wheel->Release();
}

TEST_F(DeviceInfo, ObjectsComeAxesFirstWithActuatorFlags) {
    IDirectInputDevice8A *stick = open_device(di_, 1, false);
    auto all = objects(stick, DIDFT_ALL);
    ASSERT_EQ(all.size(), 5u + 1u + 12u);
    EXPECT_TRUE(IsEqualGUID(all[0].guidType, GUID_XAxis));
    EXPECT_EQ(all[0].dwOfs, static_cast<DWORD>(DIJOFS_X));
    EXPECT_TRUE(all[0].dwFlags & DIDOI_FFACTUATOR);
    EXPECT_TRUE(all[0].dwType & DIDFT_FFACTUATOR);
    EXPECT_TRUE(IsEqualGUID(all[4].guidType, GUID_Slider));
    EXPECT_EQ(all[4].dwOfs, static_cast<DWORD>(DIJOFS_SLIDER(1)));
    EXPECT_FALSE(all[4].dwFlags & DIDOI_FFACTUATOR);
    EXPECT_TRUE(IsEqualGUID(all[5].guidType, GUID_POV));
    EXPECT_EQ(all[6].dwOfs, static_cast<DWORD>(DIJOFS_BUTTON(0)));

    EXPECT_EQ(objects(stick, DIDFT_AXIS).size(), 5u);
    EXPECT_EQ(objects(stick, DIDFT_BUTTON).size(), 12u);
    EXPECT_EQ(objects(stick, DIDFT_POV).size(), 1u);
    EXPECT_EQ(objects(stick, DIDFT_AXIS | DIDFT_FFACTUATOR).size(), 2u);
    auto cb = [](LPCDIDEVICEOBJECTINSTANCEA, LPVOID) CALLBACK -> BOOL { return DIENUM_CONTINUE; };
    EXPECT_EQ(stick->EnumObjects(nullptr, nullptr, DIDFT_ALL), DIERR_INVALIDPARAM);
    EXPECT_EQ(stick->EnumObjects(cb, nullptr, DIDFT_OUTPUT), DIERR_INVALIDPARAM);
    stick->Release();
}

TEST_F(DeviceInfo, EffectsComeInTheDescribedOrderWithDuplicates) {
    GSIM_DEVICE_DESC d;
    gsim_builtin_desc(GSIM_BUILTIN_WHEEL, &d);
    const GUID vendor = {0xabcdef01, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    d.num_effects = 4;
    d.effects[0] = GUID_Friction;
    d.effects[1] = vendor;
    d.effects[2] = GUID_RampForce;
    d.effects[3] = GUID_Friction;
    gsim_device_set(0, &d);
    IDirectInputDevice8A *wheel = open_device(di_, 0, false);
    auto all = effects(wheel, DIEFT_ALL);
    ASSERT_EQ(all.size(), 4u);
    EXPECT_TRUE(IsEqualGUID(all[0].guid, GUID_Friction));
    EXPECT_EQ(DIEFT_GETTYPE(all[0].dwEffType), static_cast<DWORD>(DIEFT_CONDITION));
    EXPECT_STREQ(all[0].tszName, "Friction");
    EXPECT_EQ(DIEFT_GETTYPE(all[1].dwEffType), static_cast<DWORD>(DIEFT_HARDWARE));
    EXPECT_TRUE(IsEqualGUID(all[3].guid, GUID_Friction));
    EXPECT_EQ(effects(wheel, DIEFT_CONDITION).size(), 2u);
    EXPECT_EQ(effects(wheel, DIEFT_RAMPFORCE).size(), 1u);
    wheel->Release();

    IDirectInputDevice8A *pad = open_device(di_, 2, false);
    EXPECT_TRUE(effects(pad, DIEFT_ALL).empty());
    pad->Release();
}

TEST_F(DeviceInfo, DefaultDevicesOfferTheStandardEffects) {
    IDirectInputDevice8A *stick = open_device(di_, 1, false);
    auto all = effects(stick, DIEFT_ALL);
    const GUID *wanted[] = {&GUID_ConstantForce, &GUID_Square, &GUID_Sine, &GUID_Triangle, &GUID_SawtoothUp,
                            &GUID_SawtoothDown, &GUID_Spring, &GUID_Damper, &GUID_Inertia, &GUID_Friction,
                            &GUID_RampForce, &GUID_CustomForce};
    for (const GUID *g : wanted) {
        bool found = false;
        for (const auto &e : all) found |= IsEqualGUID(e.guid, *g) != 0;
        EXPECT_TRUE(found);
    }
    stick->Release();
}

DIPROPRANGE range_header(DWORD obj, DWORD how) {
    DIPROPRANGE r{};
    r.diph.dwSize = sizeof(r);
    r.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    r.diph.dwObj = obj;
    r.diph.dwHow = how;
    return r;
}

TEST_F(DeviceInfo, RangeIsPerAxisAndAddressedByIdOrOffset) {
    IDirectInputDevice8A *stick = open_device(di_, 1, false);
    auto axes = objects(stick, DIDFT_AXIS);
    DIPROPRANGE r = range_header(axes[1].dwType, DIPH_BYID);
    ASSERT_EQ(stick->GetProperty(DIPROP_RANGE, &r.diph), DI_OK);
    EXPECT_EQ(r.lMin, 0);
    EXPECT_EQ(r.lMax, 65535);
    r.lMin = -4096;
    r.lMax = 4096;
    ASSERT_EQ(stick->SetProperty(DIPROP_RANGE, &r.diph), DI_OK);
    DIPROPRANGE x = range_header(DIJOFS_X, DIPH_BYOFFSET);
    ASSERT_EQ(stick->GetProperty(DIPROP_RANGE, &x.diph), DI_OK);
    EXPECT_EQ(x.lMax, 65535) << "only Y was changed";
    DIPROPRANGE y = range_header(DIJOFS_Y, DIPH_BYOFFSET);
    ASSERT_EQ(stick->GetProperty(DIPROP_RANGE, &y.diph), DI_OK);
    EXPECT_EQ(y.lMin, -4096);

    DIPROPRANGE all = range_header(0, DIPH_DEVICE);
    all.lMin = -10;
    all.lMax = 10;
    EXPECT_EQ(stick->SetProperty(DIPROP_RANGE, &all.diph), DI_OK);
    EXPECT_EQ(stick->GetProperty(DIPROP_RANGE, &all.diph), DIERR_UNSUPPORTED);
    ASSERT_EQ(stick->GetProperty(DIPROP_RANGE, &x.diph), DI_OK);
    EXPECT_EQ(x.lMax, 10);

    DIPROPRANGE bad = range_header(DIJOFS_BUTTON(0), DIPH_BYOFFSET);
    EXPECT_EQ(stick->GetProperty(DIPROP_RANGE, &bad.diph), DIERR_NOTFOUND);
    bad = range_header(DIJOFS_X, DIPH_BYOFFSET);
    bad.lMin = 5;
    bad.lMax = 4;
    EXPECT_EQ(stick->SetProperty(DIPROP_RANGE, &bad.diph), DIERR_INVALIDPARAM);
    bad.diph.dwSize = sizeof(DIPROPDWORD);
    EXPECT_EQ(stick->GetProperty(DIPROP_RANGE, &bad.diph), DIERR_INVALIDPARAM);
    bad.diph.dwHeaderSize = 8;
    EXPECT_EQ(stick->GetProperty(DIPROP_RANGE, &bad.diph), DIERR_INVALIDPARAM);
    EXPECT_EQ(stick->GetProperty(DIPROP_RANGE, nullptr), DIERR_INVALIDPARAM);
    stick->Release();
}

TEST_F(DeviceInfo, ByOffsetNeedsADataFormat) {
    GSIM_DEVICE_DESC d;
    gsim_device_get(1, &d);
    IDirectInputDevice8A *raw = nullptr;
    ASSERT_EQ(di_->CreateDevice(d.instance_guid, &raw, nullptr), DI_OK);
    DIPROPRANGE x = range_header(DIJOFS_X, DIPH_BYOFFSET);
    EXPECT_EQ(raw->GetProperty(DIPROP_RANGE, &x.diph), DIERR_NOTFOUND);
    raw->Release();
}

DIPROPDWORD autocenter(DWORD value = 0) {
    DIPROPDWORD p{};
    p.diph.dwSize = sizeof(p);
    p.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    p.diph.dwHow = DIPH_DEVICE;
    p.dwData = value;
    return p;
}

TEST_F(DeviceInfo, AutocenterFollowsReadableAndWritable) {
    IDirectInputDevice8A *wheel = open_device(di_, 0, false);
    DIPROPDWORD p = autocenter();
    ASSERT_EQ(wheel->GetProperty(DIPROP_AUTOCENTER, &p.diph), DI_OK);
    EXPECT_EQ(p.dwData, static_cast<DWORD>(DIPROPAUTOCENTER_ON));
    p = autocenter(DIPROPAUTOCENTER_OFF);
    ASSERT_EQ(wheel->SetProperty(DIPROP_AUTOCENTER, &p.diph), DI_OK);
    GSIM_DEVICE_STATUS st{};
    st.size = sizeof(st);
    gsim_device_status(0, &st);
    EXPECT_EQ(st.autocenter, static_cast<DWORD>(DIPROPAUTOCENTER_OFF));
    p = autocenter(2);
    EXPECT_EQ(wheel->SetProperty(DIPROP_AUTOCENTER, &p.diph), DIERR_INVALIDPARAM);
    p = autocenter(1);
    p.diph.dwHow = DIPH_BYOFFSET;
    p.diph.dwObj = DIJOFS_X;
    EXPECT_EQ(wheel->SetProperty(DIPROP_AUTOCENTER, &p.diph), DIERR_UNSUPPORTED);
    ASSERT_EQ(wheel->Acquire(), DI_OK);
    p = autocenter(1);
    EXPECT_EQ(wheel->SetProperty(DIPROP_AUTOCENTER, &p.diph), DIERR_ACQUIRED);
    wheel->Release();

    GSIM_DEVICE_DESC d;
    gsim_device_get(1, &d);
    d.autocenter_readable = FALSE;
    d.autocenter_writable = FALSE;
    gsim_device_set(1, &d);
    IDirectInputDevice8A *stick = open_device(di_, 1, false);
    p = autocenter(0);
    EXPECT_EQ(stick->GetProperty(DIPROP_AUTOCENTER, &p.diph), DIERR_UNSUPPORTED);
    EXPECT_EQ(stick->SetProperty(DIPROP_AUTOCENTER, &p.diph), DIERR_UNSUPPORTED);
    stick->Release();

    IDirectInputDevice8A *pad = open_device(di_, 2, false);
    EXPECT_EQ(pad->GetProperty(DIPROP_AUTOCENTER, &p.diph), DIERR_UNSUPPORTED);
    pad->Release();
}

}  // namespace
