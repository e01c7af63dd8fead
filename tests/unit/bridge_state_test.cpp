#include "frame/bridge_state.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "gantrel.h"

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
    OwnedText text;
    ASSERT_TRUE(text.assign(std::string(1000, 'x').c_str(), 1000));
    swap_description(s, text);
    EXPECT_TRUE(text.empty()) << "the slot's previous, empty text came back";
    EXPECT_EQ(s.description.size(), 1000u);
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
    EXPECT_EQ(open_device_slot(4), nullptr);
}

TEST(BridgeState, FindOpenDeviceTakesTheFirstOpenSlotWithADevice) {
    GUID g = {};
    g.Data1 = 7;
    g_devices[5].open = 1;
    g_devices[5].device = reinterpret_cast<IDirectInputDevice8A*>(0x10);
    g_devices[5].instance_guid = g;
    g_devices[6].open = 1;
    g_devices[6].device = g_devices[5].device;
    g_devices[6].instance_guid = g;
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

// Every export that takes a handle refuses the ones beside and far outside
// the tables without touching an entry outside them: this build counts
// every such index, so an off-by-one in any handle check fails here.
TEST(BridgeState, HandleChecksStayInsideTheTables) {
    const long before = table_index_faults();
    InputReport report;
    EffectParams params = {};
    for (int32_t h : {0, 9, -1, INT_MIN, INT_MAX}) {
        EXPECT_EQ(dib_release(h), DIB_E_BADARG) << h;
        EXPECT_EQ(dib_device_reset(h), DIB_E_BADARG) << h;
        EXPECT_EQ(dib_autocenter_state(h), DIB_E_BADARG) << h;
        EXPECT_EQ(dib_ffb_axes(h), DIB_E_BADARG) << h;
        EXPECT_EQ(dib_poll(h, &report), DIB_E_BADARG) << h;
        EXPECT_EQ(dib_set_axis_map(h, 0, 1, 0, 0), DIB_E_BADARG) << h;
        EXPECT_EQ(dib_effect_create(h, DIB_EFFECT_CONSTANT, &params), DIB_E_BADARG) << h;
    }
    for (int32_t h : {0, 65, -1, INT_MIN, INT_MAX}) {
        EXPECT_EQ(dib_effect_update(h, &params), DIB_E_BADARG) << h;
        EXPECT_EQ(dib_effect_start(h, 1), DIB_E_BADARG) << h;
        EXPECT_EQ(dib_effect_stop(h), DIB_E_BADARG) << h;
        EXPECT_EQ(dib_effect_destroy(h), DIB_E_BADARG) << h;
    }
    EXPECT_EQ(table_index_faults(), before) << "an export reached beside a table";
    // The count is live: an index beside each table is seen.
    device_at(kDeviceSlots);
    effect_at(-1);
    EXPECT_EQ(table_index_faults(), before + 2);
}
