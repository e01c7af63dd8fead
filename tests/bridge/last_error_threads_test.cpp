#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "gantrel.h"

namespace {
std::string last_error() {
    char buffer[512];
    dib_last_error(buffer, sizeof buffer);
    return buffer;
}
}  // namespace

TEST(LastErrorThreads, EachThreadSeesOnlyItsOwnMessage) {
    dib_ffb_axes(9);
    ASSERT_EQ(last_error(), "bad device handle");

    std::string fresh, own;
    std::thread other([&] {
        fresh = last_error();
        dib_effect_start(70, 1);
        own = last_error();
    });
    other.join();
    EXPECT_EQ(fresh, "") << "a new thread starts with the empty text";
    EXPECT_EQ(own, "bad effect handle");
    EXPECT_EQ(last_error(), "bad device handle") << "the other thread's failure stays there";
}

TEST(LastErrorThreads, ManyThreadsFailingAtOnceKeepTheirOwnText) {
    constexpr int kThreads = 8;
    std::string seen[kThreads];
    std::thread threads[kThreads];
    for (int t = 0; t < kThreads; ++t) {
        threads[t] = std::thread([t, &seen] {
            for (int i = 0; i < 2000; ++i) {
                if (t % 2) dib_ffb_axes(-t);
                else dib_effect_update(-t, nullptr);
                const std::string text = last_error();
                if (text != (t % 2 ? "bad device handle" : "bad effect handle")) {
                    seen[t] = text;
                    return;
                }
            }
            seen[t] = "ok";
        });
    }
    for (std::thread& th : threads) th.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(seen[t], "ok") << "thread " << t;
}
