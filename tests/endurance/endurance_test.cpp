// Hours of use in seconds: thousands of open/release cycles over every slot,
// tens of thousands of effect operations from several threads, with input
// loss and DirectInput failures injected throughout. Every result and message
// must match the model of the documented behaviour; afterwards the tables
// are as after loading, every simulated object was released exactly once,
// and private memory grew no more than the simulator itself keeps.
#include <cctype>
#include <climits>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "bridge_model.h"
#include "private_memory.h"
#include "random_driver.h"
#include "sim_fixture.h"

using namespace endurance;

namespace {

// Capacities small enough that devices run out of effect slots now and then;
// two devices lack most effect types.
const DeviceProfile kSpecs[kDevices] = {{12, true}, {12, true}, {6, true},  {12, false}, {24, true},
                                     {12, true}, {6, false}, {12, true}, {24, true},  {12, true}};

// What the bridge's stretches of a measured run may gain beyond their
// shadows' (see MemoryLedger). Heap bytes in use are counted block by block;
// resident private pages move in coarse steps past their high-water mark,
// so that bound is looser.
constexpr double kHeapSlack = 128 << 10;
double private_slack(double shadow) { return (4 << 20) + 0.1 * shadow; }
// Where the ledger makes its shadow objects: not a game controller, so the
// bridge never lists or opens it.
constexpr int kShadowDevice = kDevices;

class Endurance : public simtest::SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        gsim_log_enable(FALSE);  // the log keeps 64k entries: it would swamp the memory figures
    }
    void TearDown() override {
        gsim_log_enable(TRUE);
        SimTest::TearDown();
    }

    // A fresh device set: attached, not held elsewhere, auto-centre on.
    void load_devices() {
        ASSERT_EQ(gsim_reset(GSIM_RESET_EMPTY), 0);
        for (int d = 0; d < kDevices; ++d) {
            GSIM_DEVICE_DESC desc = simtest::plain_ff_device(0xE0D00000u + d, "Endurance Stick");
            desc.effect_capacity = kSpecs[d].capacity;
            if (!kSpecs[d].all_effects) {
                desc.effects[0] = GUID_ConstantForce;
                desc.effects[1] = GUID_Sine;
                desc.effects[2] = GUID_Spring;
                desc.num_effects = 3;
            }
            ASSERT_EQ(gsim_device_add(&desc), d);
            guids_[d] = simtest::guid_of(d);
        }
        GSIM_DEVICE_DESC shadow = simtest::plain_ff_device(0xE0DFFFFFu, "Shadow");
        shadow.dev_type = DI8DEVTYPE_DEVICE;
        ASSERT_EQ(gsim_device_add(&shadow), kShadowDevice);
    }

    // Everything plugged back and released, each release checked too.
    void settle(RandomDriver& driver, BridgeModel& model) {
        for (int d = 0; d < kDevices; ++d) {
            model.replug(d);
            gsim_device_replug(d);
            model.hold_elsewhere(d, false);
            gsim_device_set_held_elsewhere(d, FALSE);
        }
        for (int32_t h = 1; h <= kSlots; ++h) driver.release(h);
        EXPECT_FALSE(model.any_open());
    }

    void expect_clean(const RandomDriver& driver) {
        EXPECT_EQ(driver.mismatches(), 0) << notes(driver);
    }

    static std::string notes(const RandomDriver& driver) {
        std::string all;
        for (const std::string& n : driver.notes()) all += "\n  " + n;
        return all;
    }

    // The tables read as right after loading: no handle valid, and the next
    // open and create take handle 1.
    void expect_default_state() {
        InputReport report;
        for (int32_t h = 1; h <= kSlots; ++h) {
            EXPECT_EQ(dib_autocenter_state(h), DIB_E_BADARG) << "device " << h;
            EXPECT_EQ(dib_poll(h, &report), DIB_E_BADARG) << "device " << h;
        }
        for (int32_t e = 1; e <= kEntries; ++e) EXPECT_EQ(dib_effect_stop(e), DIB_E_BADARG) << "effect " << e;
        EXPECT_EQ(gsim_live_devices(), 0);
        EXPECT_EQ(gsim_live_effects(), 0);
        EXPECT_EQ(gsim_over_releases(), 0);
        EXPECT_EQ(gsim_dead_calls(), 0);
        const int32_t device = dib_open(guids_[0].c_str());
        EXPECT_EQ(device, 1);
        EffectParams p = simtest::no_params();
        const int32_t effect = dib_effect_create(device, DIB_EFFECT_CONSTANT, &p);
        EXPECT_EQ(effect, 1);
        EXPECT_EQ(dib_effect_destroy(effect), DIB_OK);
        EXPECT_EQ(dib_release(device), DIB_OK);
    }

    MemoryFigures effect_threads(unsigned seed, int workers, int operations, int room, int& effect_ops);

    std::string guids_[kDevices];
};

