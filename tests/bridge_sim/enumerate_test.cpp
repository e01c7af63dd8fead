#include <nlohmann/json.hpp>

#include <cstring>

#include "sim_fixture.h"

using namespace simtest;

namespace {

std::string enumerate(int32_t capacity = 1 << 16) {
    std::string buffer(static_cast<size_t>(capacity), 'x');
    const int32_t n = dib_enumerate(&buffer[0], capacity);
    EXPECT_GE(n, 2) << last_error();
    if (n < 0) return std::string();
    EXPECT_EQ(buffer[static_cast<size_t>(n)], '\0');
    return buffer.substr(0, static_cast<size_t>(n));
}

const char kWheelGuid[] = "{00000001-1111-2222-3344-5566778899AA}";

class Enumerate : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        gsim_reset(GSIM_RESET_EMPTY);
    }
    int add(const GSIM_DEVICE_DESC& d) {
        const int index = gsim_device_add(&d);
        EXPECT_GE(index, 0);
        return index;
    }
};

}  // namespace

TEST_F(Enumerate, DescriptionIsExactToTheByte) {
    GSIM_DEVICE_DESC wheel = plain_ff_device(1, "Wheel");
    wheel.num_effects = 3;  // constant, ramp, spring: ramp is not listed
    wheel.effects[0] = GUID_ConstantForce;
    wheel.effects[1] = GUID_RampForce;
    wheel.effects[2] = GUID_Spring;
    add(wheel);
    EXPECT_EQ(enumerate(),
              std::string("[{\"guid\":\"") + kWheelGuid +
                  "\",\"name\":\"Wheel\",\"vid\":1,\"pid\":2,\"ff_axes\":2,\"buttons\":12,"
                  "\"povs\":1,\"sample_period_us\":1000,\"effects\":[\"constant\",\"spring\"]}]");
}

TEST_F(Enumerate, ListsOnlyForceFeedbackDevicesInDirectInputOrder) {
    GSIM_DEVICE_DESC a = plain_ff_device(1, "A");
    GSIM_DEVICE_DESC pad = plain_ff_device(2, "Pad");
    pad.caps_flags = DIDC_ATTACHED;  // no force feedback
    GSIM_DEVICE_DESC b = plain_ff_device(3, "B");
    b.num_effects = 2;
    b.effects[0] = GUID_Sine;
    b.effects[1] = GUID_ConstantForce;
    GSIM_DEVICE_DESC c = plain_ff_device(4, "C");
    c.num_effects = 3;  // only effects the bridge does not know, then a duplicate pair
    c.effects[0] = GUID_RampForce;
    c.effects[1] = GUID_CustomForce;
    c.effects[2] = GUID_RampForce;
    GSIM_DEVICE_DESC detached = plain_ff_device(5, "Gone");
    detached.attached = FALSE;
    for (auto* d : {&pad, &a, &b, &c, &detached}) add(*d);

    const nlohmann::json list = nlohmann::json::parse(enumerate());
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0]["name"], "A");
    EXPECT_EQ(list[1]["name"], "B");
    EXPECT_EQ(list[1]["effects"], nlohmann::json({"sine", "constant"}));
    EXPECT_EQ(list[2]["name"], "C");
    EXPECT_TRUE(list[2]["effects"].empty());
    const std::string text = enumerate();
    EXPECT_EQ(text.find(",,"), std::string::npos);
    EXPECT_NE(text.find("\"effects\":[]}]"), std::string::npos);
}

TEST_F(Enumerate, DuplicateEffectsAreListedTwice) {
    GSIM_DEVICE_DESC d = plain_ff_device(1, "Dup");
    d.num_effects = 3;
    d.effects[0] = GUID_Damper;
    d.effects[1] = GUID_Damper;
    d.effects[2] = GUID_Friction;
    add(d);
    EXPECT_NE(enumerate().find("\"effects\":[\"damper\",\"damper\",\"friction\"]}"), std::string::npos);
}

TEST_F(Enumerate, OddProductNamesStayValidJson) {
    const struct {
        const char* raw;
        const char* in_json;  // as it appears between the quotes
    } names[] = {
        {"Say \"hi\"", "Say \\\"hi\\\""},
        {"C:\\wheel\\", "C:\\\\wheel\\\\"},
        {"tab\there\nline", "tabhereline"},
        {"caf\xE9", "caf\xE9"},
    };
    DWORD id = 1;
    for (const auto& n : names) add(plain_ff_device(id++, n.raw));
    const std::string text = enumerate();
    for (const auto& n : names)
        EXPECT_NE(text.find(std::string("\"name\":\"") + n.in_json + "\""), std::string::npos) << n.raw;
    // nlohmann wants UTF-8; the ANSI byte is checked above, the structure here.
    std::string utf8 = text;
    for (char& ch : utf8)
        if (static_cast<unsigned char>(ch) >= 0x80) ch = '?';
    const nlohmann::json list = nlohmann::json::parse(utf8);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0]["name"], "Say \"hi\"");
    EXPECT_EQ(list[1]["name"], "C:\\wheel\\");
}

TEST_F(Enumerate, LongestNamesAreNeverCut) {
    std::string name(MAX_PATH - 1, 'N');
    name[10] = '"';  // escaping makes it longer still
    name[20] = '\\';
    add(plain_ff_device(1, name.c_str()));
    const nlohmann::json list = nlohmann::json::parse(enumerate());
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]["name"], name);
    EXPECT_EQ(list[0]["sample_period_us"], 1000);
    EXPECT_EQ(list[0]["effects"].size(), 10u);
}

