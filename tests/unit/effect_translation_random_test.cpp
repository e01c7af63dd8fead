#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "effects/effect_translation.h"

using namespace gantrel;

// Whatever the record, map and flips, the description is complete and
// self-consistent: this is what DirectInput's own validation relies on.
TEST(TranslationInvariants, HoldForRandomRecordsMapsAndFlips) {
    std::mt19937 rng(2024);
    const int32_t types[] = {1, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    auto any_i32 = [&] {
        switch (rng() % 4) {
            case 0: return static_cast<int32_t>(rng());
            case 1: return static_cast<int32_t>(rng() % 8193) - 4096;
            case 2: return static_cast<int32_t>(rng() % 3) - 1;
            default: return static_cast<int32_t>(rng() % 721) - 360;
        }
    };
    for (int i = 0; i < 100000; ++i) {
        EffectParams p;
        for (size_t f = 0; f < sizeof p / 4; ++f) reinterpret_cast<int32_t*>(&p)[f] = any_i32();
        int32_t map[2] = {static_cast<int32_t>(rng() % 9) - 1, static_cast<int32_t>(rng() % 9) - 1};
        if (map[0] < 0 && map[1] < 0) map[rng() % 2] = static_cast<int32_t>(rng() % 8);
        const uint8_t flip[2] = {static_cast<uint8_t>(rng() % 2), static_cast<uint8_t>(rng() % 2)};
        const int32_t type = types[rng() % 10];
        const bool condition = type >= 8;
        EffectSlot slot = {1, 1, type, nullptr,
                           {static_cast<uint8_t>(condition && rng() % 2),
                            static_cast<uint8_t>(condition && rng() % 2)}};

        DIEFFECT e;
        std::memset(&e, 0xEE, sizeof e);
        EffectScratch s = {};
        translate_effect_with_map(slot, map, flip, p, e, s);

        ASSERT_EQ(e.dwSize, sizeof(DIEFFECT));
        ASSERT_TRUE(e.cAxes == 1 || e.cAxes == 2);
        ASSERT_EQ(e.dwFlags, e.cAxes == 2 ? 0x22u : 0x12u);
        ASSERT_EQ(e.rgdwAxes, s.axes);
        ASSERT_EQ(e.rglDirection, s.directions);
        ASSERT_EQ(s.directions[1], 0);
        if (e.cAxes == 1) ASSERT_EQ(s.directions[0], 1);
        for (DWORD a = 0; a < e.cAxes; ++a) ASSERT_TRUE(s.axes[a] <= 28 && s.axes[a] % 4 == 0);
        if (e.cAxes == 2) ASSERT_TRUE(map[0] >= 0 && map[1] >= 0);
        ASSERT_EQ(e.dwTriggerButton, DIEB_NOTRIGGER);
        ASSERT_EQ(e.dwTriggerRepeatInterval, 0u);
        ASSERT_EQ(e.dwSamplePeriod, 0u);
        ASSERT_EQ(e.dwStartDelay, 0u);
        ASSERT_EQ(e.lpEnvelope != nullptr, p.use_envelope != 0);
        if (e.lpEnvelope) ASSERT_EQ(e.lpEnvelope->dwSize, sizeof(DIENVELOPE));
        ASSERT_GE(e.dwGain, 1u);
        if (condition) {
            ASSERT_EQ(e.cbTypeSpecificParams, sizeof(DICONDITION) * e.cAxes);
            ASSERT_EQ(e.lpvTypeSpecificParams, s.conditions);
            ASSERT_EQ(s.directions[0], e.cAxes == 2 ? 0 : 1);
        } else if (type == 1) {
            ASSERT_EQ(e.cbTypeSpecificParams, sizeof(DICONSTANTFORCE));
            ASSERT_EQ(e.lpvTypeSpecificParams, &s.constant);
            // A force keeps its direction unless a single flipped axis reverses it.
            const LONG unflipped = scale_signed(p.constant_magnitude);
            if (e.cAxes == 2) ASSERT_EQ(s.constant.lMagnitude, unflipped);
        } else {
            ASSERT_EQ(e.cbTypeSpecificParams, sizeof(DIPERIODIC));
            ASSERT_EQ(e.lpvTypeSpecificParams, &s.periodic);
            if (p.period_ms < 1) ASSERT_EQ(s.periodic.dwPeriod, 1000u);
            if (e.cAxes == 2 || !(map[0] >= 0 ? flip[0] : flip[1]))
                ASSERT_EQ(s.periodic.dwPhase, static_cast<DWORD>(100 * (p.phase_deg % 360)));
            else
                ASSERT_LT(s.periodic.dwPhase, 36000u);
        }
        if (e.cAxes == 2 && !condition && (flip[0] || flip[1]))
            ASSERT_TRUE(s.directions[0] >= 0 && s.directions[0] < 36000);
    }
}