// `threads`: worker threads the bridge's stretch started. The coarse private
// figure keeps what each thread touched at its high-water mark: its stack
// and, under Wine, the Unix side's per-thread memory too (kernel stack,
// allocator arenas), which grows with contention: 32-bit Wine 8 on a busy
// two-core machine was seen at 1.2 to 1.3 MiB a thread. Leaks from the
// heap are caught block by block by the heap figure.
void expect_flat_memory(const MemoryFigures& memory, int threads = 0) {
    EXPECT_TRUE(memory.counts_match) << "the bridge made other simulated objects than the model expected";
    std::printf("while the bridge ran: heap in use %+.0f KB, private %+.0f KB; "
                "for as many objects made directly: heap %+.0f KB, private %+.0f KB\n",
                memory.bridge_heap / 1024, memory.bridge_private / 1024, memory.shadow_heap / 1024,
                memory.shadow_private / 1024);
    EXPECT_LE(memory.bridge_heap, memory.shadow_heap + kHeapSlack);
    EXPECT_LE(memory.bridge_private,
              memory.shadow_private + private_slack(memory.shadow_private) + threads * double(2 << 20));
}

// One thread: opens and releases over all slots (and more devices than
// slots), with effects, polls, resets, unplugging, other applications and
// enumeration in between. Phases that fill the tables alternate with phases
// that empty them.
void open_release_cycles(RandomDriver& d, BridgeModel& model, int first, int operations) {
    for (int i = first; i < first + operations; ++i) {
        const bool filling = (i / 400) % 2 == 0;
        const int device = d.below(kDevices);
        const int32_t handle = d.any_device_handle();
        const int32_t effect = d.any_effect_handle();
        const int r = d.below(104);
        if (r < 24) d.open(device);
        else if (r < (filling ? 30 : 42)) d.release(handle);
        else if (r < 48) d.poll(handle);
        else if (r < (filling ? 64 : 56)) d.create(handle);
        else if (r < 68) d.update(effect);
        else if (r < 73) d.start(effect);
        else if (r < 76) d.stop(effect);
        else if (r < (filling ? 78 : 86)) d.destroy(effect);
        else if (r < 88) d.reset(handle);
        else if (r < 90) d.set_axis_map(handle);
        else if (r < 91) {
            model.unplug(device);
            gsim_device_unplug(device);
        } else if (r < 94) {
            model.replug(device);
            gsim_device_replug(device);
        } else if (r < 97) {
            const bool held = d.below(3) == 0;
            model.hold_elsewhere(device, held);
            gsim_device_set_held_elsewhere(device, held);
        } else if (r < 99) {
            d.enumerate();
        } else if (r < 100) {
            d.open_malformed(d.below(2) == 0);
        } else {
            static const int kEveryDevice[kDevices] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
            d.hostile(true, kEveryDevice, kDevices);
        }
    }
}

// One worker: effects on its own two devices (so its injected faults and
// its unplugging touch no other thread's calls), polls, resets, and
// operations on handles that are never valid.
void effect_worker(RandomDriver& d, BridgeModel& model, int32_t first_device, int devices, int operations,
                   size_t most_held) {
    struct Held {
        int32_t effect, device;
    };
    std::vector<Held> held;
    bool unplugged[2] = {false, false};
    for (int i = 0; i < operations; ++i) {
        const int which = d.below(devices);
        const int32_t device = first_device + which;
        const int r = d.below(100);
        const size_t k = held.empty() ? 0 : static_cast<size_t>(d.below(static_cast<int>(held.size())));
        if (r < 26 || held.empty()) {
            if (held.size() < most_held)  // the workers never fill the 64 entries together
                if (const int32_t e = d.create(device)) held.push_back({e, device});
        } else if (r < 46) d.update(held[k].effect);
        else if (r < 58) d.start(held[k].effect);
        else if (r < 66) d.stop(held[k].effect);
        else if (r < 80) {
            d.destroy(held[k].effect);
            held.erase(held.begin() + static_cast<long>(k));
        } else if (r < 88) d.poll(device);
        else if (r < 91) {
            const int own[2] = {first_device - 1, first_device + devices - 2};
            d.hostile(false, own, devices);
        } else if (r < 94) {
            const int32_t never[] = {0, -1, 65, 1000, INT_MIN, INT_MAX};
            const int32_t bad = never[d.below(6)];
            switch (d.below(4)) {
                case 0: d.update(bad); break;
                case 1: d.start(bad); break;
                case 2: d.stop(bad); break;
                default: d.destroy(bad);
            }
        } else if (r < 95) {
            d.reset(device);
            for (size_t j = held.size(); j-- > 0;)
                if (held[j].device == device) held.erase(held.begin() + static_cast<long>(j));
        } else if (r < 96) {
            d.set_axis_map(device);
        } else if (r < 97) {
            unplugged[which] = !unplugged[which];
            if (unplugged[which]) {
                model.unplug(device - 1);
                gsim_device_unplug(device - 1);
            } else {
                model.replug(device - 1);
                gsim_device_replug(device - 1);
            }
        }
    }
    for (int which = 0; which < devices; ++which) {
        model.replug(first_device + which - 1);
        gsim_device_replug(first_device + which - 1);
    }
    for (const Held& h : held) d.destroy(h.effect);
}

}  // namespace

