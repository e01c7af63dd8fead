// Which devices EnumDevices lists, in which order, and what CreateDevice
// accepts.
#include "sim_support.h"

#include <cstring>

using namespace simtest;

namespace {

std::vector<DIDEVICEINSTANCEA> enumerate(IDirectInput8A *di, DWORD type, DWORD flags, size_t stop_after = 0) {
    struct Ctx {
        std::vector<DIDEVICEINSTANCEA> seen;
        size_t stop_after;
    } ctx{{}, stop_after};
    auto cb = [](LPCDIDEVICEINSTANCEA inst, LPVOID p) CALLBACK -> BOOL {
        auto *c = static_cast<Ctx *>(p);
        c->seen.push_back(*inst);
        return c->seen.size() == c->stop_after ? DIENUM_STOP : DIENUM_CONTINUE;
    };
    EXPECT_EQ(di->EnumDevices(type, cb, &ctx, flags), DI_OK);
    return ctx.seen;
}

class Enumeration : public SimTest {};

TEST_F(Enumeration, DefaultSetIsWheelJoystickGamepadInOrder) {
    auto all = enumerate(di_, DI8DEVCLASS_GAMECTRL, DIEDFL_ATTACHEDONLY);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(GET_DIDEVICE_TYPE(all[0].dwDevType), DI8DEVTYPE_DRIVING);
    EXPECT_EQ(GET_DIDEVICE_TYPE(all[1].dwDevType), DI8DEVTYPE_JOYSTICK);
    EXPECT_EQ(GET_DIDEVICE_TYPE(all[2].dwDevType), DI8DEVTYPE_GAMEPAD);
    for (const auto &d : all) {
        EXPECT_EQ(d.dwSize, sizeof(DIDEVICEINSTANCEA));
        EXPECT_STREQ(d.tszInstanceName, d.tszProductName);
        // DirectInput's "PIDVID" product GUID: Data1 = MAKELONG(vid, pid).
        EXPECT_EQ(LOWORD(d.guidProduct.Data1), 0x1209);
        EXPECT_EQ(std::memcmp(d.guidProduct.Data4, "\0\0PIDVID", 8), 0);
        EXPECT_EQ(d.guidProduct.Data2, 0);
        EXPECT_EQ(d.guidProduct.Data3, 0);
    }
    EXPECT_NE(all[0].guidInstance.Data1, all[1].guidInstance.Data1);
}

TEST_F(Enumeration, FiltersByAttachmentForceFeedbackAndType) {
    GSIM_DEVICE_DESC desc;
    gsim_builtin_desc(GSIM_BUILTIN_JOYSTICK, &desc);
    desc.attached = FALSE;
    desc.instance_guid.Data1 = 0x77;
    ASSERT_EQ(gsim_device_add(&desc), 3);

    EXPECT_EQ(enumerate(di_, DI8DEVCLASS_GAMECTRL, DIEDFL_ATTACHEDONLY).size(), 3u);
    auto everything = enumerate(di_, DI8DEVCLASS_ALL, DIEDFL_ALLDEVICES);
    ASSERT_EQ(everything.size(), 4u);
    EXPECT_EQ(everything[3].guidInstance.Data1, 0x77u);
    EXPECT_EQ(enumerate(di_, DI8DEVCLASS_GAMECTRL, DIEDFL_FORCEFEEDBACK | DIEDFL_ATTACHEDONLY).size(), 2u);
    EXPECT_EQ(enumerate(di_, DI8DEVTYPE_GAMEPAD, DIEDFL_ALLDEVICES).size(), 1u);
    EXPECT_EQ(enumerate(di_, DI8DEVCLASS_KEYBOARD, DIEDFL_ALLDEVICES).size(), 0u);
    EXPECT_EQ(enumerate(di_, DI8DEVCLASS_GAMECTRL, DIEDFL_ALLDEVICES, 1).size(), 1u) << "DIENUM_STOP must stop";
}

TEST_F(Enumeration, RejectsBadArguments) {
    auto cb = [](LPCDIDEVICEINSTANCEA, LPVOID) CALLBACK -> BOOL { return DIENUM_CONTINUE; };
    EXPECT_EQ(di_->EnumDevices(DI8DEVCLASS_GAMECTRL, nullptr, nullptr, 0), DIERR_INVALIDPARAM);
    EXPECT_EQ(di_->EnumDevices(DI8DEVCLASS_GAMECTRL, cb, nullptr, 0x8), DIERR_INVALIDPARAM);
    EXPECT_EQ(di_->EnumDevices(7, cb, nullptr, 0), DIERR_INVALIDPARAM);
}

TEST_F(Enumeration, CreateDeviceKnowsOnlyAttachedDevices) {
    IDirectInputDevice8A *dev = reinterpret_cast<IDirectInputDevice8A *>(1);
    GUID unknown = {0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    EXPECT_EQ(di_->CreateDevice(unknown, &dev, nullptr), DIERR_DEVICENOTREG);
    EXPECT_EQ(dev, nullptr);
    EXPECT_EQ(di_->CreateDevice(GUID_SysMouse, &dev, nullptr), DIERR_DEVICENOTREG);

    GSIM_DEVICE_DESC wheel;
    gsim_device_get(0, &wheel);
    EXPECT_EQ(di_->CreateDevice(wheel.instance_guid, nullptr, nullptr), E_POINTER);
    gsim_device_unplug(0);
    EXPECT_EQ(di_->CreateDevice(wheel.instance_guid, &dev, nullptr), DIERR_DEVICENOTREG);
    EXPECT_EQ(di_->GetDeviceStatus(wheel.instance_guid), DI_NOTATTACHED);
    gsim_device_replug(0);
    EXPECT_EQ(di_->GetDeviceStatus(wheel.instance_guid), DI_OK);
    ASSERT_EQ(di_->CreateDevice(wheel.instance_guid, &dev, nullptr), DI_OK);
    dev->Release();
}

TEST(DirectInput8Create, ChecksVersionInterfaceAndOutPointer) {
    gsim_reset(GSIM_RESET_BUILTIN);
    void *out = reinterpret_cast<void *>(1);
    HINSTANCE self = GetModuleHandleA(nullptr);
    EXPECT_EQ(DirectInput8Create(self, 0x0700, IID_IDirectInput8A, &out, nullptr), DIERR_BETADIRECTINPUTVERSION);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(DirectInput8Create(self, 0x0900, IID_IDirectInput8A, &out, nullptr), DIERR_OLDDIRECTINPUTVERSION);
    EXPECT_EQ(DirectInput8Create(nullptr, 0x0800, IID_IDirectInput8A, &out, nullptr), DIERR_INVALIDPARAM);
    EXPECT_EQ(DirectInput8Create(self, 0x0800, IID_IDirectInputDevice8A, &out, nullptr), DIERR_NOINTERFACE);
    EXPECT_EQ(DirectInput8Create(self, 0x0800, IID_IDirectInput8A, nullptr, nullptr), E_POINTER);
    EXPECT_EQ(gsim_live_dinputs(), 0);
}

}  // namespace
