#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "heap_counter.h"
#include "sim_fixture.h"

using namespace simtest;

// The periodic-loop calls must not touch the heap: counted at the DLL's own
// imports of every allocator, so the simulator's allocations do not count.
TEST_F(SimTest, HotPathsAllocateNothing) {
    ASSERT_TRUE(install_heap_counter(GetModuleHandleA("gantrel.dll")));
    // The counter works: caching a description at open allocates.
    reset_heap_allocations();
    const int32_t device = open(GSIM_BUILTIN_JOYSTICK);  // two actuators
    EXPECT_GT(heap_allocations(), 0);
    EffectParams p = no_params();
    p.cond[0].enabled = p.cond[1].enabled = 1;
    p.use_envelope = 1;
    const int32_t constant = dib_effect_create(device, DIB_EFFECT_CONSTANT, &p);
    const int32_t sine = dib_effect_create(device, DIB_EFFECT_SINE, &p);
    const int32_t spring = dib_effect_create(device, DIB_EFFECT_SPRING, &p);
    ASSERT_GT(spring, 0);

    reset_heap_allocations();
    InputReport report;
    for (int i = 0; i < 500; ++i) {
        p.constant_magnitude = i;
        p.direction_deg = i;
        ASSERT_EQ(dib_poll(device, &report), DIB_OK);
        ASSERT_EQ(dib_effect_update(constant, &p), DIB_OK);
        ASSERT_EQ(dib_effect_update(sine, &p), DIB_OK);
        ASSERT_EQ(dib_effect_update(spring, &p), DIB_OK);
        ASSERT_EQ(dib_effect_start(sine, 1), DIB_OK);
        ASSERT_EQ(dib_effect_stop(sine), DIB_OK);
    }
    // Failure paths of the loop calls write their message without allocating too.
    gsim_fail_next(GSIM_M_DEV_GETDEVICESTATE, E_FAIL, 1);
    EXPECT_EQ(dib_poll(device, &report), DIB_E_INPUT);
    gsim_fail_next(GSIM_M_EFF_SETPARAMETERS, E_FAIL, 1);
    EXPECT_EQ(dib_effect_update(constant, &p), DIB_E_FAILED);
    EXPECT_EQ(heap_allocations(), 0);
}

