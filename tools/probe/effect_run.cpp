#include "effect_run.h"

#include "effect_options.h"
#include "interrupt.h"
#include "probe_errors.h"

#include <algorithm>
#include <cmath>

namespace probe {

Effect::Effect(int32_t device, int32_t type, const EffectParams &params)
    : handle_(dib_effect_create(device, type, &params)), type_(type) {
    if (handle_ < 0) throw library_failure("dib_effect_create", handle_);
}

Effect::~Effect() {
    if (handle_ <= 0) return;
    dib_effect_stop(handle_);
    dib_effect_destroy(handle_);
    note_cleanup(std::string("stopped and destroyed the ") + effect_name(type_) + " effect");
}

void Effect::start(int32_t count) {
    const int32_t result = dib_effect_start(handle_, count);
    if (result < 0) throw library_failure("dib_effect_start", result);
}

void Effect::update(const EffectParams &params) {
    const int32_t result = dib_effect_update(handle_, &params);
    if (result < 0) throw library_failure("dib_effect_update", result);
}

void Effect::stop() {
    const int32_t result = dib_effect_stop(handle_);
    if (result < 0) throw library_failure("dib_effect_stop", result);
}

void Effect::destroy() {
    const int32_t h = handle_;
    handle_ = 0;
    const int32_t result = dib_effect_destroy(h);
    if (result < 0) throw library_failure("dib_effect_destroy", result);
    note_cleanup(std::string("stopped and destroyed the ") + effect_name(type_) + " effect");
}

void let_time_pass(int32_t device, unsigned ms, const TraceTarget &trace, bool real_time) {
    const unsigned step = 10;
    for (unsigned done = 0; done < ms; done += step) {
        check_interrupt();
        const unsigned now = std::min(step, ms - done);
        InputReport report;
        const int32_t result = dib_poll(device, &report);
        if (result < 0) throw library_failure("dib_poll", result);
        if (trace.active()) trace.sim->advance(trace.index, now);
        if (real_time) pause_or_interrupt(now);
    }
}

std::string push_summary(const ForceTrace &trace) {
    std::string out;
    for (size_t a = 0; a < trace.axes.size(); a++) {
        const auto &v = trace.push[a];
        if (v.empty()) continue;
        const auto range = std::minmax_element(v.begin(), v.end());
        if (!out.empty()) out += ", ";
        out += trace.axes[a] + " push " + std::to_string(std::lround(*range.first)) + " .. " +
               std::to_string(std::lround(*range.second));
    }
    return out.empty() ? "no actuator axes" : out;
}

}  // namespace probe
