#include <gtest/gtest.h>
#include <windows.h>
#include <dinput.h>
#include <cstdio>
#include "../support/vwheel_client.h"
#include "../support/pid_reports.h"
#include "gantrel.h"

using namespace vwheel;

static void dump(const Variant &v, const char *what)
{
    ControlChannel c(v);
    HidInterface h(v);
    PidDecoder d(h.preparsed());
    std::printf("--- %s\n%s", what, describe(d.decode_all(c.take_log())).c_str());
}

TEST(Explore, Bridge)
{
    char buf[8192];
    int n = dib_enumerate(buf, sizeof buf);
    std::printf("enumerate %d %s\n", n, buf);
    ControlChannel c(kWheel);
    c.reset();
    std::string s(buf);
    auto p = s.find("\"pid\":22273");
    ASSERT_NE(p, std::string::npos);
    auto g = s.rfind("\"guid\":\"", p);
    std::string guid = s.substr(g + 8, 38);
    int dev = dib_open(guid.c_str());
    std::printf("open %d\n", dev);
    dump(kWheel, "open");
    dib_set_axis_map(dev, 0, -1, 0, 0);
    EffectParams e = {};
    e.constant_magnitude = 2048;
    e.duration_ms = 1500;
    int eff = dib_effect_create(dev, 1, &e);
    dib_last_error(buf, sizeof buf);
    std::printf("create %d %s\n", eff, buf);
    dump(kWheel, "create constant");
    std::printf("start %d\n", dib_effect_start(eff, 3));
    dump(kWheel, "start 3");
    e.constant_magnitude = -4096;
    std::printf("update %d\n", dib_effect_update(eff, &e));
    dump(kWheel, "update");
    std::printf("stop %d\n", dib_effect_stop(eff));
    dump(kWheel, "stop");
    std::printf("destroy %d\n", dib_effect_destroy(eff));
    dump(kWheel, "destroy");
    std::printf("release %d\n", dib_release(dev));
    dump(kWheel, "release");
}
