#include "effect_options.h"

#include "probe_errors.h"

#include <cstring>

namespace probe {

namespace {

const int32_t kTypes[10] = {DIB_EFFECT_CONSTANT,     DIB_EFFECT_SQUARE,      DIB_EFFECT_SINE,
                            DIB_EFFECT_TRIANGLE,     DIB_EFFECT_SAWTOOTHUP,  DIB_EFFECT_SAWTOOTHDOWN,
                            DIB_EFFECT_SPRING,       DIB_EFFECT_DAMPER,      DIB_EFFECT_INERTIA,
                            DIB_EFFECT_FRICTION};

const long kFull = 4096;
const long kHour = 3600000;

// Which group of effects each option belongs to.
const char *const kCommon[] = {"gain", "duration", "envelope"};
const char *const kConstant[] = {"magnitude", "direction"};
const char *const kPeriodic[] = {"magnitude", "direction", "offset", "period", "phase"};
const char *const kCondition[] = {"coefficient", "saturation", "deadband", "center", "cond0", "cond1"};

template <size_t N>
bool listed(const char *const (&names)[N], const std::string &name) {
    for (const char *n : names)
        if (name == n) return true;
    return false;
}

bool applies(int32_t type, const std::string &option) {
    if (listed(kCommon, option)) return true;
    if (type == DIB_EFFECT_CONSTANT) return listed(kConstant, option);
    if (is_condition(type)) return listed(kCondition, option);
    return listed(kPeriodic, option);
}

long option_long(const ParsedArgs &args, const char *name, long lo, long hi, long fallback) {
    return args.has(name) ? parse_long(args.value(name), std::string("--") + name, lo, hi) : fallback;
}

// "offset=100,coef=2048,neg-sat=1000" (or "off") for one condition axis.
void apply_condition_text(const std::string &text, const std::string &what, ConditionAxisParams &c) {
    if (text == "off") {
        c.enabled = 0;
        return;
    }
    for (const std::string &item : split(text, ',')) {
        const size_t eq = item.find('=');
        const std::string key = item.substr(0, eq);
        if (eq == std::string::npos)
            throw usage_error(what + ": \"" + item + "\" should be key=value (or the whole value \"off\")");
        const std::string value = item.substr(eq + 1), where = what + " " + key;
        if (key == "offset") c.offset = parse_long(value, where, -kFull, kFull);
        else if (key == "coef") c.positive_coefficient = c.negative_coefficient = parse_long(value, where, -kFull, kFull);
        else if (key == "pos-coef") c.positive_coefficient = parse_long(value, where, -kFull, kFull);
        else if (key == "neg-coef") c.negative_coefficient = parse_long(value, where, -kFull, kFull);
        else if (key == "sat") c.positive_saturation = c.negative_saturation = parse_long(value, where, 0, kFull);
        else if (key == "pos-sat") c.positive_saturation = parse_long(value, where, 0, kFull);
        else if (key == "neg-sat") c.negative_saturation = parse_long(value, where, 0, kFull);
        else if (key == "deadband") c.deadband = parse_long(value, where, 0, kFull);
        else
            throw usage_error(what + ": unknown key \"" + key +
                              "\" (offset, coef, pos-coef, neg-coef, sat, pos-sat, neg-sat, deadband)");
    }
}

}  // namespace

const std::vector<std::string> &effect_names() {
    static const std::vector<std::string> names = {"constant",     "square", "sine",   "triangle", "sawtoothup",
                                                   "sawtoothdown", "spring", "damper", "inertia",  "friction"};
    return names;
}

const char *effect_name(int32_t type) {
    for (int i = 0; i < 10; i++)
        if (kTypes[i] == type) return effect_names()[i].c_str();
    return "unknown";
}

int32_t effect_type(const std::string &name) {
    for (int i = 0; i < 10; i++)
        if (effect_names()[i] == name) return kTypes[i];
    std::string all;
    for (const std::string &n : effect_names()) all += " " + n;
    throw usage_error("\"" + name + "\" is not an effect; the effects are:" + all);
}

bool is_condition(int32_t type) { return type >= DIB_EFFECT_SPRING && type <= DIB_EFFECT_FRICTION; }
bool is_periodic(int32_t type) { return type >= DIB_EFFECT_SQUARE && type <= DIB_EFFECT_SAWTOOTHDOWN; }

OptionTable effect_option_table() {
    OptionTable options;
    for (const char *n : kCommon) options[n] = true;
    for (const char *n : kPeriodic) options[n] = true;
    for (const char *n : kCondition) options[n] = true;
    return options;
}

EffectParams effect_params(int32_t type, const ParsedArgs &args) {
    for (const auto &option : args.options)
        if (effect_option_table().count(option.first) && !applies(type, option.first))
            throw usage_error("play: --" + option.first + " does not apply to " + effect_name(type));

    EffectParams p;
    std::memset(&p, 0, sizeof p);
    p.gain = option_long(args, "gain", 1, kFull, kFull);
    p.duration_ms = option_long(args, "duration", 0, kHour, 0);
    p.direction_deg = option_long(args, "direction", -360, 360, 90);
    if (args.has("envelope")) {
        std::vector<long> e(4, 0);
        parse_long_list(args.value("envelope"), "--envelope", 0, kHour, 4, e);
        if (e[0] > kFull || e[2] > kFull)
            throw usage_error("--envelope: the attack and fade levels go from 0 to 4096");
        p.use_envelope = 1;
        p.attack_level = e[0];
        p.attack_ms = e[1];
        p.fade_level = e[2];
        p.fade_ms = e[3];
    }
    if (type == DIB_EFFECT_CONSTANT) p.constant_magnitude = option_long(args, "magnitude", -kFull, kFull, 2048);
    if (is_periodic(type)) {
        p.periodic_magnitude = option_long(args, "magnitude", 0, kFull, 2048);
        p.periodic_offset = option_long(args, "offset", -kFull, kFull, 0);
        p.period_ms = option_long(args, "period", 1, 60000, 200);
        p.phase_deg = option_long(args, "phase", -359, 359, 0);
    }
    if (is_condition(type)) {
        std::vector<long> coef = {2048, 2048}, sat = {kFull, kFull};
        if (args.has("coefficient")) {
            parse_long_list(args.value("coefficient"), "--coefficient", -kFull, kFull, 1, coef);
            if (split(args.value("coefficient"), ',').size() == 1) coef[1] = coef[0];
        }
        if (args.has("saturation")) {
            parse_long_list(args.value("saturation"), "--saturation", 0, kFull, 1, sat);
            if (split(args.value("saturation"), ',').size() == 1) sat[1] = sat[0];
        }
        for (ConditionAxisParams &c : p.cond) {
            c.enabled = 1;
            c.offset = option_long(args, "center", -kFull, kFull, 0);
            c.positive_coefficient = coef[0];
            c.negative_coefficient = coef[1];
            c.positive_saturation = sat[0];
            c.negative_saturation = sat[1];
            c.deadband = option_long(args, "deadband", 0, kFull, 0);
        }
        if (args.has("cond0")) apply_condition_text(args.value("cond0"), "--cond0", p.cond[0]);
        if (args.has("cond1")) apply_condition_text(args.value("cond1"), "--cond1", p.cond[1]);
        if (!p.cond[0].enabled && !p.cond[1].enabled)
            throw usage_error("play: --cond0 off and --cond1 off leave the condition no axis to act on");
    }
    return p;
}

std::string describe_effect(int32_t type, const EffectParams &p, bool two_axes) {
    auto num = [](long v) { return std::to_string(v); };
    auto condition = [&](const ConditionAxisParams &c) {
        return "offset " + num(c.offset) + ", coefficient " + num(c.positive_coefficient) + "/" +
               num(c.negative_coefficient) + ", saturation " + num(c.positive_saturation) + "/" +
               num(c.negative_saturation) + ", dead band " + num(c.deadband);
    };
    std::string out = std::string(effect_name(type)) + ": ";
    if (type == DIB_EFFECT_CONSTANT) {
        out += "magnitude " + num(p.constant_magnitude);
    } else if (is_periodic(type)) {
        out += "magnitude " + num(p.periodic_magnitude) + ", offset " + num(p.periodic_offset) + ", period " +
               num(p.period_ms) + " ms, phase " + num(p.phase_deg);
    } else if (p.cond[0].enabled && p.cond[1].enabled &&
               std::memcmp(&p.cond[0], &p.cond[1], sizeof p.cond[0]) == 0) {
        out += condition(p.cond[0]);
    } else {
        for (int i = 0; i < 2; i++)
            out += std::string(i ? "; " : "") + "axis " + num(i) + " " + (p.cond[i].enabled ? condition(p.cond[i]) : "off");
    }
    if (two_axes && !is_condition(type)) out += ", direction " + num(p.direction_deg);
    out += ", gain " + num(p.gain) + ", " + (p.duration_ms > 0 ? num(p.duration_ms) + " ms" : "until stopped");
    if (p.use_envelope)
        out += ", envelope from " + num(p.attack_level) + " over " + num(p.attack_ms) + " ms, fade to " +
               num(p.fade_level) + " over " + num(p.fade_ms) + " ms";
    return out;
}

}  // namespace probe
