// Acquisition, data format and the state GetDeviceState reports, including
// unplugging and another application's exclusive hold.
#include "sim_support.h"

using namespace simtest;

namespace {

class DeviceState : public SimTest {};

void set_range(IDirectInputDevice8A *dev, LONG lo, LONG hi) {
    DIPROPRANGE r{};
    r.diph.dwSize = sizeof(r);
    r.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    r.diph.dwHow = DIPH_DEVICE;
    r.lMin = lo;
    r.lMax = hi;
    ASSERT_EQ(dev->SetProperty(DIPROP_RANGE, &r.diph), DI_OK);
}

DIJOYSTATE2 read(IDirectInputDevice8A *dev) {
    DIJOYSTATE2 s{};
    EXPECT_EQ(dev->GetDeviceState(sizeof(s), &s), DI_OK);
    return s;
}

TEST_F(DeviceState, AcquireAndUnacquireReportTheirEffect) {
    IDirectInputDevice8A *dev = open_device(di_, 1, false);
    DIJOYSTATE2 s;
    EXPECT_EQ(dev->GetDeviceState(sizeof(s), &s), DIERR_NOTACQUIRED);
    EXPECT_EQ(dev->Poll(), DIERR_NOTACQUIRED);
    EXPECT_EQ(dev->Unacquire(), DI_NOEFFECT);
    EXPECT_EQ(dev->Acquire(), DI_OK);
    EXPECT_EQ(dev->Acquire(), DI_NOEFFECT);
    EXPECT_EQ(dev->Poll(), DI_OK);
    EXPECT_EQ(dev->SetDataFormat(&c_dfDIJoystick2), DIERR_ACQUIRED);
    EXPECT_EQ(dev->SetCooperativeLevel(test_window(), DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DIERR_ACQUIRED);
    EXPECT_EQ(dev->GetDeviceState(sizeof(DIJOYSTATE), &s), DIERR_INVALIDPARAM);
    EXPECT_EQ(dev->GetDeviceState(sizeof(s), nullptr), DIERR_INVALIDPARAM);
    EXPECT_EQ(dev->Unacquire(), DI_OK);
    dev->Release();
}

TEST_F(DeviceState, AcquireNeedsADataFormatAndAValidLevel) {
    GSIM_DEVICE_DESC d;
    gsim_device_get(0, &d);
    IDirectInputDevice8A *dev = nullptr;
    ASSERT_EQ(di_->CreateDevice(d.instance_guid, &dev, nullptr), DI_OK);
    EXPECT_EQ(dev->Acquire(), DIERR_INVALIDPARAM);
    EXPECT_EQ(dev->SetDataFormat(nullptr), E_POINTER);
    EXPECT_EQ(dev->SetCooperativeLevel(test_window(), DISCL_EXCLUSIVE | DISCL_NONEXCLUSIVE | DISCL_BACKGROUND),
              DIERR_INVALIDPARAM);
    EXPECT_EQ(dev->SetCooperativeLevel(nullptr, DISCL_EXCLUSIVE | DISCL_BACKGROUND), E_HANDLE);
    EXPECT_EQ(dev->SetCooperativeLevel(nullptr, DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DI_OK);
    ASSERT_EQ(dev->SetDataFormat(&c_dfDIJoystick), DI_OK);
    EXPECT_EQ(dev->Acquire(), DI_OK);
    DIJOYSTATE small;
    EXPECT_EQ(dev->GetDeviceState(sizeof(small), &small), DI_OK) << "the older DIJOYSTATE format works too";
    dev->Release();
}

TEST_F(DeviceState, AxesAreScaledToTheProgramsRange) {
    IDirectInputDevice8A *dev = open_device(di_, 1, false);
    set_range(dev, -4096, 4096);
    ASSERT_EQ(dev->Acquire(), DI_OK);
    gsim_device_set_axis(1, DIJOFS_X, 0);
    gsim_device_set_axis(1, DIJOFS_Y, 65535);
    gsim_device_set_axis(1, DIJOFS_RZ, 32767);
    gsim_device_set_axis(1, DIJOFS_SLIDER(0), 32767 + 8 * 100);
    gsim_device_set_axis(1, DIJOFS_SLIDER(1), 70000);
    gsim_device_set_button(1, 3, TRUE);
    gsim_device_set_pov(1, 0, 9000);
    DIJOYSTATE2 s = read(dev);
    EXPECT_EQ(s.lX, -4096);
    EXPECT_EQ(s.lY, 4096);
    EXPECT_EQ(s.lRz, 0);
    EXPECT_EQ(s.rglSlider[0], 100);
    EXPECT_EQ(s.rglSlider[1], 4096) << "out-of-range raw values clamp";
    EXPECT_EQ(s.rgbButtons[3], 0x80);
    EXPECT_EQ(s.rgbButtons[2], 0);
    EXPECT_EQ(s.rgdwPOV[0], 9000u);
    EXPECT_EQ(s.rgdwPOV[1], 0xFFFFFFFFu) << "POVs the device lacks read centred";
    EXPECT_EQ(s.lZ, 0) << "an axis the device lacks reads 0";

    gsim_device_set_axis(1, DIJOFS_X, 12345);
    EXPECT_NE(read(dev).lX, -4096) << "a change made while open is seen at once";
    dev->Release();
}

TEST_F(DeviceState, LogicalRangeEqualToTheProgramsRangeReadsUnchanged) {
    GSIM_DEVICE_DESC d;
    gsim_device_get(1, &d);
    d.objects[0].logical_min = -4096;
    d.objects[0].logical_max = 4096;
    gsim_device_set(1, &d);
    IDirectInputDevice8A *dev = open_device(di_, 1, false);
    set_range(dev, -4096, 4096);
    ASSERT_EQ(dev->Acquire(), DI_OK);
    for (LONG v : {-4096, -4095, -1, 0, 1, 1234, 4096}) {
        gsim_device_set_axis(1, DIJOFS_X, v);
        EXPECT_EQ(read(dev).lX, v);
    }
    dev->Release();
}

TEST_F(DeviceState, DefaultRangeReadsRawValues) {
    IDirectInputDevice8A *dev = open_device(di_, 0);
    for (LONG v : {0, 1, 32767, 40000, 65535}) {
        gsim_device_set_axis(0, DIJOFS_Y, v);
        EXPECT_EQ(read(dev).lY, v);
    }
    dev->Release();
}

TEST_F(DeviceState, UnplugLosesInputUntilReplugAndReacquire) {
    IDirectInputDevice8A *dev = open_device(di_, 0);
    ASSERT_EQ(gsim_device_unplug(0), GSIM_OK);
    DIJOYSTATE2 s;
    EXPECT_EQ(dev->GetDeviceState(sizeof(s), &s), DIERR_INPUTLOST);
    EXPECT_EQ(dev->Poll(), DIERR_INPUTLOST);
    EXPECT_EQ(dev->SendForceFeedbackCommand(DISFFC_RESET), HR(DIERR_NOTEXCLUSIVEACQUIRED));
    EXPECT_EQ(dev->Acquire(), HR(DIERR_UNPLUGGED));
    DIDEVCAPS caps{};
    caps.dwSize = sizeof(caps);
    ASSERT_EQ(dev->GetCapabilities(&caps), DI_OK);
    EXPECT_EQ(caps.dwFlags & DIDC_ATTACHED, 0u);
    gsim_device_replug(0);
    EXPECT_EQ(dev->GetDeviceState(sizeof(s), &s), DIERR_INPUTLOST) << "still lost until acquired again";
    EXPECT_EQ(dev->Acquire(), DI_OK);
    EXPECT_EQ(dev->GetDeviceState(sizeof(s), &s), DI_OK);
    dev->Release();
}

TEST_F(DeviceState, RemovedDeviceBehavesAsUnplugged) {
    IDirectInputDevice8A *dev = open_device(di_, 0);
    ASSERT_EQ(gsim_device_remove(0), GSIM_OK);
    EXPECT_EQ(gsim_device_count(), 2);
    DIJOYSTATE2 s;
    EXPECT_EQ(dev->GetDeviceState(sizeof(s), &s), DIERR_INPUTLOST);
    EXPECT_EQ(dev->Acquire(), HR(DIERR_UNPLUGGED));
    dev->Release();
}

TEST_F(DeviceState, ExclusiveHoldElsewhereRefusesExclusiveAcquire) {
    gsim_device_set_held_elsewhere(0, TRUE);
    IDirectInputDevice8A *dev = open_device(di_, 0, false);
    EXPECT_EQ(dev->Acquire(), DIERR_OTHERAPPHASPRIO);
    ASSERT_EQ(dev->SetCooperativeLevel(test_window(), DISCL_NONEXCLUSIVE | DISCL_BACKGROUND), DI_OK);
    EXPECT_EQ(dev->Acquire(), DI_OK) << "sharing is still allowed";
    dev->Unacquire();
    gsim_device_set_held_elsewhere(0, FALSE);
    ASSERT_EQ(dev->SetCooperativeLevel(test_window(), DISCL_EXCLUSIVE | DISCL_BACKGROUND), DI_OK);
    EXPECT_EQ(dev->Acquire(), DI_OK);

    IDirectInputDevice8A *second = open_device(di_, 0, false);
    EXPECT_EQ(second->Acquire(), DIERR_OTHERAPPHASPRIO) << "one exclusive owner at a time";
    dev->Release();
    EXPECT_EQ(second->Acquire(), DI_OK);
    second->Release();
}

}  // namespace
