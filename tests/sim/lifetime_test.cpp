// Reference counting: every object counted, and mistakes counted rather
// than crashing.
#include "sim_support.h"

using namespace simtest;

namespace {

class Lifetime : public SimTest {};

TEST_F(Lifetime, RefcountsFollowAddRefQueryInterfaceAndRelease) {
    IDirectInputDevice8A *dev = open_device(di_, 0);
    DWORD id = last_call(GSIM_M_DI_CREATEDEVICE).created;
    ASSERT_NE(id, 0u);
    EXPECT_EQ(gsim_refcount(id), 1);
    EXPECT_EQ(dev->AddRef(), 2u);
    IUnknown *unk = nullptr;
    ASSERT_EQ(dev->QueryInterface(IID_IUnknown, reinterpret_cast<void **>(&unk)), S_OK);
    EXPECT_EQ(gsim_refcount(id), 3);
    EXPECT_EQ(gsim_device_refcount(0), 3);
    void *none = reinterpret_cast<void *>(1);
    EXPECT_EQ(dev->QueryInterface(IID_IDirectInputDevice8W, &none), E_NOINTERFACE);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(unk->Release(), 2u);
    EXPECT_EQ(dev->Release(), 1u);
    EXPECT_EQ(gsim_live_devices(), 1);
    EXPECT_EQ(dev->Release(), 0u);
    EXPECT_EQ(gsim_refcount(id), 0);
    EXPECT_EQ(gsim_live_devices(), 0);
    EXPECT_EQ(gsim_created_objects(GSIM_KIND_DEVICE) - gsim_destroyed_objects(GSIM_KIND_DEVICE), 0);
    EXPECT_EQ(gsim_refcount(0xFFFFFF), GSIM_E_NOOBJECT);
    auto releases = calls_of(GSIM_M_DEV_RELEASE);
    ASSERT_EQ(releases.size(), 3u);
    EXPECT_EQ(releases.back().result, 0);
}

TEST_F(Lifetime, OverReleaseAndDeadCallsAreCountedNotFatal) {
    IDirectInputDevice8A *dev = open_device(di_, 1);
    ConstantEffect c;
    IDirectInputEffect *e = nullptr;
    ASSERT_EQ(dev->CreateEffect(GUID_ConstantForce, &c.eff, &e, nullptr), DI_OK);
    EXPECT_EQ(e->Release(), 0u);
    EXPECT_EQ(e->Release(), 0u);
    EXPECT_EQ(e->Start(1, 0), E_FAIL);
    EXPECT_EQ(dev->Release(), 0u);
    EXPECT_EQ(dev->Release(), 0u);
    EXPECT_EQ(gsim_over_releases(), 2);
    EXPECT_EQ(gsim_dead_calls(), 1);
    gsim_reset(GSIM_RESET_BUILTIN);  // clears the counters for the fixture's final check
    EXPECT_EQ(gsim_over_releases(), 0);
}

struct InsideRelease {
    IDirectInputDevice8A *dev;
    int runs = 0;
    HRESULT poll = E_FAIL;
    ULONG addref = 99, release = 99;
};

// A hook set for Release runs after the count dropped. On a last Release
// the device is unacquired by then and dying: calling it back is counted,
// and its count cannot go through zero twice.
TEST_F(Lifetime, ReleaseHookRunsWhereALastReleaseWaits) {
    InsideRelease in{open_device(di_, 0)};
    in.dev->AddRef();
    gsim_set_call_hook(
        GSIM_M_DEV_RELEASE,
        [](int, void *context) CALLBACK {
            auto &in = *static_cast<InsideRelease *>(context);
            in.poll = in.dev->Poll();
            if (++in.runs < 2) return;
            in.addref = in.dev->AddRef();
            in.release = in.dev->Release();
        },
        &in);
    EXPECT_EQ(in.dev->Release(), 1u);
    EXPECT_TRUE(SUCCEEDED(in.poll)) << "still acquired and counted";
    EXPECT_EQ(gsim_dead_calls(), 0);
    EXPECT_EQ(in.dev->Release(), 0u);
    EXPECT_EQ(in.runs, 2);
    EXPECT_EQ(in.poll, HR(DIERR_NOTACQUIRED)) << "unacquired before the wait";
    EXPECT_EQ(in.addref, 0u);
    EXPECT_EQ(in.release, 0u);
    EXPECT_EQ(gsim_dead_calls(), 2) << "Poll and AddRef of the dying device";
    EXPECT_EQ(gsim_over_releases(), 1);
    EXPECT_EQ(gsim_refcount(last_call(GSIM_M_DI_CREATEDEVICE).created), 0);

    IDirectInputDevice8A *dev = open_device(di_, 0);
    gsim_set_call_hook(GSIM_M_NONE, [](int, void *runs) CALLBACK { ++*static_cast<int *>(runs); }, &in.runs);
    dev->AddRef();
    dev->Release();
    EXPECT_EQ(in.runs, 2) << "a hook for every method stays out of AddRef and Release";
    dev->Release();
    gsim_reset(GSIM_RESET_BUILTIN);  // clears the counters for the fixture's final check
}

TEST_F(Lifetime, DirectInputObjectCountsAndDevicesOutliveIt) {
    IDirectInput8A *other = create_dinput();
    EXPECT_EQ(gsim_live_dinputs(), 2);
    IDirectInputDevice8A *dev = open_device(other, 0);
    EXPECT_EQ(other->Release(), 0u);
    EXPECT_EQ(gsim_live_dinputs(), 1);
    EXPECT_EQ(dev->Poll(), DI_OK);
    dev->Release();
}

}  // namespace
