// A whole host session as a program would run it, checked through the
// control interface; and the simulator under calls from several threads.
#include "sim_support.h"

#include <atomic>
#include <thread>

using namespace simtest;

namespace {

class HostSession : public SimTest {};

TEST_F(HostSession, EnumerateOpenReadAndDriveAnEffect) {
    std::vector<GUID> found;
    auto cb = [](LPCDIDEVICEINSTANCEA inst, LPVOID p) CALLBACK -> BOOL {
        static_cast<std::vector<GUID> *>(p)->push_back(inst->guidInstance);
        return DIENUM_CONTINUE;
    };
    ASSERT_EQ(di_->EnumDevices(DI8DEVCLASS_GAMECTRL, cb, &found, DIEDFL_ATTACHEDONLY), DI_OK);
    ASSERT_EQ(found.size(), 3u);

    IDirectInputDevice8A *wheel = nullptr;
    ASSERT_EQ(di_->CreateDevice(found[0], &wheel, nullptr), DI_OK);
    ASSERT_EQ(wheel->SetDataFormat(&c_dfDIJoystick2), DI_OK);
    ASSERT_EQ(wheel->SetCooperativeLevel(test_window(), DISCL_EXCLUSIVE | DISCL_BACKGROUND), DI_OK);
    DIPROPRANGE r{};
    r.diph = {sizeof(r), sizeof(DIPROPHEADER), 0, DIPH_DEVICE};
    r.lMin = -4096;
    r.lMax = 4096;
    ASSERT_EQ(wheel->SetProperty(DIPROP_RANGE, &r.diph), DI_OK);
    ASSERT_EQ(wheel->Acquire(), DI_OK);

    gsim_device_set_axis(gsim_device_find(&found[0]), DIJOFS_X, 65535);
    ASSERT_EQ(wheel->Poll(), DI_OK);
    DIJOYSTATE2 s{};
    ASSERT_EQ(wheel->GetDeviceState(sizeof(s), &s), DI_OK);
    EXPECT_EQ(s.lX, 4096);

    ConstantEffect c;
    IDirectInputEffect *e = nullptr;
    ASSERT_EQ(wheel->CreateEffect(GUID_ConstantForce, &c.eff, &e, nullptr), DI_OK);
    c.force.lMagnitude = -2500;
    ASSERT_EQ(e->SetParameters(&c.eff, DIEP_TYPESPECIFICPARAMS | DIEP_NORESTART), DI_OK);
    ASSERT_EQ(e->Start(1, 0), DI_OK);
    ASSERT_EQ(e->Stop(), DI_OK);
    EXPECT_EQ(e->Release(), 0u);
    EXPECT_EQ(wheel->Unacquire(), DI_OK);
    EXPECT_EQ(wheel->Release(), 0u);

    // What the device saw, in order, with its arguments.
    const int expected[] = {GSIM_M_DI_ENUMDEVICES, GSIM_M_DI_CREATEDEVICE, GSIM_M_DEV_SETDATAFORMAT,
                            GSIM_M_DEV_SETCOOPERATIVELEVEL, GSIM_M_DEV_SETPROPERTY, GSIM_M_DEV_ACQUIRE,
                            GSIM_M_DEV_POLL, GSIM_M_DEV_GETDEVICESTATE, GSIM_M_DEV_CREATEEFFECT,
                            GSIM_M_EFF_SETPARAMETERS, GSIM_M_EFF_START, GSIM_M_EFF_STOP, GSIM_M_EFF_RELEASE,
                            GSIM_M_DEV_UNACQUIRE, GSIM_M_DEV_RELEASE};
    ASSERT_EQ(gsim_log_count(), static_cast<int>(sizeof(expected) / sizeof(expected[0])));
    for (int i = 0; i < gsim_log_count(); i++) {
        GSIM_CALL call;
        gsim_log_get(i, &call);
        EXPECT_EQ(call.method, expected[i]) << i << ": " << gsim_method_name(call.method);
        EXPECT_GE(call.result, 0) << gsim_method_name(call.method);
    }
    GSIM_CALL update = last_call(GSIM_M_EFF_SETPARAMETERS);
    LONG magnitude;
    memcpy(&magnitude, update.params.type_specific, sizeof(magnitude));
    EXPECT_EQ(magnitude, -2500);
    EXPECT_EQ(last_call(GSIM_M_DEV_SETPROPERTY).prop_header.dwHow, static_cast<DWORD>(DIPH_DEVICE));
    EXPECT_EQ(gsim_live_devices(), 0);
    EXPECT_EQ(gsim_live_effects(), 0);
}

TEST_F(HostSession, ManyThreadsKeepTheBooksStraight) {
    IDirectInputDevice8A *devs[2] = {open_device(di_, 0), open_device(di_, 1)};
    const int kRounds = 200;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; t++) {
        threads.emplace_back([&, t] {
            IDirectInputDevice8A *dev = devs[t % 2];
            for (int i = 0; i < kRounds; i++) {
                ConstantEffect c;
                IDirectInputEffect *e = nullptr;
                if (dev->CreateEffect(GUID_ConstantForce, &c.eff, &e, nullptr) != DI_OK) {
                    failures++;
                    continue;
                }
                c.force.lMagnitude = i;
                if (e->SetParameters(&c.eff, DIEP_TYPESPECIFICPARAMS) != DI_OK) failures++;
                if (e->Start(1, 0) != DI_OK) failures++;
                if (e->Stop() != DI_OK) failures++;
                e->Release();
            }
        });
    }
    threads.emplace_back([&] {
        for (int i = 0; i < kRounds * 4; i++) {
            DIJOYSTATE2 s;
            if (devs[i % 2]->GetDeviceState(sizeof(s), &s) != DI_OK) failures++;
        }
    });
    for (auto &th : threads) th.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(gsim_live_effects(), 0);
    EXPECT_EQ(gsim_log_count_method(GSIM_M_EFF_START), 4 * kRounds);
    GSIM_DEVICE_STATUS st{};
    st.size = sizeof(st);
    gsim_device_status(1, &st);
    EXPECT_EQ(st.downloaded_effects, 0);
    devs[0]->Release();
    devs[1]->Release();
}

}  // namespace
