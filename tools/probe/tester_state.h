// What the interactive tester plays, and what each key changes.
#pragma once
#include "console_screen.h"
#include "gantrel.h"

#include <string>

namespace probe {

// Low enough to hold comfortably on any wheel, high enough to feel.
const int32_t kGentleStrength = 800;

struct TesterSettings {
    int32_t type = DIB_EFFECT_CONSTANT;
    int32_t strength = kGentleStrength;  // magnitude, or coefficient (and force cap) of a condition
    int32_t direction = 90;              // degrees, where the force comes from
    int32_t gain = 4096;
    int32_t period_ms = 200;
    bool envelope = false;
    bool envelope_sent = false;  // once sent, an envelope must be sent flat to switch it off
};

// The effect the settings describe: until stopped, on both mapped axes.
EffectParams tester_params(const TesterSettings &s);

enum class TesterAction { kNone, kUpdate, kRecreate, kStartStop, kQuit };

// Applies a key to the settings; `said` tells what changed ("magnitude 1056").
TesterAction apply_key(const Key &key, TesterSettings &s, std::string &said);

// "Magnitude" or "Coefficient", as the type calls its strength.
const char *strength_name(int32_t type);

}  // namespace probe