SimObjects made_since(BridgeModel& model, const SimObjects& before) {
    const SimObjects now = model.sim_objects();
    return {now.formatted_devices - before.formatted_devices, now.bare_devices - before.bare_devices,
            now.effects - before.effects};
}

TEST_F(Endurance, OpenReleaseCyclesOverEverySlotMatchTheModel) {
    constexpr int kStretch = 2000;
    DriverCounts counts;
    const auto run = [&](unsigned seed, int stretches, int room) {
        load_devices();
        BridgeModel model(kSpecs);
        RandomDriver driver(model, guids_, seed, true);
        MemoryLedger ledger(kShadowDevice, room);
        for (int s = 0; s < stretches; ++s)
            ledger.account([&] {
                const SimObjects before = model.sim_objects();
                open_release_cycles(driver, model, s * kStretch, kStretch);
                if (s == stretches - 1) settle(driver, model);
                return made_since(model, before);
            });
        expect_clean(driver);
        counts = driver.counts();
        return ledger.figures();
    };
    run(1, 3, 0);  // warm-up: the heaps reach their working size
    expect_flat_memory(run(2, 30, 40000));
    std::printf("%d opens, %d releases, %d effect calls, %d with an injected failure\n", counts.opened,
                counts.released, counts.effect_ops, counts.injected);
    EXPECT_GE(counts.opened, 2000);
    expect_default_state();
}

// Workers on devices of their own, each with `operations` effect calls and
// polls (`devices` each: 2 for four workers, 1 for eight), checked against
// the model; returns the memory figures and counts the calls.
MemoryFigures Endurance::effect_threads(unsigned seed, int workers, int operations, int room, int& effect_ops) {
    const int devices = kSlots / workers;
    struct Result {
        int mismatches = 0;
        std::string notes;
        int effect_ops = 0;
    };
    load_devices();
    BridgeModel model(kSpecs);
    MemoryLedger ledger(kShadowDevice, room);
    RandomDriver opener(model, guids_, seed, true);
    std::vector<Result> results(static_cast<size_t>(workers));
    ledger.account([&] {
        for (int d = 0; d < kSlots; ++d)
            while (model.slot_device(d + 1) < 0) opener.open(d);  // an injected failure takes no slot
        std::vector<std::thread> threads;
        for (int w = 0; w < workers; ++w)
            threads.emplace_back([&, w] {
                // Made on its own thread: it starts from that thread's message.
                RandomDriver driver(model, guids_, seed * 100 + w, false);
                effect_worker(driver, model, devices * w + 1, devices, operations,
                              static_cast<size_t>(kEntries / workers));
                results[static_cast<size_t>(w)] = {driver.mismatches(), notes(driver), driver.counts().effect_ops};
            });
        for (std::thread& t : threads) t.join();
        settle(opener, model);
        return model.sim_objects();
    });
    expect_clean(opener);
    effect_ops = 0;
    for (const Result& r : results) {
        EXPECT_EQ(r.mismatches, 0) << r.notes;
        effect_ops += r.effect_ops;
    }
    return ledger.figures();
}

TEST_F(Endurance, EffectsFromFourThreadsMatchTheModel) {
    int effect_ops = 0;
    effect_threads(3, 4, 2000, 0, effect_ops);
    expect_flat_memory(effect_threads(4, 4, 12000, 20000, effect_ops));
    std::printf("%d effect calls from 4 threads\n", effect_ops);
    EXPECT_GE(effect_ops, 20000);
    expect_default_state();
}

// Stress, beyond the quick suite (ctest label "stress"): the same checks at
// a scale that takes minutes.

TEST_F(Endurance, StressEffectsFromEightThreads) {
    int effect_ops = 0;
    effect_threads(5, 8, 2000, 0, effect_ops);
    expect_flat_memory(effect_threads(6, 8, 120000, 300000, effect_ops), 8);
    std::printf("%d effect calls from 8 threads, polls between them\n", effect_ops);
    EXPECT_GE(effect_ops, 8 * 100000);
    expect_default_state();
}

