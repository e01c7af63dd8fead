#include "reentry_cases.h"

#include "sim_fixture.h"

namespace simtest {
namespace {

EffectParams force(int32_t magnitude) {
    EffectParams p = no_params();
    p.constant_magnitude = magnitude;
    p.cond[0] = {1, 0, 1000, 1000, 4096, 4096, 0};
    return p;
}

int32_t close_hidden_window() {
    const HWND window = FindWindowA("Oskavi_DIB_Window", "Gantrel");
    DWORD_PTR answer = 0;
    return window && SendMessageTimeoutA(window, WM_CLOSE, 0, 0, SMTO_NORMAL, 5000, &answer) ? 0 : -1;
}

volatile LONG refusing = 0;

LRESULT CALLBACK refuse_creation(int code, WPARAM w, LPARAM l) {
    if (code == HCBT_CREATEWND && refusing) return 1;
    return CallNextHookEx(nullptr, code, w, l);
}

}  // namespace

bool set_up_world(World& w, std::string& why) {
    gsim_reset(GSIM_RESET_EMPTY);
    GSIM_DEVICE_DESC subject = plain_ff_device(0xA, "Subject");
    subject.restart_needed_flags = DIEP_TYPESPECIFICPARAMS;  // updates of a playing force restart it
    const GSIM_DEVICE_DESC other = plain_ff_device(0xB, "Other"), spare = plain_ff_device(0xC, "Spare");
    gsim_device_add(&subject);
    gsim_device_add(&other);
    gsim_device_add(&spare);
    w.subject_guid = guid_of(kSubject);
    w.spare_guid = guid_of(kSpare);
    w.device = dib_open(w.subject_guid.c_str());
    w.other = dib_open(guid_of(kOther).c_str());
    const EffectParams p = force(2000);
    w.effect = dib_effect_create(w.device, DIB_EFFECT_CONSTANT, &p);
    w.spring = dib_effect_create(w.device, DIB_EFFECT_SPRING, &p);
    w.other_effect = dib_effect_create(w.other, DIB_EFFECT_CONSTANT, &p);
    if (w.device < 1 || w.other < 1 || w.effect < 1 || w.spring < 1 || w.other_effect < 1 ||
        dib_effect_start(w.effect, 1) != DIB_OK || dib_effect_start(w.other_effect, 1) != DIB_OK) {
        why = last_error();
        return false;
    }
    return true;
}

const std::vector<Path>& export_paths() {
    static const std::vector<Path> paths = {
        {"dib_abi_version", Export::abi_version, true, kSubject, nullptr,
         [](const World&) { return dib_abi_version(); }},
        {"dib_build_info", Export::build_info, true, kSubject, nullptr,
         [](const World&) {
             char info[128];
             return dib_build_info(info, sizeof info);
         }},
        {"dib_last_error", Export::last_error, true, kSubject, nullptr,
         [](const World&) {
             char text[512];
             return dib_last_error(text, sizeof text);
         }},
        {"dib_enumerate", Export::enumerate, false, kSubject, nullptr,
         [](const World&) {
             char list[4096];
             return dib_enumerate(list, sizeof list);
         }},
        {"dib_open", Export::open, false, kSpare, nullptr,
         [](const World& w) { return dib_open(w.spare_guid.c_str()); }},
        {"dib_open of a device another program holds", Export::open, false, kSpare,
         [](const World&) { gsim_device_set_held_elsewhere(kSpare, TRUE); },
         [](const World& w) { return dib_open(w.spare_guid.c_str()); },
         {DIB_E_EXCLUSIVE,
          "Another application holds this device exclusively - close other FFB software and disable in-game "
          "force feedback"}},
        {"dib_release", Export::release, false, kSubject, nullptr,
         [](const World& w) { return dib_release(w.device); }},
        {"dib_device_reset", Export::device_reset, false, kSubject, nullptr,
         [](const World& w) { return dib_device_reset(w.device); }},
        {"dib_autocenter_state", Export::autocenter_state, true, kSubject, nullptr,
         [](const World& w) { return dib_autocenter_state(w.device); }},
        {"dib_ffb_axes", Export::ffb_axes, true, kSubject, nullptr,
         [](const World& w) { return dib_ffb_axes(w.device); }},
        {"dib_query_ffb_axes", Export::query_ffb_axes, false, kSpare, nullptr,
         [](const World& w) { return dib_query_ffb_axes(w.spare_guid.c_str()); }},
        {"dib_set_axis_map", Export::set_axis_map, true, kSubject, nullptr,
         [](const World& w) { return dib_set_axis_map(w.device, 0, 1, 1, 0); }},
        {"dib_poll", Export::poll, false, kSubject, nullptr,
         [](const World& w) {
             InputReport r;
             return dib_poll(w.device, &r);
         }},
        {"dib_poll of a device that lost its input", Export::poll, false, kSubject,
         [](const World&) {
             gsim_device_unplug(kSubject);
             gsim_device_replug(kSubject);
         },
         [](const World& w) {
             InputReport r;
             return dib_poll(w.device, &r);
         },
         {kSucceeds, nullptr}, true},
        {"dib_effect_create", Export::effect_create, false, kSubject, nullptr,
         [](const World& w) {
             const EffectParams p = force(2000);
             return dib_effect_create(w.device, DIB_EFFECT_CONSTANT, &p);
         }},
        {"dib_effect_update", Export::effect_update, false, kSubject, nullptr,
         [](const World& w) {
             const EffectParams p = force(2000);
             return dib_effect_update(w.effect, &p);
         }},
        {"dib_effect_update that the device restarts", Export::effect_update, false, kSubject, nullptr,
         [](const World& w) {
             const EffectParams p = force(3000);
             return dib_effect_update(w.effect, &p);
         }},
        {"dib_effect_start", Export::effect_start, false, kSubject, nullptr,
         [](const World& w) { return dib_effect_start(w.effect, 1); }},
        {"dib_effect_stop", Export::effect_stop, false, kSubject, nullptr,
         [](const World& w) { return dib_effect_stop(w.effect); }},
        {"dib_effect_destroy", Export::effect_destroy, false, kSubject, nullptr,
         [](const World& w) { return dib_effect_destroy(w.effect); }},
    };
    return paths;
}

const std::vector<Action>& host_actions() {
    struct OnDevice {
        const char* name;
        Export call;
        int32_t (*run)(int32_t device, int32_t effect);
    };
    static const OnDevice on_device[] = {
        {"dib_poll", Export::poll,
         [](int32_t d, int32_t) {
             InputReport r;
             return dib_poll(d, &r);
         }},
        {"dib_effect_create", Export::effect_create,
         [](int32_t d, int32_t) {
             const EffectParams p = force(2000);
             return dib_effect_create(d, DIB_EFFECT_CONSTANT, &p);
         }},
        {"dib_effect_update", Export::effect_update,
         [](int32_t, int32_t e) {
             const EffectParams p = force(2000);
             return dib_effect_update(e, &p);
         }},
        {"dib_effect_start", Export::effect_start, [](int32_t, int32_t e) { return dib_effect_start(e, 1); }},
        {"dib_effect_stop", Export::effect_stop, [](int32_t, int32_t e) { return dib_effect_stop(e); }},
        {"dib_effect_destroy", Export::effect_destroy, [](int32_t, int32_t e) { return dib_effect_destroy(e); }},
        {"dib_set_axis_map", Export::set_axis_map,
         [](int32_t d, int32_t) { return dib_set_axis_map(d, 0, 1, 1, 0); }},
        {"dib_device_reset", Export::device_reset, [](int32_t d, int32_t) { return dib_device_reset(d); }},
        {"dib_release", Export::release, [](int32_t d, int32_t) { return dib_release(d); }},
        {"dib_autocenter_state", Export::autocenter_state,
         [](int32_t d, int32_t) { return dib_autocenter_state(d); }},
        {"dib_ffb_axes", Export::ffb_axes, [](int32_t d, int32_t) { return dib_ffb_axes(d); }},
    };
    static const std::vector<Action> actions = [] {
        std::vector<Action> list;
        for (const OnDevice& a : on_device) {
            list.push_back({std::string(a.name) + " on this device", a.call, Target::this_device, 0,
                            [a](const World& w, const Path&) { return a.run(w.device, w.effect); }});
            list.push_back({std::string(a.name) + " on another device", a.call, Target::other_device, 0,
                            [a](const World& w, const Path&) { return a.run(w.other, w.other_effect); }});
        }
        list.push_back({"dib_enumerate", Export::enumerate, Target::none, 0, [](const World&, const Path&) {
                             char text[4096];
                             return dib_enumerate(text, sizeof text);
                         }});
        list.push_back({"dib_open", Export::open, Target::spare, 0,
                        [](const World& w, const Path&) { return dib_open(w.spare_guid.c_str()); }});
        list.push_back({"dib_query_ffb_axes of this device", Export::query_ffb_axes, Target::this_guid, 0,
                        [](const World& w, const Path&) { return dib_query_ffb_axes(w.subject_guid.c_str()); }});
        list.push_back({"dib_query_ffb_axes of a device not open", Export::query_ffb_axes, Target::spare, 0,
                        [](const World& w, const Path&) { return dib_query_ffb_axes(w.spare_guid.c_str()); }});
        list.push_back({"dib_last_error", Export::last_error, Target::none, 0, [](const World&, const Path&) {
                            char text[512];
                            return dib_last_error(text, sizeof text);
                        }});
        list.push_back({"the device unplugged", Export::none, Target::none, kUnplugged,
                        [](const World&, const Path& p) { return gsim_device_unplug(p.unplugs); }});
        list.push_back({"the hidden window closed", Export::none, Target::none, kWindowGone,
                        [](const World&, const Path&) { return close_hidden_window(); }});
        list.push_back({"the hidden window closed and no new window allowed", Export::none, Target::none,
                        kWindowGone, [](const World&, const Path&) {
                            refuse_new_windows(true);
                            return close_hidden_window();
                        }});
        return list;
    }();
    return actions;
}

void install_window_refusal() { SetWindowsHookExA(WH_CBT, refuse_creation, nullptr, GetCurrentThreadId()); }
void refuse_new_windows(bool refuse) { InterlockedExchange(&refusing, refuse ? 1 : 0); }
bool new_windows_refused() { return InterlockedCompareExchange(&refusing, 0, 0) != 0; }

}  // namespace simtest
