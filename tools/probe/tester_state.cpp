#include "tester_state.h"

#include "effect_options.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace probe {

namespace {

const int32_t kPeriods[] = {10, 20, 50, 100, 200, 500, 1000, 2000};
const int32_t kStep = 256;

int32_t clamp(int32_t v, int32_t lo, int32_t hi) { return std::max(lo, std::min(hi, v)); }

}  // namespace

EffectParams tester_params(const TesterSettings &s) {
    EffectParams p;
    std::memset(&p, 0, sizeof p);
    p.gain = s.gain;
    p.direction_deg = s.direction;
    p.duration_ms = 0;  // until stopped
    if (s.type == DIB_EFFECT_CONSTANT) p.constant_magnitude = s.strength;
    p.periodic_magnitude = s.strength;
    p.period_ms = s.period_ms;
    for (ConditionAxisParams &c : p.cond) {
        c.enabled = 1;
        c.positive_coefficient = c.negative_coefficient = s.strength;
        // The force never exceeds the strength asked for.
        c.positive_saturation = c.negative_saturation = s.strength;
    }
    if (s.envelope_sent && !is_condition(s.type)) {
        p.use_envelope = 1;
        if (s.envelope) {
            p.attack_ms = 1000;
            p.fade_ms = 1000;
        }
    }
    return p;
}

const char *strength_name(int32_t type) { return is_condition(type) ? "Coefficient" : "Magnitude"; }

TesterAction apply_key(const Key &key, TesterSettings &s, std::string &said) {
    const std::vector<std::string> &names = effect_names();
    auto type_index = [&] {
        for (size_t i = 0; i < names.size(); i++)
            if (effect_type(names[i]) == s.type) return i;
        return size_t(0);
    };
    auto choose_type = [&](size_t index) {
        if (effect_type(names[index]) == s.type) return TesterAction::kNone;
        s.type = effect_type(names[index]);
        // Only a constant force has a sign.
        if (s.type != DIB_EFFECT_CONSTANT) s.strength = std::abs(s.strength);
        said = "effect " + names[index];
        return TesterAction::kRecreate;
    };
    auto strength = [&](int32_t by) {
        const int32_t low = s.type == DIB_EFFECT_CONSTANT ? -4096 : 0;
        s.strength = clamp(s.strength + by, low, 4096);
        said = std::string(strength_name(s.type)) + " " + std::to_string(s.strength);
        said[0] = static_cast<char>(said[0] - 'A' + 'a');
        return TesterAction::kUpdate;
    };
    auto turn = [&](int32_t by) {
        s.direction = ((s.direction + by) % 360 + 360) % 360;
        said = "direction " + std::to_string(s.direction);
        return TesterAction::kUpdate;
    };
    switch (key.name) {
    case Key::kUp: return strength(kStep);
    case Key::kDown: return strength(-kStep);
    case Key::kPageUp: return strength(4 * kStep);
    case Key::kPageDown: return strength(-4 * kStep);
    case Key::kRight: return turn(15);
    case Key::kLeft: return turn(-15);
    case Key::kTab: return choose_type((type_index() + 1) % names.size());
    case Key::kEscape: return TesterAction::kQuit;
    case Key::kChar: break;
    default: return TesterAction::kNone;
    }
    const char c = key.ch;
    if (c >= '0' && c <= '9') return choose_type(c == '0' ? 9 : static_cast<size_t>(c - '1'));
    switch (c) {
    case ' ': return TesterAction::kStartStop;
    case 'q': case 'Q': return TesterAction::kQuit;
    case '+': case '=':
    case '-': case '_':
        s.gain = clamp(s.gain + (c == '+' || c == '=' ? kStep : -kStep), kStep, 4096);
        said = "gain " + std::to_string(s.gain);
        return TesterAction::kUpdate;
    case '[': case ']': {
        const int32_t *at = std::find(std::begin(kPeriods), std::end(kPeriods), s.period_ms);
        if (c == '[' && at != std::begin(kPeriods)) --at;
        if (c == ']' && at + 1 != std::end(kPeriods)) ++at;
        s.period_ms = *at;
        said = "period " + std::to_string(s.period_ms) + " ms";
        return TesterAction::kUpdate;
    }
    case 'e': case 'E':
        if (is_condition(s.type)) {
            said = "conditions take no envelope here";
            return TesterAction::kNone;
        }
        s.envelope = !s.envelope;
        s.envelope_sent = true;
        said = s.envelope ? "envelope on: rises from 0 over 1 s when started" : "envelope off";
        return TesterAction::kUpdate;
    }
    return TesterAction::kNone;
}

}  // namespace probe
