// Devices described in JSON: what they look like through DirectInput, and
// the messages a malformed description produces.
#include "sim_support.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

using namespace simtest;

namespace {

const char kOddDevice[] = R"({"devices": [
  {"product_name": "Q\"uote\\Back\u0001\u00e9\u00ff",
   "instance_guid": "{01234567-89AB-CDEF-0123-456789ABCDEF}",
   "vid": "0x046d", "pid": 49817, "type": "driving", "force_feedback": true,
   "objects": [{"axis": "x", "actuator": true, "logical_min": -100, "logical_max": 100},
               {"axis": "slider"}, {"axis": "slider", "name": "Second"}],
   "buttons": 3, "povs": 2,
   "effects": ["friction", "{11111111-2222-3333-4444-555555555555}", "friction", "ramp"],
   "effect_capacity": 1, "restart_needed": ["direction"],
   "autocenter": {"readable": false, "writable": true, "on": false},
   "state": {"x": 50, "sliders": [7, 8], "povs": [18000], "buttons": [2]}},
  {"product_name": "Not here", "attached": false}
]})";

std::string temp_file(const char *name, const std::string &text) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    std::string path = std::string(dir) + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

class DeviceFile : public SimTest {
protected:
    void TearDown() override {
        SetEnvironmentVariableA("GANTREL_SIM_DEVICES", nullptr);
        SimTest::TearDown();
    }
};

TEST_F(DeviceFile, DescribesOddDevicesByteForByte) {
    ASSERT_EQ(gsim_load_json(kOddDevice), 2) << gsim_load_error();
    EXPECT_STREQ(gsim_load_error(), "");
    GSIM_DEVICE_DESC d;
    ASSERT_EQ(gsim_device_get(0, &d), GSIM_OK);
    EXPECT_STREQ(d.product_name, "Q\"uote\\Back\x01\xe9\xff");
    EXPECT_STREQ(d.instance_name, d.product_name);
    EXPECT_EQ(d.instance_guid.Data1, 0x01234567u);
    EXPECT_EQ(d.instance_guid.Data4[7], 0xEF);
    EXPECT_EQ(d.product_guid.Data1, static_cast<DWORD>(MAKELONG(0x046d, 49817)));
    EXPECT_EQ(GET_DIDEVICE_TYPE(d.dev_type), DI8DEVTYPE_DRIVING);
    EXPECT_EQ(d.objects[2].dwOfs, static_cast<DWORD>(DIJOFS_SLIDER(1)));
    EXPECT_STREQ(d.objects[2].name, "Second");
    EXPECT_EQ(d.num_effects, 4u);
    EXPECT_EQ(d.effects[1].Data1, 0x11111111u);
    EXPECT_EQ(d.restart_needed_flags, static_cast<DWORD>(DIEP_DIRECTION));
    EXPECT_FALSE(d.autocenter_readable);
    EXPECT_TRUE(d.autocenter_writable);
    GSIM_DEVICE_DESC absent;
    gsim_device_get(1, &absent);
    EXPECT_FALSE(absent.attached);

    IDirectInputDevice8A *dev = open_device(di_, 0);
    DIDEVICEINSTANCEA inst{};
    inst.dwSize = sizeof(inst);
    ASSERT_EQ(dev->GetDeviceInfo(&inst), DI_OK);
    EXPECT_STREQ(inst.tszProductName, "Q\"uote\\Back\x01\xe9\xff");
    DIPROPRANGE r{};
    r.diph = {sizeof(r), sizeof(DIPROPHEADER), 0, DIPH_DEVICE};
    r.lMin = -100;
    r.lMax = 100;
    dev->Unacquire();
    ASSERT_EQ(dev->SetProperty(DIPROP_RANGE, &r.diph), DI_OK);
    ASSERT_EQ(dev->Acquire(), DI_OK);
    DIJOYSTATE2 s{};
    ASSERT_EQ(dev->GetDeviceState(sizeof(s), &s), DI_OK);
    EXPECT_EQ(s.lX, 50);
    EXPECT_EQ(s.rgdwPOV[0], 18000u);
    EXPECT_EQ(s.rgdwPOV[1], 0xFFFFFFFFu) << "a described POV without a value rests centred";
    EXPECT_EQ(s.rgbButtons[2], 0x80);
    dev->Release();
}

TEST_F(DeviceFile, NamesUpTo259BytesFit) {
    std::string name(259, 'n');
    std::string ok = R"({"devices": [{"product_name": ")" + name + R"("}]})";
    ASSERT_EQ(gsim_load_json(ok.c_str()), 1);
    GSIM_DEVICE_DESC d;
    gsim_device_get(0, &d);
    EXPECT_EQ(std::string(d.product_name), name);
    std::string too_long = R"({"devices": [{"product_name": ")" + name + R"(x"}]})";
    EXPECT_EQ(gsim_load_json(too_long.c_str()), GSIM_E_LOAD);
    EXPECT_STREQ(gsim_load_error(), "device JSON: devices[0].product_name: is longer than 259 bytes");
}

