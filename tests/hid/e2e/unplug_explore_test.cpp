#include <gtest/gtest.h>
#include <windows.h>
#include <cstdio>
#include "../support/device_node.h"
#include "bridge_session.h"
using namespace vwheel;
namespace {
void show(const char *step, int32_t r) { std::printf("STEP %-28s -> %d  [%s]\n", step, r, last_error_text().c_str()); std::fflush(stdout); }
std::string listed_guid(const Variant &v) { return json_member(enumerated_description(v), "guid"); }

TEST(Explore, Sequence)
{
    const char *mode = getenv("UNPLUG_MODE");
    std::string why;
    std::string guid;
    int32_t dev, eff;
    {
        DeviceSession wheel(kWheel);
        ASSERT_TRUE(wheel.ready()) << wheel.problem();
        guid = wheel.guid();
        std::printf("guid before %s\n", guid.c_str());
        dev = dib_open(guid.c_str()); show("open", dev);
        dib_set_axis_map(dev, DIB_AXIS_X, DIB_AXIS_NONE, 0, 0);
        EffectParams p = {}; p.constant_magnitude = 1000;
        eff = dib_effect_create(dev, DIB_EFFECT_CONSTANT, &p); show("create", eff);
        show("start", dib_effect_start(eff, 1));
        InputReport r; show("poll", dib_poll(dev, &r));
    }
    DWORD t0 = GetTickCount();
    bool ok = mode && !strcmp(mode, "disable") ? false : unplug(kWheel, &why);
    std::printf("unplug ok=%d why=%s took %lu ms\n", ok, why.c_str(), GetTickCount() - t0);
    InputReport r;
    for (int i = 0; i < 30; i++) { int32_t x = dib_poll(dev, &r); if (x) { std::printf("after %d polls\n", i); show("poll", x); break; } Sleep(100); }
    show("poll again", dib_poll(dev, &r));
    EffectParams p = {}; p.constant_magnitude = 2000;
    show("update", dib_effect_update(eff, &p));
    show("start", dib_effect_start(eff, 1));
    show("stop", dib_effect_stop(eff));
    int32_t e2 = dib_effect_create(dev, DIB_EFFECT_CONSTANT, &p); show("create2", e2);
    show("reset", dib_device_reset(dev));
    show("ffb_axes", dib_ffb_axes(dev));
    show("query", dib_query_ffb_axes(guid.c_str()));
    show("open again", dib_open(guid.c_str()));
    show("release", dib_release(dev));
    std::printf("listed after unplug: '%s'\n", listed_guid(kWheel).c_str());
    t0 = GetTickCount();
    ok = replug(kWheel, &why);
    std::printf("replug ok=%d why=%s took %lu ms\n", ok, why.c_str(), GetTickCount() - t0);
    std::string again;
    for (int i = 0; i < 150 && again.empty(); i++) { again = listed_guid(kWheel); if (again.empty()) Sleep(100); }
    std::printf("listed after replug after %lu ms: '%s'\n", GetTickCount() - t0, again.c_str());
    show("open old guid", dev = dib_open(guid.c_str()));
    if (dev > 0) dib_release(dev);
    if (!again.empty()) {
        DeviceSession wheel(kWheel);
        std::printf("session ready %d %s\n", wheel.ready(), wheel.problem().c_str());
        dev = dib_open(again.c_str()); show("open new", dev);
        dib_set_axis_map(dev, DIB_AXIS_X, DIB_AXIS_NONE, 0, 0);
        wheel.take_reports();
        eff = dib_effect_create(dev, DIB_EFFECT_CONSTANT, &p); show("create", eff);
        show("start", dib_effect_start(eff, 1));
        auto reps = wheel.take_reports();
        std::printf("reports after start: %zu\n%s\n", reps.size(), describe(reps).c_str());
        show("poll", dib_poll(dev, &r));
        show("release", dib_release(dev));
    }
}
}
bool node_tool(const std::wstring&, std::string*);
namespace {
bool node(const char *action, const Variant &v) {
    std::string why;
    bool ok;
    if (!strcmp(action, "remove")) ok = unplug(v, &why);
    else if (!strcmp(action, "install")) ok = replug(v, &why);
    else { std::wstring a(action, action + strlen(action)); ok = node_tool(a + L" " + v.name, &why); }
    std::printf("node %s ok=%d %s\n", action, ok, why.c_str());
    return ok;
}
TEST(Explore, KeepOpenAcrossReplugAndTwoDevices)
{
    const char *off = getenv("UNPLUG_OFF") ? getenv("UNPLUG_OFF") : "remove";
    const char *on = strcmp(off, "remove") ? "enable" : "install";
    std::string guid = listed_guid(kWheel), sguid = listed_guid(kStick);
    int32_t dev = dib_open(guid.c_str()); show("open wheel", dev);
    int32_t stick = dib_open(sguid.c_str()); show("open stick", stick);
    dib_set_axis_map(dev, DIB_AXIS_X, DIB_AXIS_NONE, 0, 0);
    EffectParams p = {}; p.constant_magnitude = 1000;
    int32_t eff = dib_effect_create(dev, DIB_EFFECT_CONSTANT, &p); show("create", eff);
    int32_t seff = dib_effect_create(stick, DIB_EFFECT_CONSTANT, &p); show("create stick", seff);
    show("start", dib_effect_start(eff, 1));
    node(off, kWheel);
    show("start right after", dib_effect_start(eff, 1));
    Sleep(500);
    show("start 500ms later", dib_effect_start(eff, 1));
    InputReport r;
    show("poll wheel", dib_poll(dev, &r));
    show("poll stick", dib_poll(stick, &r));
    show("start stick", dib_effect_start(seff, 1));
    std::printf("listed wheel after off: '%s'\n", listed_guid(kWheel).c_str());
    DWORD t0 = GetTickCount();
    node(on, kWheel);
    std::string again;
    for (int i = 0; i < 150 && again.empty(); i++) { again = listed_guid(kWheel); if (again.empty()) Sleep(100); }
    std::printf("listed after on after %lu ms: '%s' (was %s)\n", GetTickCount() - t0, again.c_str(), guid.c_str());
    for (int i = 0; i < 5; i++) { show("poll old handle", dib_poll(dev, &r)); Sleep(200); }
    show("start old effect", dib_effect_start(eff, 1));
    show("release", dib_release(dev));
    show("release stick", dib_release(stick));
}
}
