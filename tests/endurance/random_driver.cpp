#include "random_driver.h"

#include <climits>
#include <cstdio>
#include <cstring>

namespace endurance {
namespace {

const FaultChoice kOpenFaults[] = {
    {GSIM_M_DI_CREATEDEVICE, E_FAIL, 0, 1},       {GSIM_M_DI_CREATEDEVICE, S_OK, 0, 1},
    {GSIM_M_DEV_SETDATAFORMAT, as_hr(DIERR_INVALIDPARAM), 0, 1}, {GSIM_M_DEV_SETCOOPERATIVELEVEL, E_HANDLE, 0, 1},
    {GSIM_M_DEV_GETPROPERTY, E_FAIL, 0, 1},       {GSIM_M_DEV_GETPROPERTY, as_hr(DIERR_UNSUPPORTED), 1, 1},
    {GSIM_M_DEV_GETDEVICEINFO, E_FAIL, 0, 1},     {GSIM_M_DEV_SETPROPERTY, E_FAIL, kAxes, 1},
    {GSIM_M_DEV_ACQUIRE, as_hr(DIERR_OTHERAPPHASPRIO), 0, 1}, {GSIM_M_DEV_ACQUIRE, as_hr(DIERR_INPUTLOST), 0, 1},
    {GSIM_M_DEV_ACQUIRE, as_hr(DIERR_OTHERAPPHASPRIO), 1, 1}, {GSIM_M_DEV_ACQUIRE, E_FAIL, 1, 1},
};
const FaultChoice kReleaseFaults[] = {
    {GSIM_M_DEV_SENDFORCEFEEDBACKCOMMAND, E_FAIL, 0, 1}, {GSIM_M_DEV_UNACQUIRE, E_FAIL, 0, 1},
    {GSIM_M_DEV_SETPROPERTY, E_FAIL, 0, 1},              {GSIM_M_EFF_STOP, E_FAIL, 0, 1},
    {GSIM_M_EFF_UNLOAD, E_FAIL, 0, 1},
};
const FaultChoice kResetFaults[] = {
    {GSIM_M_DEV_SENDFORCEFEEDBACKCOMMAND, E_FAIL, 0, 1},
    {GSIM_M_DEV_SENDFORCEFEEDBACKCOMMAND, as_hr(DIERR_INPUTLOST), 0, 1},
};
const FaultChoice kPollFaults[] = {
    {GSIM_M_DEV_GETDEVICESTATE, as_hr(DIERR_INPUTLOST), 0, 1},    {GSIM_M_DEV_GETDEVICESTATE, as_hr(DIERR_INPUTLOST), 0, 2},
    {GSIM_M_DEV_GETDEVICESTATE, as_hr(DIERR_NOTACQUIRED), 0, 1},  {GSIM_M_DEV_GETDEVICESTATE, E_FAIL, 0, 1},
    {GSIM_M_DEV_ACQUIRE, E_FAIL, 0, 1},                    {GSIM_M_DEV_POLL, E_FAIL, 0, 1},
};
const FaultChoice kCreateFaults[] = {
    {GSIM_M_DEV_CREATEEFFECT, as_hr(DIERR_DEVICEFULL), 0, 1},      {GSIM_M_DEV_CREATEEFFECT, as_hr(DIERR_OTHERAPPHASPRIO), 0, 1},
    {GSIM_M_DEV_CREATEEFFECT, as_hr(DIERR_NOTACQUIRED), 0, 1},     {GSIM_M_DEV_CREATEEFFECT, as_hr(DIERR_INPUTLOST), 0, 1},
    {GSIM_M_DEV_CREATEEFFECT, as_hr(DIERR_NOTEXCLUSIVEACQUIRED), 0, 1}, {GSIM_M_DEV_CREATEEFFECT, as_hr(DIERR_UNSUPPORTED), 0, 1},
    {GSIM_M_DEV_CREATEEFFECT, as_hr(DIERR_EFFECTPLAYING), 0, 1},   {GSIM_M_DEV_CREATEEFFECT, E_FAIL, 0, 1},
    {GSIM_M_DEV_CREATEEFFECT, S_OK, 0, 1},
};
const FaultChoice kUpdateFaults[] = {
    {GSIM_M_EFF_SETPARAMETERS, as_hr(DIERR_EFFECTPLAYING), 0, 1}, {GSIM_M_EFF_SETPARAMETERS, as_hr(DIERR_EFFECTPLAYING), 0, 2},
    {GSIM_M_EFF_SETPARAMETERS, as_hr(DIERR_INPUTLOST), 0, 1},     {GSIM_M_EFF_SETPARAMETERS, as_hr(DIERR_DEVICEFULL), 0, 1},
    {GSIM_M_EFF_SETPARAMETERS, E_FAIL, 0, 1},
};
const FaultChoice kStartFaults[] = {
    {GSIM_M_EFF_START, as_hr(DIERR_OTHERAPPHASPRIO), 0, 1},      {GSIM_M_EFF_START, as_hr(DIERR_NOTACQUIRED), 0, 1},
    {GSIM_M_EFF_START, as_hr(DIERR_INPUTLOST), 0, 1},            {GSIM_M_EFF_START, as_hr(DIERR_NOTEXCLUSIVEACQUIRED), 0, 1},
    {GSIM_M_EFF_START, as_hr(DIERR_DEVICEFULL), 0, 1},           {GSIM_M_EFF_START, E_FAIL, 0, 1},
};
const FaultChoice kStopFaults[] = {{GSIM_M_EFF_STOP, E_FAIL, 0, 1}};
const FaultChoice kDestroyFaults[] = {{GSIM_M_EFF_STOP, E_FAIL, 0, 1}, {GSIM_M_EFF_UNLOAD, E_FAIL, 0, 1}};

// Values at and past the ends of every field's range.
const int32_t kExtremes[] = {0, 1, -1, 2, 4095, 4096, 4097, -4096, -4097, 10000, -10000, 359, 360, 361, -360,
                             32767, -32768, 65535, INT_MAX, INT_MIN, INT_MAX - 1, INT_MIN + 1};
const int32_t kFarDeviceHandles[] = {-1, -8, INT_MIN, INT_MAX, 65, 256, INT_MIN + 1};
const int32_t kFarEffectHandles[] = {0, 65, -1, -64, INT_MIN, INT_MAX, 1000};

std::string last_error() {
    char text[512];
    dib_last_error(text, sizeof text);
    return text;
}

}  // namespace

RandomDriver::RandomDriver(BridgeModel& model, const std::string* guids, unsigned seed, bool exact)
    : model_(model), guids_(guids), rng_(seed), exact_(exact), message_(last_error()) {}

Fault RandomDriver::pick(const FaultChoice* menu, size_t n) {
    Fault f;
    if (below(5) != 0) return f;
    const FaultChoice& c = menu[below(static_cast<int>(n))];
    f.method = c.method;
    f.hr = c.hr;
    f.skip = c.skip;
    f.count = c.count;
    return f;
}

int RandomDriver::arm(const Fault& f, int device) {
    if (f.method == GSIM_M_NONE || device < 0) return 0;
    GSIM_FAULT rule = {sizeof rule, f.method, f.hr, f.skip, f.count, device, 0};
    ++counts_.injected;
    return gsim_fault_add(&rule);
}

void RandomDriver::check(const char* what, int32_t argument, int32_t actual, const Outcome& expected, const Fault& f,
                         int rule) {
    if (rule > 0) gsim_fault_clear(rule);  // a rule whose call never came must not outlive the operation
    if (expected.writes) message_ = expected.message;
    const std::string now = last_error();
    if (actual == expected.result && now == message_) return;
    ++mismatches_;
    if (notes_.size() < 12) {
        char note[1400];
        std::snprintf(note, sizeof note, "%s(%d) with %s 0x%08lX skip %lu: returned %d, expected %d; message \"%s\", expected \"%s\"",
                      what, argument, f.method ? gsim_method_name(f.method) : "no fault",
                      static_cast<unsigned long>(f.hr), static_cast<unsigned long>(f.skip), actual, expected.result,
                      now.c_str(), message_.c_str());
        notes_.push_back(note);
    }
    message_ = now;  // judge the following calls on their own
}

void RandomDriver::open(int device) {
    const Fault f = maybe(kOpenFaults);
    const int rule = arm(f, device);
    const Outcome expected = model_.open(device, f);
    const int32_t handle = dib_open(guids_[device].c_str());
    check("dib_open", device, handle, expected, f, rule);
    if (handle > 0 && handle == expected.result) {
        ++counts_.opened;
        // Which auto-centre steps worked, read back and checked too.
        check("dib_autocenter_state", handle, dib_autocenter_state(handle),
              Outcome{model_.autocenter_state(handle), false, {}}, f, 0);
    }
}

void RandomDriver::open_malformed(bool null_text) {
    const Outcome expected = null_text ? Outcome{DIB_E_BADARG, true, "null guid"}
                                       : Outcome{DIB_E_BADARG, true, "malformed guid string"};
    check("dib_open (bad text)", 0, dib_open(null_text ? nullptr : "{5A1E0001-0000-11EE-8001"), expected, Fault{}, 0);
}

void RandomDriver::release(int32_t handle) {
    const Fault f = maybe(kReleaseFaults);
    const int rule = arm(f, model_.slot_device(handle));
    const Outcome expected = model_.release(handle, f);
    const int32_t result = dib_release(handle);
    check("dib_release", handle, result, expected, f, rule);
    if (result == DIB_OK) ++counts_.released;
}

void RandomDriver::reset(int32_t handle) {
    const Fault f = maybe(kResetFaults);
    const int rule = arm(f, model_.slot_device(handle));
    const Outcome expected = model_.reset(handle, f);
    check("dib_device_reset", handle, dib_device_reset(handle), expected, f, rule);
}

void RandomDriver::poll(int32_t handle) {
    const Fault f = maybe(kPollFaults);
    const bool null_report = below(50) == 0;
    const int rule = arm(f, model_.slot_device(handle));
    const Outcome expected = model_.poll(handle, null_report, f);
    InputReport report;
    std::memset(&report, 0x5A, sizeof report);
    InputReport untouched = report;
    const int32_t result = dib_poll(handle, null_report ? nullptr : &report);
    // A failed poll leaves the record alone; a good one never writes past byte 25.
    const size_t from = result == DIB_OK ? 26 : 0;
    const bool record_ok = std::memcmp(reinterpret_cast<char*>(&report) + from,
                                       reinterpret_cast<char*>(&untouched) + from, sizeof report - from) == 0;
    check(record_ok ? "dib_poll" : "dib_poll (record overwritten)", handle, record_ok ? result : -100, expected, f,
          rule);
}

void RandomDriver::set_axis_map(int32_t handle) {
    // The two force axes in either order with any flips, or a code out of range.
    const int32_t codes[] = {0, 1, -1, 8, -2, INT_MIN, INT_MAX, 100};
    const int32_t axis0 = codes[below(8) < 7 ? below(2) : 2 + below(6)];
    const int32_t axis1 = axis0 == 0 || axis0 == 1 ? 1 - axis0 : codes[2 + below(6)];
    const Outcome expected = model_.set_axis_map(handle, axis0, axis1);
    check("dib_set_axis_map", handle, dib_set_axis_map(handle, axis0, axis1, below(2), below(2)), expected, Fault{}, 0);
}

void RandomDriver::enumerate() {
    char list[1 << 13];
    const int32_t length = dib_enumerate(list, sizeof list);
    int entries = 0;
    for (const char* p = list; length > 0 && (p = std::strstr(p, "\"guid\"")) != nullptr; ++p) ++entries;
    // Only this count is modelled: judge it as the result.
    check("dib_enumerate (entries)", 0, length > 0 ? entries : length, Outcome{model_.enumerate(), false, {}},
          Fault{}, 0);
}

int32_t RandomDriver::any_device_handle() { return below(12) ? below(kSlots + 2) : kFarDeviceHandles[below(7)]; }

int32_t RandomDriver::any_effect_handle() { return below(12) ? 1 + below(kEntries) : kFarEffectHandles[below(7)]; }

void RandomDriver::fill_params(EffectParams& p) {
    static_assert(sizeof p == 27 * sizeof(int32_t), "EffectParams is 27 i32 fields");
    int32_t fields[27];
    const bool extreme = below(3) == 0;
    for (int32_t& f : fields) f = extreme && below(2) ? kExtremes[below(22)] : below(8193) - 4096;
    std::memcpy(&p, fields, sizeof p);
    if (!extreme) {  // the usual record: flags as flags
        p.cond[0].enabled = below(3) != 0;
        p.cond[1].enabled = below(3) != 0;
        p.use_envelope = below(2);
    }
}

int32_t RandomDriver::create(int32_t handle) {
    static const int32_t kTypes[] = {1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 1, 4, 8, 2, 0, 12, -1, INT_MIN, INT_MAX, 256};
    EffectParams p;
    fill_params(p);
    const int32_t type = kTypes[below(20)];
    const bool null_params = below(60) == 0;

    const Fault f = maybe(kCreateFaults);
    const int rule = arm(f, model_.slot_device(handle));
    bool downloads = false;
    Outcome expected = model_.create(handle, type, null_params ? nullptr : &p, f, downloads);
    const int32_t effect = dib_effect_create(handle, type, null_params ? nullptr : &p);
    ++counts_.effect_ops;
    // With other threads creating too, any entry free in the model is right.
    if (!exact_ && expected.result > 0 && model_.effect_free(effect)) expected.result = effect;
    check("dib_effect_create", handle, effect, expected, f, rule);
    if (effect > 0 && effect == expected.result) {
        model_.created(effect, handle, downloads);
        return effect;
    }
    return 0;
}

void RandomDriver::update(int32_t effect) {
    EffectParams p;
    fill_params(p);
    const bool null_params = below(60) == 0;
    const Fault f = maybe(kUpdateFaults);
    const int rule = arm(f, model_.effect_device(effect));
    const Outcome expected = model_.update(effect, null_params, f);
    ++counts_.effect_ops;
    check("dib_effect_update", effect, dib_effect_update(effect, null_params ? nullptr : &p), expected, f, rule);
}

void RandomDriver::start(int32_t effect) {
    const Fault f = maybe(kStartFaults);
    const int rule = arm(f, model_.effect_device(effect));
    const Outcome expected = model_.start(effect, f);
    ++counts_.effect_ops;
    check("dib_effect_start", effect, dib_effect_start(effect, below(4) - 1), expected, f, rule);
}

void RandomDriver::stop(int32_t effect) {
    const Fault f = maybe(kStopFaults);
    const int rule = arm(f, model_.effect_device(effect));
    const Outcome expected = model_.stop(effect);
    ++counts_.effect_ops;
    check("dib_effect_stop", effect, dib_effect_stop(effect), expected, f, rule);
}

void RandomDriver::destroy(int32_t effect) {
    const Fault f = maybe(kDestroyFaults);
    const int rule = arm(f, model_.effect_device(effect));
    const Outcome expected = model_.destroy(effect);
    ++counts_.effect_ops;
    check("dib_effect_destroy", effect, dib_effect_destroy(effect), expected, f, rule);
}

void RandomDriver::hostile(bool whole_bridge, const int* own, int owned) {
    char buffer[64];
    std::memset(buffer, 'u', sizeof buffer);
    const auto untouched = [&] {
        for (char c : buffer)
            if (c != 'u') return false;
        return true;
    };
    switch (below(whole_bridge ? 7 : 5)) {
        case 0: {  // no buffer, or one too short to be used
            const int32_t lengths[] = {0, 1, 3, -1, INT_MIN, 64};
            const int32_t length = lengths[below(6)];
            const bool null_buffer = length == 64 || below(2) == 0;
            const int32_t result = dib_enumerate(null_buffer ? nullptr : buffer, length);
            check(untouched() ? "dib_enumerate (bad buffer)" : "dib_enumerate (buffer written)", length,
                  untouched() ? result : -100, Outcome{DIB_E_BADARG, true, "bad buffer"}, Fault{}, 0);
            break;
        }
        case 1: {  // the thread's message: never into a buffer that is absent or empty
            const int32_t lengths[] = {0, -1, INT_MIN};
            const bool null_buffer = below(2) == 0;
            const int32_t length = null_buffer ? 64 : lengths[below(3)];
            check("dib_last_error (bad buffer)", length, dib_last_error(null_buffer ? nullptr : buffer, length),
                  Outcome{DIB_E_BADARG, false, {}}, Fault{}, 0);
            check("dib_build_info (bad buffer)", length, dib_build_info(null_buffer ? nullptr : buffer, 7),
                  Outcome{DIB_E_BADARG, false, {}}, Fault{}, 0);
            break;
        }
        case 2: {  // GUID texts that are no GUID
            const char* texts[] = {nullptr, "", "{", "{5A1E0001-0000-11EE-8001", "not a guid at all",
                                   "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"};
            const char* text = texts[below(6)];
            check("dib_query_ffb_axes (bad text)", 0, dib_query_ffb_axes(text),
                  Outcome{DIB_E_BADARG, true, "bad GUID string"}, Fault{}, 0);
            break;
        }
        case 3: {  // the queries without a lock, on any handle
            const int32_t handle = below(2) ? any_device_handle() : kFarDeviceHandles[below(7)];
            check("dib_ffb_axes", handle, dib_ffb_axes(handle), model_.ffb_axes(handle), Fault{}, 0);
            break;
        }
        case 4: {  // the axis query of this thread's devices, open or not
            const int device = own[below(owned)];
            check("dib_query_ffb_axes", device, dib_query_ffb_axes(guids_[device].c_str()), model_.query(device),
                  Fault{}, 0);
            break;
        }
        case 5: {  // a list that cannot fit
            const int32_t length = 4 + below(12);
            const int listed = model_.enumerate();
            const int32_t result = dib_enumerate(buffer, length);
            const bool intact = listed == 0 || untouched();
            check(intact ? "dib_enumerate (short buffer)" : "dib_enumerate (buffer written)", length,
                  intact ? result : -100,
                  listed ? Outcome{DIB_E_BADARG, true, "buffer too small"} : Outcome{2, false, {}}, Fault{}, 0);
            break;
        }
        default: {  // a GUID of no attached device
            check("dib_query_ffb_axes (absent)", 0, dib_query_ffb_axes("{5A1E0001-0000-11EE-8001-0000DEADBEEF}"),
                  model_.query(-1), Fault{}, 0);
        }
    }
}

}  // namespace endurance