TEST_F(DeviceFile, MalformedDescriptionsSayWhereAndWhat) {
    const struct {
        const char *json;
        const char *message;
    } cases[] = {
        {R"({"devices": [{"product_name": "A", "buttonz": 3}]})",
         "device JSON: devices[0]: unknown key \"buttonz\""},
        {R"({"devices": [{"product_name": "A", "objects": [{"axis": "w"}]}]})",
         "device JSON: devices[0].objects[0].axis: unknown axis \"w\" (expected x, y, z, rx, ry, rz or slider)"},
        {R"({"devices": [{"product_name": "A", "buttons": 129}]})",
         "device JSON: devices[0].buttons: 129 is out of range 0..128"},
        {R"({"devices": [{"product_name": "A", "povs": "two"}]})",
         "device JSON: devices[0].povs: expected an integer (or a \"0x...\" string)"},
        {R"({"devices": [{"product_name": "\u20ac"}]})",
         "device JSON: devices[0].product_name: has a character above U+00FF; write byte 0xNN as \\u00NN"},
        {R"({"devices": [{"instance_name": "A"}]})", "device JSON: devices[0]: needs a \"product_name\""},
        {R"({"devices": [{"product_name": "A", "instance_guid": "{1234}"}]})",
         "device JSON: devices[0].instance_guid: \"{1234}\" is not a GUID like "
         "\"{01234567-89AB-CDEF-0123-456789ABCDEF}\""},
        {R"([1, 2])", "device JSON: top level: expected an object with a \"devices\" array"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(gsim_load_json(c.json), GSIM_E_LOAD) << c.json;
        EXPECT_STREQ(gsim_load_error(), c.message);
        EXPECT_EQ(gsim_device_count(), GSIM_BUILTIN_COUNT) << "a failed load leaves the set as it was";
    }
    const std::string text = "{\"devices\": [ {\"product_name\": \"A\",, } ]}";
    EXPECT_EQ(gsim_load_json(text.c_str()), GSIM_E_LOAD);
    const std::string at = std::to_string(text.find(",,") + 2);  // the second comma, counted from 1
    std::string syntax = gsim_load_error();
    EXPECT_EQ(syntax.rfind("device JSON: not valid JSON (byte " + at + "): parse error at line 1, column " + at, 0),
              0u)
        << syntax;
}

TEST_F(DeviceFile, DocumentedExampleLoads) {
    std::ifstream in(SIMULATOR_DOC, std::ios::binary);
    ASSERT_TRUE(in) << SIMULATOR_DOC;
    std::stringstream text;
    text << in.rdbuf();
    const std::string page = text.str();
    size_t start = page.find("```json\n");
    ASSERT_NE(start, std::string::npos);
    start += 8;
    const std::string example = page.substr(start, page.find("```", start) - start);
    ASSERT_EQ(gsim_load_json(example.c_str()), 2) << gsim_load_error();
    GSIM_DEVICE_DESC d;
    gsim_device_get(0, &d);
    EXPECT_STREQ(d.product_name, "Rally \"Pro\" Wheel \xae");
    EXPECT_EQ(d.num_effects, 6u);
    EXPECT_EQ(d.objects[3].logical_max, 1023);
}

std::string captured_stderr(int (*action)()) {
    std::string path = temp_file("gsim_stderr.txt", "");
    std::fflush(stderr);
    int saved = _dup(2);
    int fd = _open(path.c_str(), _O_WRONLY | _O_TRUNC | _O_BINARY);
    _dup2(fd, 2);
    action();
    std::fflush(stderr);
    _dup2(saved, 2);
    _close(fd);
    _close(saved);
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST_F(DeviceFile, EnvironmentVariableNamesTheConfiguredFile) {
    std::string good = temp_file("gsim_devices.json", kOddDevice);
    SetEnvironmentVariableA("GANTREL_SIM_DEVICES", good.c_str());
    EXPECT_EQ(gsim_reset(GSIM_RESET_CONFIGURED), 2);
    EXPECT_EQ(gsim_reset(GSIM_RESET_BUILTIN), GSIM_BUILTIN_COUNT) << "built-in ignores the file";

    std::string bad = temp_file("gsim_bad.json", "{\"devices\": [{\"product_name\": 5}]}");
    SetEnvironmentVariableA("GANTREL_SIM_DEVICES", bad.c_str());
    std::string err = captured_stderr([] { return gsim_reset(GSIM_RESET_CONFIGURED); });
    std::string expected = bad + ": devices[0].product_name: expected a string";
    EXPECT_EQ(gsim_load_error(), expected);
    EXPECT_EQ(err, "gantrel-sim: " + expected + "\n");
    EXPECT_EQ(gsim_device_count(), 0) << "a broken configuration lists no devices";

    SetEnvironmentVariableA("GANTREL_SIM_DEVICES", "C:\\no\\such\\file.json");
    EXPECT_EQ(gsim_reset(GSIM_RESET_CONFIGURED), GSIM_E_LOAD);
    EXPECT_STREQ(gsim_load_error(), "C:\\no\\such\\file.json: cannot open the file");
}

}  // namespace