TEST_F(Endurance, StressOpenReleaseCycles) {
    const auto cycles = [&](unsigned seed, int opens, int room) {
        load_devices();
        BridgeModel model(kSpecs);
        RandomDriver driver(model, guids_, seed, true);
        MemoryLedger ledger(kShadowDevice, room);
        ledger.account([&] {
            const SimObjects before = model.sim_objects();
            while (driver.counts().opened < opens) {
                for (int d = 0; d < kSlots; ++d) driver.open(driver.below(kDevices));
                for (int32_t h = 1; h <= kSlots; ++h) {
                    if (driver.below(2)) driver.create(h);
                    driver.release(h);
                }
            }
            settle(driver, model);
            return made_since(model, before);
        });
        expect_clean(driver);
        std::printf("%d opens, %d releases, %d effect calls\n", driver.counts().opened, driver.counts().released,
                    driver.counts().effect_ops);
        return ledger.figures();
    };
    cycles(7, 500, 0);
    expect_flat_memory(cycles(8, 10000, 40000));
    expect_default_state();
}

namespace {

// One to three random edits, or, now and then, an edit whose outcome is known.
enum class Mutation { keeps_guid, breaks_text, random };

Mutation mutate(std::string& text, std::mt19937& rng) {
    static const char kBytes[] = "0123456789abcdefABCDEF{}-+ xX\t\n\x01\x7f\x80\xe9\xff";
    const auto below = [&](size_t n) { return static_cast<size_t>(rng() % n); };
    const size_t r = below(100);
    if (r < 2) {  // hex digits in lower case: the same GUID
        for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return Mutation::keeps_guid;
    }
    if (r < 4) {  // no opening brace: never a GUID
        text[0] = kBytes[below(sizeof kBytes - 1)];
        if (text[0] == '{') text[0] = '(';
        return Mutation::breaks_text;
    }
    for (size_t edits = 1 + below(3); edits > 0; --edits) {
        const size_t at = below(text.size() + 1);
        const char byte = kBytes[below(sizeof kBytes - 1)];
        switch (below(4)) {
            case 0: if (at < text.size()) text[at] = byte; break;
            case 1: text.insert(at, 1, byte); break;
            case 2: if (at < text.size()) text.erase(at, 1); break;
            default: text.resize(at);
        }
    }
    return Mutation::random;
}

}  // namespace

// A million GUID texts that are almost right: the axis query never crashes,
// answers only as documented, and every hundredth text opens exactly when
// the query found its device. Every simulated device object made is
// accounted for and released, and memory stays flat.
TEST_F(Endurance, StressMutatedGuidTexts) {
    constexpr int kTexts = 1000000;
    load_devices();
    std::mt19937 rng(11);
    int outcomes[3] = {};  // listed device, no such device, not a GUID
    int wrong = 0;
    std::string first_wrong;
    auto ledger = std::make_unique<MemoryLedger>(kShadowDevice, 60000);
    const auto judge = [&](bool ok, const std::string& text, const std::string& what) {
        if (ok) return;
        if (wrong++ == 0) first_wrong = "\"" + text + "\": " + what;
    };
    ledger->account([&] {
        SimObjects made;
        for (int i = 0; i < kTexts; ++i) {
            std::string text = guids_[rng() % kDevices];
            const Mutation kind = mutate(text, rng);
            const int32_t mask = dib_query_ffb_axes(text.c_str());
            const std::string message = mask < 0 ? simtest::last_error() : std::string();
            if (mask == kFfbAxes) {
                ++outcomes[0];
                ++made.bare_devices;
            } else if (mask == DIB_E_INPUT) {
                ++outcomes[1];
                judge(message == "CreateDevice failed (HRESULT 0x80040154)", text, message);
            } else {
                ++outcomes[2];
                judge(mask == DIB_E_BADARG && message == "bad GUID string", text, "query " + std::to_string(mask));
            }
            judge(kind != Mutation::keeps_guid || mask == kFfbAxes, text, "the same GUID in lower case");
            judge(kind != Mutation::breaks_text || mask == DIB_E_BADARG, text, "no brace, yet a GUID");
            if (i % 100 != 0) continue;
            const int32_t handle = dib_open(text.c_str());
            if (handle > 0) {
                ++made.formatted_devices;
                judge(dib_release(handle) == DIB_OK, text, "release");
            }
            judge((mask == kFfbAxes) == (handle > 0) && (mask == DIB_E_BADARG) == (handle == DIB_E_BADARG), text,
                  "query " + std::to_string(mask) + " but open " + std::to_string(handle));
        }
        return made;
    });
    std::printf("%d texts: %d named a listed device, %d no device, %d were no GUID\n", kTexts, outcomes[0],
                outcomes[1], outcomes[2]);
    EXPECT_EQ(wrong, 0) << "first: " << first_wrong;
    EXPECT_GT(outcomes[0], kTexts / 100);
    EXPECT_GT(outcomes[1], 0);
    expect_flat_memory(ledger->figures());
    ledger.reset();  // its own device object goes with it
    expect_default_state();
}
