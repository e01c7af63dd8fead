#include "frame/bridge_state.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace gantrel;

namespace {

void expect_default(const DeviceSlot& s) {
    EXPECT_EQ(s.open, 0);
    EXPECT_EQ(s.device, nullptr);
    const GUID zero = {};
    EXPECT_EQ(std::memcmp(&s.instance_guid, &zero, sizeof zero), 0);
    EXPECT_EQ(s.acquired, 0);
    EXPECT_TRUE(s.description.empty());
    EXPECT_EQ(s.saved_autocenter, 1);
    EXPECT_EQ(s.autocenter_state, 0);
    EXPECT_EQ(s.ffb_axis_mask, 0u);
    EXPECT_EQ(s.axis_map[0], 0);
    EXPECT_EQ(s.axis_map[1], 1);
    EXPECT_EQ(s.axis_flip[0], 0);
    EXPECT_EQ(s.axis_flip[1], 0);
}

}  // namespace

TEST(BridgeState, TablesStartInTheDefaultState) {
    for (const DeviceSlot& s : g_devices) expect_default(s);
    for (int i = 0; i < kEffectSlots; ++i) EXPECT_EQ(g_effects[i].in_use, 0);
    for (int32_t h : {0, 1, 8, 9, -1}) EXPECT_EQ(open_device_slot(h), nullptr) << h;
    for (int32_t h : {0, 1, 64, 65, -1}) EXPECT_EQ(used_effect_slot(h), nullptr) << h;
}

TEST(BridgeState, ResetRestoresEveryFieldAndFreesTheText) {
    DeviceSlot& s = g_devices[3];
    s.open = 1;
    s.device = reinterpret_cast<IDirectInputDevice8A*>(0x1234);
    s.instance_guid.Data1 = 42;
    s.acquired = 1;
    store_description(s, std::string(1000, 'x'));
    s.saved_autocenter = 0;
    s.autocenter_state = 15;
    s.ffb_axis_mask = 3;
    s.axis_map[0] = -1;
    s.axis_map[1] = 7;
    s.axis_flip[0] = s.axis_flip[1] = 1;
    EXPECT_EQ(open_device_slot(4), &s);
    EXPECT_EQ(find_open_device(s.instance_guid), &s);

    reset_device_slot(3);
    expect_default(s);
    EXPECT_EQ(s.description.capacity(), std::string().capacity());
    EXPECT_EQ(open_device_slot(4), nullptr);
}

TEST(BridgeState, FindOpenDeviceTakesTheFirstOpenSlotWithADevice) {
    GUID g = {};
    g.Data1 = 7;
    g_devices[5].open = 1;
    g_devices[5].device = reinterpret_cast<IDirectInputDevice8A*>(0x10);
    g_devices[5].instance_guid = g;
    g_devices[6] = g_devices[5];
    g_devices[2].open = 1;  // same GUID, no device: passed over
    g_devices[2].instance_guid = g;
    EXPECT_EQ(find_open_device(g), &g_devices[5]);
    g.Data4[7] = 1;
    EXPECT_EQ(find_open_device(g), nullptr);
    for (int i : {2, 5, 6}) reset_device_slot(i);
}

TEST(BridgeState, ClearEffectSlotZeroesTheEntry) {
    EffectSlot& e = g_effects[10];
    e = {1, 3, 8, reinterpret_cast<IDirectInputEffect*>(0x99), {1, 1}};
    EXPECT_EQ(used_effect_slot(11), &e);
    clear_effect_slot(10);
    EXPECT_EQ(e.in_use, 0);
    EXPECT_EQ(e.device_handle, 0);
    EXPECT_EQ(e.type, 0);
    EXPECT_EQ(e.effect, nullptr);
    EXPECT_EQ(e.cond_axis[0] | e.cond_axis[1], 0);
    EXPECT_EQ(used_effect_slot(11), nullptr);
}