namespace {

constexpr DWORD kBoundMs = 5000;

struct BoundedCall {
    std::function<void()> call;
    volatile LONG returned = 0;
};

DWORD WINAPI run_bounded(LPVOID context) {
    auto* bounded = static_cast<BoundedCall*>(context);
    bounded->call();
    InterlockedExchange(&bounded->returned, 1);
    return 0;
}

// Runs `call` on a thread of its own. A call still running after the bound
// holds whatever locks it took and would hang every later test, so the
// program ends right there, with the failure printed.
void within_bound(const std::string& what, std::function<void()> call) {
    auto* bounded = new BoundedCall{std::move(call)};
    HANDLE thread = CreateThread(nullptr, 0, run_bounded, bounded, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    const DWORD waited = WaitForSingleObject(thread, kBoundMs);
    CloseHandle(thread);
    if (waited != WAIT_OBJECT_0) {
        ADD_FAILURE() << what << ": no result within " << kBoundMs << " ms";
        std::fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 3);
    }
    EXPECT_EQ(bounded->returned, 1) << what << ": the thread ended without a result";
    delete bounded;
}

// Four plain force-feedback devices; each scenario opens some of them.
class OutOfMemory : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        ASSERT_TRUE(install_heap_counter(GetModuleHandleA("gantrel.dll")));
        ASSERT_EQ(gsim_reset(GSIM_RESET_EMPTY), 0);
        for (DWORD d = 0; d < 4; ++d) {
            const GSIM_DEVICE_DESC desc = plain_ff_device(0x0E0E0000u + d, "Stick");
            ASSERT_EQ(gsim_device_add(&desc), static_cast<int>(d));
            guids_[d] = guid_of(static_cast<int>(d));
        }
        // The hidden window lives as long as the thread that made it: make it
        // here, not on a bounded call's short-lived thread.
        ASSERT_EQ(dib_release(open(0)), DIB_OK);
    }

    void TearDown() override {
        fail_allocations(0, false);
        SimTest::TearDown();
    }

    using Check = std::function<void(int32_t result, const std::string& message, bool failed)>;

    // Fails allocation n of `call` alone, then n and every one after it, for
    // every n up to the first that the call no longer reaches. `prepare`
    // sets the bridge up with memory to spare; `check` judges the result and
    // message the calling thread got, and whether an allocation failed.
    // After each point memory returns: a device that `prepare` left closed
    // opens, gets an effect, is listed and released from another thread, and
    // `undo` leaves no simulated object behind. Returns how many allocations
    // the call makes when none fails.
    long sweep(const char* what, int spare, const std::function<void()>& prepare,
               const std::function<int32_t()>& call, const Check& check, const std::function<void()>& undo) {
        long made = 0;
        for (const bool and_after : {false, true}) {
            for (long n = 1;; ++n) {
                const std::string point =
                    std::string(what) + " with allocation " + std::to_string(n) + (and_after ? " on" : "") + " failing";
                SCOPED_TRACE(point);
                prepare();
                int32_t result = 0;
                std::string message;
                reset_heap_allocations();
                fail_allocations(n, and_after);
                within_bound(point, [&] {
                    result = call();
                    message = last_error();  // this thread's own, empty before the call
                });
                fail_allocations(0, false);
                const bool failed = heap_allocations() >= n;
                if (!and_after && !failed) made = n - 1;
                check(result, message, failed);
                others_complete(point, spare);
                undo();
                EXPECT_EQ(gsim_live_devices(), 0);
                EXPECT_EQ(gsim_live_effects(), 0);
                EXPECT_EQ(gsim_over_releases(), 0);
                if (!failed || HasFailure()) break;
            }
        }
        return made;
    }

    void others_complete(const std::string& point, int spare) {
        int32_t device = 0, effect = 0, listed = 0, released = 0;
        std::string message;
        const std::string guid = guids_[spare];
        gsim_device_replug(spare);
        within_bound(point + ", then open, effect create, enumerate and release on another thread", [&] {
            device = dib_open(guid.c_str());
            if (device < 0) message = last_error();
            EffectParams p = no_params();
            effect = dib_effect_create(device, DIB_EFFECT_CONSTANT, &p);
            char list[8192];
            listed = dib_enumerate(list, sizeof list);
            released = dib_release(device);
        });
        EXPECT_GT(device, 0) << message;
        EXPECT_GT(effect, 0);
        EXPECT_GT(listed, 2);
        EXPECT_EQ(released, DIB_OK);
        if (spare_unplugged_) gsim_device_unplug(spare);
    }

    // The first `open` devices open, the next `closed` attached, the rest
    // unplugged. Returns the allocations the call makes.
    long sweep_enumerate(const char* what, int open, int closed) {
        for (int d = 0; d < 4; ++d) d < open + closed ? gsim_device_replug(d) : gsim_device_unplug(d);
        spare_unplugged_ = closed == 0;
        std::vector<int32_t> handles;
        const auto prepare = [&] {
            for (int d = 0; d < open; ++d) handles.push_back(dib_open(guids_[d].c_str()));
        };
        const auto undo = [&] {
            for (int32_t h : handles) EXPECT_EQ(dib_release(h), DIB_OK);
            handles.clear();
        };
        prepare();
        char reference[8192];
        EXPECT_GT(dib_enumerate(reference, sizeof reference), 2);
        undo();
        std::string buffer;
        return sweep(what, closed ? open : 3, prepare,
              [&] {
                  buffer.assign(8192, 'x');
                  return dib_enumerate(&buffer[0], static_cast<int32_t>(buffer.size()));
              },
              [&](int32_t result, const std::string& message, bool failed) {
                  if (result >= 0 || !failed) {
                      ASSERT_EQ(result, static_cast<int32_t>(std::strlen(reference))) << message;
                      EXPECT_EQ(buffer.c_str(), std::string(reference));
                      return;
                  }
                  EXPECT_EQ(result, DIB_E_FAILED);
                  EXPECT_EQ(message, "out of memory");
                  EXPECT_EQ(buffer, std::string(8192, 'x')) << "the buffer is left alone";
              },
              undo);
    }

    std::string guids_[4];
    bool spare_unplugged_ = false;
};

}  // namespace

// A list of a few usual descriptions is built without the heap.
TEST_F(OutOfMemory, EnumerateClosedDevices) {
    EXPECT_EQ(sweep_enumerate("dib_enumerate of one closed device", 0, 1), 0);
    EXPECT_EQ(sweep_enumerate("dib_enumerate of three closed devices", 0, 3), 0);
}

