#include "heap_counter.h"
#include "sim_fixture.h"

using namespace simtest;

// The periodic-loop calls must not touch the heap: counted at the DLL's own
// imports of every allocator, so the simulator's allocations do not count.
TEST_F(SimTest, HotPathsAllocateNothing) {
    ASSERT_TRUE(install_heap_counter(GetModuleHandleA("gantrel.dll")));
    const int32_t device = open(GSIM_BUILTIN_JOYSTICK);  // two actuators
    EffectParams p = no_params();
    p.cond[0].enabled = p.cond[1].enabled = 1;
    p.use_envelope = 1;
    const int32_t constant = dib_effect_create(device, DIB_EFFECT_CONSTANT, &p);
    const int32_t sine = dib_effect_create(device, DIB_EFFECT_SINE, &p);
    const int32_t spring = dib_effect_create(device, DIB_EFFECT_SPRING, &p);
    ASSERT_GT(spring, 0);

    // The counter works: building the device list allocates.
    reset_heap_allocations();
    char list[8192];
    ASSERT_GT(dib_enumerate(list, sizeof list), 2);
    EXPECT_GT(heap_allocations(), 0);

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
