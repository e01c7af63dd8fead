#include <atomic>
#include <functional>
#include <random>
#include <thread>
#include <vector>

#include "sim_fixture.h"

using namespace simtest;

// Effect operations on two devices from several threads while another thread
// polls: afterwards the bridge's table and the simulator agree, nothing
// leaked, and every thread read only its own messages.
TEST_F(SimTest, EffectsFromManyThreadsWhileAnotherPolls) {
    const int32_t devices[2] = {open(GSIM_BUILTIN_WHEEL), open(GSIM_BUILTIN_JOYSTICK)};
    std::atomic<bool> stop{false};
    std::atomic<int> poll_failures{0};
    std::thread poller([&] {
        InputReport r;
        while (!stop)
            for (int32_t d : devices)
                if (dib_poll(d, &r) != DIB_OK) ++poll_failures;
    });

    constexpr int kWorkers = 6;
    std::string wrong_message[kWorkers];
    std::thread workers[kWorkers];
    for (int w = 0; w < kWorkers; ++w) {
        workers[w] = std::thread([&, w] {
            std::mt19937 rng(w);
            EffectParams p = no_params();
            p.cond[0].enabled = 1;
            int32_t mine[8] = {};
            for (int i = 0; i < 1500; ++i) {
                int32_t& slot = mine[rng() % 8];
                const int32_t device = devices[rng() % 2];
                if (slot == 0) {
                    const int32_t type = 1 + static_cast<int32_t>(rng() % 11);
                    const int32_t e = dib_effect_create(device, type, &p);
                    if (e > 0) slot = e;
                    else if (type == 2 && last_error() != "unsupported effect type")
                        wrong_message[w] = last_error();
                    continue;
                }
                switch (rng() % 4) {
                    case 0: EXPECT_EQ(dib_effect_update(slot, &p), DIB_OK); break;
                    case 1: EXPECT_EQ(dib_effect_start(slot, 1), DIB_OK); break;
                    case 2: EXPECT_EQ(dib_effect_stop(slot), DIB_OK); break;
                    default:
                        EXPECT_EQ(dib_effect_destroy(slot), DIB_OK);
                        slot = 0;
                }
                // A failure of this thread's own making must read back as its own.
                if (dib_effect_stop(1000 + w) == DIB_E_BADARG && dib_effect_update(-w, &p) == DIB_E_BADARG &&
                    last_error() != "bad effect handle")
                    wrong_message[w] = last_error();
            }
            for (int32_t e : mine)
                if (e) EXPECT_EQ(dib_effect_destroy(e), DIB_OK);
        });
    }
    for (std::thread& t : workers) t.join();
    stop = true;
    poller.join();

    EXPECT_EQ(poll_failures.load(), 0);
    for (int w = 0; w < kWorkers; ++w) EXPECT_EQ(wrong_message[w], "") << "thread " << w;
    EXPECT_EQ(gsim_live_effects(), 0) << "the simulator holds no effect the bridge forgot";
    for (int32_t e = 1; e <= 64; ++e) EXPECT_EQ(dib_effect_stop(e), DIB_E_BADARG) << "entry " << e;
}

namespace {

struct InsideAcquire {
    int32_t device = 0, effect = 0;
    std::vector<int32_t> results;
    std::vector<std::string> messages;
    int32_t poll = 1;
};

// Every locking export, called as a host's window procedure might while
// another call of the same thread waits inside DirectInput.
void CALLBACK call_locking_exports(int, void* context) {
    InsideAcquire& in = *static_cast<InsideAcquire*>(context);
    if (!in.results.empty()) return;
    EffectParams p = no_params();
    const std::function<int32_t()> calls[] = {
        [&] { return dib_open(guid_of(GSIM_BUILTIN_WHEEL).c_str()); },
        [&] { return dib_release(in.device); },
        [&] { return dib_device_reset(in.device); },
        [&] { return dib_set_axis_map(in.device, 1, 0, 0, 0); },
        [&] { return dib_effect_create(in.device, 1, &p); },
        [&] { return dib_effect_update(in.effect, &p); },
        [&] { return dib_effect_start(in.effect, 1); },
        [&] { return dib_effect_stop(in.effect); },
        [&] { return dib_effect_destroy(in.effect); }};
    for (const auto& call : calls) {
        dib_ffb_axes(0);  // "bad device handle", so each message is seen afresh
        in.results.push_back(call());
        in.messages.push_back(last_error());
    }
    InputReport r;
    in.poll = dib_poll(in.device, &r);
}

}  // namespace

// A locking call on the thread that holds the lock is refused at once
// instead of waiting for itself; the outer call and the calls that take no
// lock go on as before.
TEST_F(SimTest, LockingCallInsideAnotherOnTheSameThreadIsRefused) {
    InsideAcquire inside;
    inside.device = open(GSIM_BUILTIN_JOYSTICK);
    EffectParams p = no_params();
    inside.effect = dib_effect_create(inside.device, 1, &p);
    ASSERT_GE(inside.effect, 1) << last_error();
    gsim_set_call_hook(GSIM_M_DEV_ACQUIRE, call_locking_exports, &inside);
    const int32_t wheel = dib_open(guid_of(GSIM_BUILTIN_WHEEL).c_str());
    gsim_set_call_hook(GSIM_M_NONE, nullptr, nullptr);
    EXPECT_GE(wheel, 1) << last_error();
    ASSERT_EQ(inside.results.size(), 9u);
    for (size_t i = 0; i < 9; ++i) {
        EXPECT_EQ(inside.results[i], DIB_E_FAILED) << "export " << i;
        EXPECT_EQ(inside.messages[i], "re-entrant call from a window procedure during another gantrel call");
    }
    EXPECT_EQ(inside.poll, DIB_OK) << "takes no lock";
    EXPECT_EQ(dib_ffb_axes(inside.device), 3) << "the stick is untouched";
    EXPECT_EQ(dib_effect_destroy(inside.effect), DIB_OK) << "the lock is free again";
}