TEST_F(OutOfMemory, EnumerateOpenDevices) {
    EXPECT_EQ(sweep_enumerate("dib_enumerate of one open device", 1, 0), 0);
    EXPECT_EQ(sweep_enumerate("dib_enumerate of two open devices and a closed one", 2, 1), 0);
    EXPECT_EQ(sweep_enumerate("dib_enumerate of one open device and two closed ones", 1, 2), 0);
}

// Lists longer than any first guess: names of escaped quotes, every effect slot used.
TEST_F(OutOfMemory, EnumerateTheLongestDescriptions) {
    for (int d = 0; d < 4; ++d) {
        GSIM_DEVICE_DESC desc = {};
        desc.size = sizeof desc;
        ASSERT_EQ(gsim_device_get(d, &desc), GSIM_OK);
        std::memset(desc.product_name, '"', MAX_PATH - 1);
        desc.product_name[MAX_PATH - 1] = '\0';
        desc.num_effects = GSIM_MAX_DEVICE_EFFECTS;
        for (GUID& effect : desc.effects) effect = GUID_SawtoothDown;
        desc.effects[0] = GUID_ConstantForce;  // what the other thread creates
        ASSERT_EQ(gsim_device_set(d, &desc), GSIM_OK);
    }
    const long closed = sweep_enumerate("dib_enumerate of four long descriptions", 0, 4);
    EXPECT_GE(closed, 1) << "the list outgrew its first block";
    EXPECT_LE(closed, 4) << "at most one allocation per device";
    const long mixed = sweep_enumerate("dib_enumerate of two open and two closed long descriptions", 2, 2);
    EXPECT_GE(mixed, 1);
    EXPECT_LE(mixed, 4);
}

// Opening never fails for memory: without its description the device opens
// all the same, and enumeration leaves it out.
TEST_F(OutOfMemory, OpenAndQuery) {
    int32_t handle = 0;
    const long made = sweep("dib_open", 1, [] {}, [&] { return handle = dib_open(guids_[0].c_str()); },
          [&](int32_t result, const std::string& message, bool failed) {
              ASSERT_GT(result, 0) << message;
              EXPECT_EQ(dib_ffb_axes(result), 3);
              EXPECT_EQ(dib_autocenter_state(result), 15);
              char list[8192];
              ASSERT_GT(dib_enumerate(list, sizeof list), 2);
              if (!failed) EXPECT_NE(std::string(list).find(guids_[0]), std::string::npos);
          },
          [&] { EXPECT_EQ(dib_release(handle), DIB_OK); });
    EXPECT_EQ(made, 1) << "the cached description";

    const auto expect_mask = [](int32_t result, const std::string& message, bool) { EXPECT_EQ(result, 3) << message; };
    EXPECT_EQ(sweep("dib_query_ffb_axes of a closed device", 1, [] {}, [&] { return dib_query_ffb_axes(guids_[0].c_str()); },
          expect_mask, [] {}), 0);
    EXPECT_EQ(sweep("dib_query_ffb_axes of an open device", 1, [&] { handle = dib_open(guids_[0].c_str()); },
                    [&] { return dib_query_ffb_axes(guids_[0].c_str()); }, expect_mask,
                    [&] { EXPECT_EQ(dib_release(handle), DIB_OK); }),
              0);
}

TEST_F(OutOfMemory, EffectCallsAndPolling) {
    int32_t device = 0;
    int32_t results[6] = {};
    const long made = sweep("the effect calls and dib_poll", 1, [&] { device = dib_open(guids_[0].c_str()); },
          [&] {
              EffectParams p = no_params();
              p.use_envelope = 1;
              InputReport report;
              const int32_t effect = results[0] = dib_effect_create(device, DIB_EFFECT_SINE, &p);
              results[1] = dib_effect_update(effect, &p);
              results[2] = dib_effect_start(effect, 1);
              results[3] = dib_poll(device, &report);
              results[4] = dib_effect_stop(effect);
              results[5] = dib_effect_destroy(effect);
              return results[0];
          },
          [&](int32_t result, const std::string& message, bool) {
              EXPECT_EQ(result, 1) << message;
              for (int i = 1; i < 6; ++i) EXPECT_EQ(results[i], DIB_OK) << "call " << i << ": " << message;
          },
          [&] { EXPECT_EQ(dib_release(device), DIB_OK); });
    EXPECT_EQ(made, 0);
}