TEST_F(Enumerate, CapacityRulesLeaveTheBufferUntouched) {
    add(plain_ff_device(1, "Wheel"));
    const std::string full = enumerate();
    const int32_t length = static_cast<int32_t>(full.size());
    std::string buffer(full.size() + 8, 'x');
    EXPECT_EQ(dib_enumerate(&buffer[0], length), DIB_E_BADARG);
    EXPECT_EQ(last_error(), "buffer too small");
    EXPECT_EQ(buffer, std::string(full.size() + 8, 'x'));
    EXPECT_EQ(dib_enumerate(&buffer[0], length + 1), length);
    EXPECT_EQ(buffer.substr(0, full.size()), full);
}

TEST_F(Enumerate, FailuresOfOneDeviceAreSilent) {
    add(plain_ff_device(1, "A"));
    add(plain_ff_device(2, "B"));
    // A device that cannot be created is left out; the list goes on.
    gsim_fail_next(GSIM_M_DI_CREATEDEVICE, DIERR_DEVICENOTREG, 1);
    nlohmann::json list = nlohmann::json::parse(enumerate());
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]["name"], "B");
    // So is one whose capabilities cannot be read.
    gsim_fail_next(GSIM_M_DEV_GETCAPABILITIES, E_FAIL, 1);
    list = nlohmann::json::parse(enumerate());
    ASSERT_EQ(list.size(), 1u);
    // Failed object and effect enumerations give no axes and no effects.
    gsim_fail_next(GSIM_M_DEV_ENUMOBJECTS, E_FAIL, 1);
    gsim_fail_next(GSIM_M_DEV_ENUMEFFECTS, E_FAIL, 1);
    list = nlohmann::json::parse(enumerate());
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]["ff_axes"], 0);
    EXPECT_TRUE(list[0]["effects"].empty());
    EXPECT_EQ(list[1]["ff_axes"], 2);
}

TEST_F(Enumerate, EnumDevicesFailureIsReported) {
    add(plain_ff_device(1, "A"));
    gsim_fail_next(GSIM_M_DI_ENUMDEVICES, E_OUTOFMEMORY, 1);
    char buffer[256] = "untouched";
    EXPECT_EQ(dib_enumerate(buffer, sizeof buffer), DIB_E_FAILED);
    EXPECT_EQ(last_error(), "EnumDevices failed (HRESULT 0x8007000E)");
    EXPECT_STREQ(buffer, "untouched");
    const std::vector<GSIM_CALL> calls = calls_of(GSIM_M_DI_ENUMDEVICES);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].dev_type, DI8DEVCLASS_GAMECTRL);
    EXPECT_EQ(calls[0].flags, DIEDFL_ATTACHEDONLY);
}

TEST_F(Enumerate, TemporaryDevicesAreReleasedAndUnconfigured) {
    add(plain_ff_device(1, "A"));
    add(plain_ff_device(2, "B"));
    enumerate();
    EXPECT_EQ(gsim_live_devices(), 0);
    EXPECT_EQ(calls_of(GSIM_M_DI_CREATEDEVICE).size(), 2u);
    EXPECT_TRUE(calls_of(GSIM_M_DEV_SETDATAFORMAT).empty());
    EXPECT_TRUE(calls_of(GSIM_M_DEV_SETCOOPERATIVELEVEL).empty());
    EXPECT_TRUE(calls_of(GSIM_M_DEV_ACQUIRE).empty());
    for (const GSIM_CALL& c : calls_of(GSIM_M_DEV_GETCAPABILITIES)) EXPECT_EQ(c.size, 44u);
    for (const GSIM_CALL& c : calls_of(GSIM_M_DEV_ENUMOBJECTS)) EXPECT_EQ(c.flags, DIDFT_AXIS);
    for (const GSIM_CALL& c : calls_of(GSIM_M_DEV_ENUMEFFECTS)) EXPECT_EQ(c.flags, DIEFT_ALL);
}

TEST_F(Enumerate, OpenDevicesAreListedFromTheirCachedDescription) {
    const int index = add(plain_ff_device(1, "Before"));
    add(plain_ff_device(2, "Other"));
    const int32_t h = open(index);
    GSIM_DEVICE_DESC changed = plain_ff_device(1, "After");
    changed.num_buttons = 3;
    gsim_device_set(index, &changed);
    gsim_log_clear();

    const nlohmann::json list = nlohmann::json::parse(enumerate());
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]["name"], "Before");
    EXPECT_EQ(list[0]["buttons"], 12);
    const std::vector<GSIM_CALL> created = calls_of(GSIM_M_DI_CREATEDEVICE);
    ASSERT_EQ(created.size(), 1u) << "no temporary device for the open one";
    EXPECT_EQ(guid_text(created[0].guid), guid_of(1));
    // Unplugged, it is left out although it is still open.
    gsim_device_unplug(index);
    const nlohmann::json unplugged = nlohmann::json::parse(enumerate());
    ASSERT_EQ(unplugged.size(), 1u);
    EXPECT_EQ(unplugged[0]["name"], "Other");
    gsim_device_replug(index);
    dib_release(h);
    EXPECT_EQ(nlohmann::json::parse(enumerate())[0]["name"], "After");
}

TEST_F(Enumerate, OpenDeviceWithoutDescriptionIsLeftOut) {
    const int index = add(plain_ff_device(1, "A"));
    gsim_fail_next(GSIM_M_DEV_GETDEVICEINFO, E_FAIL, 1);
    open(index);
    gsim_log_clear();
    EXPECT_EQ(enumerate(), "[]");
    EXPECT_TRUE(calls_of(GSIM_M_DI_CREATEDEVICE).empty());
}
