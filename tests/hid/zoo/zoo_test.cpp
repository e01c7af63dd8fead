// The device zoo: every device file in devices/ (the project's own),
// devices/zoo/ (public descriptors) and zoo-variants/ (one change each, to
// prove what Wine needs) as a device under Wine's own DirectInput, driven
// through the bridge's exports.
//
// Asserted, because the bridge answers for it: the listing is exactly the
// description DirectInput's answers give, every call returns a documented
// result with the message that goes with it, and releasing a device leaves
// no effect loaded or playing on it. Recorded, because Wine answers for it:
// whether Wine sees the device and its force feedback, which controls reach
// the input report, and what each effect's reports carried in the
// descriptor's own terms. The records make docs/devices.md, whose check
// (zoo_table) fails when a run no longer matches it.
#include <gtest/gtest.h>

#include <windows.h>

#include <dinput.h>

#include <algorithm>
#include <cstdlib>

#include "driver/pid_usages.h"
#include "../e2e/bridge_session.h"
#include "client/device_file.h"
#include "zoo_input.h"
#include "zoo_results.h"
#include "zoo_view.h"
#include "wine_path.h"

using nlohmann::json;
using vwheel::PidDecoder;
using vwheel::PidReport;
using vwheel::sample_params;

namespace {

std::string exe_folder()
{
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string text = path;
    return text.substr(0, text.find_last_of("\\/") + 1);
}

// Listing costs Wine a device object for every installed device, seconds
// a list with the whole zoo installed: the list is read once before the
// first device is opened, and once more after the last is released.
bool g_listed = false;
const std::string &list_before()
{
    static const std::string list = vwheel::device_list();
    g_listed = true;
    return list;
}

std::vector<std::string> device_files()
{
    std::vector<std::string> files;
    // The wheels as Wine builds them from Linux's view run apart, only under
    // the Wine that builds them so; the device files of the zoo otherwise.
    const char *built = std::getenv("GANTREL_ZOO_WINE_BUILT");
    std::vector<std::string> folders = {"devices\\", "devices\\zoo\\", "zoo-variants\\"};
    if (built && *built) folders = {"zoo-wine" + std::to_string(vwheel::wine_major_version()) + "\\"};
    for (const std::string &folder : folders) {
        std::string dir = exe_folder() + folder;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA((dir + "*.vhid").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) continue;
        do files.push_back(dir + found.cFileName);
        while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return files;
}

const struct EffectType {
    int32_t code;
    const char *name;
    USAGE usage;
} kTypes[] = {
    {DIB_EFFECT_CONSTANT, "constant", PU_ET_CONSTANT},   {DIB_EFFECT_SQUARE, "square", PU_ET_SQUARE},
    {DIB_EFFECT_SINE, "sine", PU_ET_SINE},                {DIB_EFFECT_TRIANGLE, "triangle", PU_ET_TRIANGLE},
    {DIB_EFFECT_SAWTOOTHUP, "sawtoothup", PU_ET_SAWTOOTH_UP},
    {DIB_EFFECT_SAWTOOTHDOWN, "sawtoothdown", PU_ET_SAWTOOTH_DOWN},
    {DIB_EFFECT_SPRING, "spring", PU_ET_SPRING},          {DIB_EFFECT_DAMPER, "damper", PU_ET_DAMPER},
    {DIB_EFFECT_INERTIA, "inertia", PU_ET_INERTIA},       {DIB_EFFECT_FRICTION, "friction", PU_ET_FRICTION},
};

bool starts_with(const std::string &text, const char *prefix) { return text.rfind(prefix, 0) == 0; }

// The bridge's documented failures of the effect calls, code and message together.
bool documented_failure(const std::string &call, int32_t code, const std::string &message)
{
    const char *exclusive = "another application has exclusive use of the device (HRESULT 0x";
    if (call == "create") {
        if (code == DIB_E_POOLFULL) return message == "device effect pool exhausted (HRESULT 0x80040201)";
        if (code == DIB_E_EXCLUSIVE) return starts_with(message, exclusive);
        if (code == DIB_E_UNSUPPORTED) return message == "CreateEffect failed (HRESULT 0x80004001)";
        return code == DIB_E_FAILED && starts_with(message, "CreateEffect failed (HRESULT 0x") &&
               message != "CreateEffect failed (HRESULT 0x80004001)";
    }
    if (call == "update") return code == DIB_E_FAILED && starts_with(message, "SetParameters failed (HRESULT 0x");
    if (call == "start")
        return (code == DIB_E_EXCLUSIVE && starts_with(message, exclusive)) ||
               (code == DIB_E_FAILED && starts_with(message, "effect Start failed (HRESULT 0x"));
    return false;
}

int16_t report_field(const InputReport &r, DWORD offset)
{
    const int16_t fields[] = {r.axis0, r.axis1, r.z, r.rx, r.ry, r.rz, r.slider0, r.slider1};
    return fields[offset / 4 % 8];
}

// Moves every control DirectInput maps into the report, twice: axes to
// alternate extremes, every other button pressed, hats turned and then
// centred; counts what the bridge's report showed.
json check_input(int32_t device, const zoo::DirectInputView &view, vwheel::ControlChannel &control,
                 PHIDP_PREPARSED_DATA preparsed)
{
    std::vector<bool> axis_ok(view.axes.size(), true), button_ok(view.buttons_mapped.size(), true),
        hat_ok(view.povs_mapped.size(), true);
    bool polled = true;
    for (size_t pattern = 0; pattern < 2; pattern++) {
        zoo::InputMover mover(preparsed);
        std::vector<int16_t> want_axes;
        std::vector<unsigned> want_hats;
        uint64_t want_buttons = 0;
        for (size_t i = 0; i < view.axes.size(); i++) {
            bool high = i % 2 == pattern;
            mover.set_extreme(view.axes[i].usage_page, view.axes[i].usage, high);
            want_axes.push_back(high ? 4096 : -4096);
        }
        for (size_t i = 0; i < view.buttons_mapped.size(); i++)
            if (i % 2 == pattern && mover.press(view.buttons_mapped[i].usage_page, view.buttons_mapped[i].usage))
                want_buttons |= 1ull << (view.buttons_mapped[i].offset - DIJOFS_BUTTON(0));
        for (size_t i = 0; i < view.povs_mapped.size(); i++) {
            int direction = pattern ? -1 : static_cast<int>(2 * i + 2) % 8;
            mover.set_hat(view.povs_mapped[i].usage_page, view.povs_mapped[i].usage, direction);
            want_hats.push_back(direction < 0 ? 15 : direction);
        }
        EXPECT_TRUE(mover.push(control));
        InputReport got = {};
        auto matches = [&](size_t *wrong) {
            *wrong = 0;
            for (size_t i = 0; i < view.axes.size(); i++) *wrong += report_field(got, view.axes[i].offset) != want_axes[i];
            for (size_t i = 0; i < view.buttons_mapped.size(); i++) {
                uint64_t bit = 1ull << (view.buttons_mapped[i].offset - DIJOFS_BUTTON(0));
                *wrong += (got.button_mask & bit) != (want_buttons & bit);
            }
            for (size_t i = 0; i < view.povs_mapped.size(); i++) *wrong += (got.pov_codes >> (4 * i) & 15) != want_hats[i];
            return *wrong == 0;
        };
        size_t wrong = 0;
        for (unsigned waited = 0; waited <= 2000; waited += 10) {
            int32_t result = dib_poll(device, &got);
            EXPECT_EQ(result, DIB_OK) << vwheel::last_error_text();
            polled = polled && result == DIB_OK;
            if (matches(&wrong)) break;
            Sleep(10);
        }
        for (size_t i = 0; i < view.axes.size(); i++)
            axis_ok[i] = axis_ok[i] && report_field(got, view.axes[i].offset) == want_axes[i];
        for (size_t i = 0; i < view.buttons_mapped.size(); i++) {
            uint64_t bit = 1ull << (view.buttons_mapped[i].offset - DIJOFS_BUTTON(0));
            button_ok[i] = button_ok[i] && (got.button_mask & bit) == (want_buttons & bit);
        }
        for (size_t i = 0; i < view.povs_mapped.size(); i++)
            hat_ok[i] = hat_ok[i] && (got.pov_codes >> (4 * i) & 15) == want_hats[i];
    }
    auto count = [](const std::vector<bool> &oks) { return std::count(oks.begin(), oks.end(), true); };
    return {{"polled", polled},
            {"axes", {count(axis_ok), axis_ok.size()}},
            {"buttons", {count(button_ok), button_ok.size()}},
            {"hats", {count(hat_ok), hat_ok.size()}}};
}

// The axes (generic desktop and simulation values), buttons and hats the
// descriptor declares in its input reports, and whether it has PID output reports.
json declared_controls(PHIDP_PREPARSED_DATA preparsed)
{
    HIDP_CAPS caps = {};
    HidP_GetCaps(preparsed, &caps);
    std::vector<HIDP_VALUE_CAPS> values(caps.NumberInputValueCaps + 1);
    std::vector<HIDP_BUTTON_CAPS> buttons(caps.NumberInputButtonCaps + 1);
    USHORT value_count = caps.NumberInputValueCaps, button_count = caps.NumberInputButtonCaps;
    if (HidP_GetValueCaps(HidP_Input, values.data(), &value_count, preparsed) != HIDP_STATUS_SUCCESS) value_count = 0;
    if (HidP_GetButtonCaps(HidP_Input, buttons.data(), &button_count, preparsed) != HIDP_STATUS_SUCCESS)
        button_count = 0;
    unsigned axes = 0, hats = 0, pressable = 0;
    for (USHORT i = 0; i < value_count; i++) {
        const HIDP_VALUE_CAPS &c = values[i];
        unsigned usages = c.IsRange ? c.Range.UsageMax - c.Range.UsageMin + 1 : 1;
        if (c.UsagePage == 0x01 && !c.IsRange && c.NotRange.Usage == 0x39) hats++;
        else if (c.UsagePage == 0x01 || c.UsagePage == 0x02) axes += c.IsRange ? usages : c.ReportCount;
    }
    for (USHORT i = 0; i < button_count; i++)
        if (buttons[i].UsagePage == 0x09)
            pressable += buttons[i].IsRange ? buttons[i].Range.UsageMax - buttons[i].Range.UsageMin + 1 : 1;
    std::vector<HIDP_VALUE_CAPS> outputs(caps.NumberOutputValueCaps + 1);
    USHORT output_count = caps.NumberOutputValueCaps;
    if (HidP_GetValueCaps(HidP_Output, outputs.data(), &output_count, preparsed) != HIDP_STATUS_SUCCESS)
        output_count = 0;
    bool pid = std::any_of(outputs.begin(), outputs.begin() + output_count,
                           [](const HIDP_VALUE_CAPS &c) { return c.UsagePage == 0x0f; });
    return {{"axes", axes}, {"buttons", pressable}, {"hats", hats}, {"pid_reports", pid}};
}

LONG unit_exponent(ULONG raw)
{
    LONG e = static_cast<LONG>(raw);
    return e >= 8 && e <= 15 ? e - 16 : e; // the 4-bit form of a negative exponent
}

// Compares one field with the value a host's `v` in DirectInput's range
// low..high carries in the field's own logical range; notes a mismatch.
void expect_field(const PidDecoder &decoder, const PidReport &r, USAGE usage, const char *what, LONG v, LONG low,
                  LONG high, std::string *notes)
{
    LONG min = 0, max = 0;
    if (!decoder.logical_range(HidP_Output, r.report_id, usage, &min, &max)) return;
    LONG want = min + static_cast<LONG>(static_cast<long long>(v - low) * (max - min) / (high - low));
    if (r.value(usage) != want)
        *notes += std::string(*notes == "" ? "" : ", ") + what + " " + std::to_string(r.value(usage)) + " for " +
                  std::to_string(want);
}

// A time in milliseconds in the field's unit, scaled onto its logical range when it declares a physical one.
void expect_time(const PidDecoder &decoder, const PidReport &r, USAGE usage, const char *what, LONG ms,
                 std::string *notes)
{
    const HIDP_VALUE_CAPS *caps = decoder.value_caps(HidP_Output, r.report_id, usage);
    if (!caps) return;
    long long value = static_cast<long long>(ms) * 1000;
    for (LONG e = unit_exponent(caps->UnitsExp); e < -6; e++) value *= 10;
    for (LONG e = unit_exponent(caps->UnitsExp); e > -6; e--) value /= 10;
    if (caps->PhysicalMax > caps->PhysicalMin)
        value = caps->LogicalMin + (value - caps->PhysicalMin) * (caps->LogicalMax - caps->LogicalMin) /
                                       (caps->PhysicalMax - caps->PhysicalMin);
    if (r.value(usage) != value)
        *notes += std::string(*notes == "" ? "" : ", ") + what + " " + std::to_string(r.value(usage)) + " for " +
                  std::to_string(value);
}

const PidReport *first_of(const std::vector<PidReport> &reports, USAGE collection)
{
    for (const auto &r : reports)
        if (r.collection == collection) return &r;
    return nullptr;
}

// What reached the device for one effect, in its own terms: "ok" or the differences.
std::string arrival(const PidDecoder &decoder, const std::vector<PidReport> &reports, const EffectType &type,
                    const EffectParams &p, bool with_set_effect)
{
    std::string notes;
    const PidReport *set = first_of(reports, PU_SET_EFFECT_REPORT);
    if (with_set_effect) {
        if (!set) return "no Set Effect report";
        if (!set->selected(type.usage)) notes = "another effect type";
        expect_time(decoder, *set, PU_DURATION, "duration", p.duration_ms, &notes);
        expect_field(decoder, *set, PU_GAIN, "gain", vwheel::nominal(p.gain), 0, 10000, &notes);
    }
    if (type.code == DIB_EFFECT_CONSTANT) {
        const PidReport *r = first_of(reports, PU_SET_CONSTANT_FORCE_REPORT);
        if (!r) return "no Set Constant Force report";
        expect_field(decoder, *r, PU_MAGNITUDE, "magnitude", vwheel::nominal(p.constant_magnitude), -10000, 10000,
                     &notes);
    } else if (type.code >= DIB_EFFECT_SPRING) {
        const PidReport *r = first_of(reports, PU_SET_CONDITION_REPORT);
        if (!r) return "no Set Condition report";
        expect_field(decoder, *r, PU_POSITIVE_COEFFICIENT, "coefficient",
                     vwheel::nominal(p.cond[0].positive_coefficient), -10000, 10000, &notes);
        expect_field(decoder, *r, PU_POSITIVE_SATURATION, "saturation",
                     vwheel::nominal(p.cond[0].positive_saturation), 0, 10000, &notes);
    } else {
        const PidReport *r = first_of(reports, PU_SET_PERIODIC_REPORT);
        if (!r) return "no Set Periodic report";
        expect_field(decoder, *r, PU_MAGNITUDE, "magnitude", vwheel::nominal(p.periodic_magnitude), 0, 10000,
                     &notes);
        expect_time(decoder, *r, PU_PERIOD, "period", p.period_ms, &notes);
    }
    return notes.empty() ? "ok" : notes;
}

// Creates, updates, starts, stops and destroys one effect the device offers.
json run_offered(int32_t device, const EffectType &type, bool two_axes, vwheel::ControlChannel &control,
                 const PidDecoder &decoder)
{
    json result;
    EffectParams p = sample_params(two_axes);
    control.take_log();
    int32_t effect = dib_effect_create(device, type.code, &p);
    result["create"] = effect >= 1 ? 0 : effect;
    if (effect < 1) {
        std::string message = vwheel::last_error_text();
        result["message"] = message;
        EXPECT_TRUE(documented_failure("create", effect, message)) << type.name << ": " << effect << " " << message;
        return result;
    }
    auto created = decoder.decode_all(control.take_log());
    result["created"] = arrival(decoder, created, type, p, true);
    const PidReport *set = first_of(created, PU_SET_EFFECT_REPORT);
    LONG block = set ? set->value(PU_EFFECT_BLOCK_INDEX) : 0;

    p.constant_magnitude = 1500;
    p.periodic_magnitude = 3000;
    p.cond[0].positive_coefficient = 1000;
    int32_t update = dib_effect_update(effect, &p);
    result["update"] = update;
    if (update) {
        EXPECT_TRUE(documented_failure("update", update, vwheel::last_error_text())) << type.name;
    } else {
        result["updated"] = arrival(decoder, decoder.decode_all(control.take_log()), type, p, false);
    }

    int32_t start = dib_effect_start(effect, 1);
    result["start"] = start;
    if (start) {
        EXPECT_TRUE(documented_failure("start", start, vwheel::last_error_text())) << type.name;
    }
    bool valid_block = block >= 1 && block <= VWHEEL_MAX_BLOCKS;
    result["played"] = valid_block && control.state().playing[block];
    EXPECT_EQ(dib_effect_stop(effect), DIB_OK) << type.name;
    result["stopped"] = valid_block && !control.state().playing[block];
    EXPECT_EQ(dib_effect_destroy(effect), DIB_OK) << type.name;
    result["freed"] = valid_block && !control.state().allocated[block];
    EXPECT_EQ(dib_effect_stop(effect), DIB_E_BADARG) << "the handle is gone";
    return result;
}

json run_refused(int32_t device, const EffectType &type, vwheel::ControlChannel &control)
{
    EffectParams p = sample_params(false);
    control.take_log();
    int32_t effect = dib_effect_create(device, type.code, &p);
    std::string message = vwheel::last_error_text();
    EXPECT_LT(effect, 0) << type.name << " is not offered";
    if (effect >= 1) {
        dib_effect_destroy(effect);
    } else {
        EXPECT_TRUE(documented_failure("create", effect, message)) << type.name << ": " << effect << " " << message;
    }
    return {{"create", effect >= 1 ? 0 : effect}, {"message", effect >= 1 ? "" : message},
            {"reports", control.take_log().size()}};
}

// The two lowest actuator axes the bridge found, or X alone.
void map_onto_actuators(int32_t device, bool *two_axes)
{
    int32_t mask = dib_ffb_axes(device), axes[2] = {DIB_AXIS_NONE, DIB_AXIS_NONE}, n = 0;
    for (int32_t code = 0; code < 8 && n < 2; code++)
        if (mask & (1 << code)) axes[n++] = code;
    if (!n) axes[n++] = DIB_AXIS_X;
    *two_axes = n == 2;
    ASSERT_EQ(dib_set_axis_map(device, axes[0], axes[1], 0, 0), DIB_OK) << vwheel::last_error_text();
}

class Zoo : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override
    {
        ASSERT_EQ(DirectInput8Create(GetModuleHandleW(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                     reinterpret_cast<void **>(&dinput_), nullptr),
                  DI_OK);
    }
    void TearDown() override
    {
        if (dinput_) dinput_->Release();
    }
    IDirectInput8A *dinput_ = nullptr;
};

TEST_P(Zoo, TheBridgeDrivesWhatWineMakesOfTheDevice)
{
    vwheel::DeviceFile file;
    std::string error, name = vwheel::device_name_of(GetParam());
    ASSERT_TRUE(vwheel::read_device_file(GetParam(), &file, &error)) << error;
    std::wstring wide_name(name.begin(), name.end());
    vwheel::Variant variant = {wide_name.c_str(), file.vendor_id, file.product_id, file.name.c_str()};
    vwheel::ControlChannel control(variant);
    vwheel::HidInterface hid(variant);
    ASSERT_TRUE(control.is_open() && hid.is_open()) << name << " is not installed in this prefix";
    control.reset();
    PidDecoder decoder(hid.preparsed());
    json &rec = zoo::record(name);
    rec["declared"] = declared_controls(hid.preparsed());

    zoo::DirectInputView view = zoo::look_up(dinput_, file.vendor_id, file.product_id);
    rec["wine_sees"] = view.found;
    rec["force_feedback"] = view.force_feedback();
    rec["actuators"] = view.ff_axis_names;
    rec["effects"] = view.effects;
    rec["other_effects"] = view.other_effects;
    // Where each input usage lands in DirectInput's joystick record, and the
    // path the probe's check infers from the descriptor.
    const char *fields[] = {"X", "Y", "Z", "Rx", "Ry", "Rz", "Slider 0", "Slider 1"};
    for (const zoo::MappedObject &axis : view.axes)
        rec["axes"].push_back({axis.usage_page, axis.usage, fields[(axis.offset - DIJOFS_X) / 4 % 8]});
    rec["wine_path"] = probe::wine_path_of(hid.preparsed()).name;
    std::string listed = vwheel::description_in(list_before(), file.product_id);
    rec["listed"] = !listed.empty();
    if (view.found && view.force_feedback()) EXPECT_EQ(listed, zoo::expected_description(view));
    else EXPECT_EQ(listed, "") << "only force-feedback controllers are listed";
    if (!view.found) return;

    int32_t device = dib_open(zoo::guid_text(view.instance).c_str());
    rec["open"] = device >= 1 ? 0 : device;
    ASSERT_GE(device, 1) << vwheel::last_error_text();
    rec["autocenter"] = dib_autocenter_state(device);
    rec["input"] = check_input(device, view, control, hid.preparsed());

    bool two_axes = false;
    ASSERT_NO_FATAL_FAILURE(map_onto_actuators(device, &two_axes));
    for (const EffectType &type : kTypes) {
        bool offered = std::find(view.effects.begin(), view.effects.end(), type.name) != view.effects.end();
        rec["effect_results"][type.name] =
            offered ? run_offered(device, type, two_axes, control, decoder) : run_refused(device, type, control);
    }

    EXPECT_EQ(dib_release(device), DIB_OK);
    rec["release"] = 0;
    VWheelState state = control.state();
    for (int block = 1; block <= VWHEEL_MAX_BLOCKS; block++) {
        EXPECT_FALSE(state.allocated[block]) << "block " << block << " still loaded after release";
        EXPECT_FALSE(state.playing[block]) << "block " << block << " still playing after release";
    }
}

std::string test_name(const ::testing::TestParamInfo<std::string> &info)
{
    std::string name = vwheel::device_name_of(info.param);
    std::replace(name.begin(), name.end(), '-', '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Devices, Zoo, ::testing::ValuesIn(device_files()), test_name);

class WriteResults : public ::testing::Environment {
public:
    void TearDown() override
    {
        if (g_listed) {
            EXPECT_EQ(vwheel::device_list(), list_before()) << "every device listed as before once released";
        }
        const char *path = std::getenv("GANTREL_ZOO_RESULTS");
        if (path && *path) {
            EXPECT_TRUE(zoo::write_results(path, vwheel::wine_major_version())) << path;
        }
    }
};

const ::testing::Environment *const kWriteResults = ::testing::AddGlobalTestEnvironment(new WriteResults);

} // namespace
