#include <gtest/gtest.h>
#include <dinput.h>
#include "../support/vwheel_client.h"
TEST(Smoke, ControlDevicesOpen)
{
    for (auto *v : {&vwheel::kWheel, &vwheel::kStick, &vwheel::kMulti}) {
        vwheel::ControlChannel c(*v);
        EXPECT_TRUE(c.is_open());
        vwheel::HidInterface h(*v);
        EXPECT_TRUE(h.is_open());
    }
}
