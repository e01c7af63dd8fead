#include "force_recorder.h"

#include "sim_objects.h"
#include "sim_state.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace gsim {

namespace {

const double kPi = 3.14159265358979323846;
const double kFullVelocity = GSIM_FORCE_FULL_VELOCITY * 10000.0;         // position units per second
const double kFullAcceleration = GSIM_FORCE_FULL_ACCELERATION * 10000.0; // per second squared

bool is_actuator(const GSIM_OBJECT &o) {
    return (o.dwType & DIDFT_AXIS) && ((o.dwType & DIDFT_FFACTUATOR) || (o.dwFlags & DIDOI_FFACTUATOR));
}

int slot_of_offset(DWORD ofs) { return ofs % 4 == 0 && ofs < 4 * kForceSlots ? static_cast<int>(ofs / 4) : -1; }

const GSIM_OBJECT *axis_at(const GSIM_DEVICE_DESC &d, int slot) {
    for (DWORD i = 0; i < d.num_objects && i < GSIM_MAX_OBJECTS; i++)
        if ((d.objects[i].dwType & DIDFT_AXIS) && d.objects[i].dwOfs == static_cast<DWORD>(slot * 4))
            return &d.objects[i];
    return nullptr;
}

// The logical centre GetDeviceState's scaling uses, and the half-ranges.
void halves(const GSIM_OBJECT &o, double &low, double &centre, double &high) {
    LONG lmin, lmax;
    logical_range(o, lmin, lmax);
    centre = lmin == 0 ? static_cast<double>(lmax >> 1) : std::round((static_cast<double>(lmin) + lmax) / 2.0);
    low = centre - lmin;
    high = lmax - centre;
}

double read_position(const GSIM_DEVICE_DESC &d, int slot) {
    const GSIM_OBJECT *o = axis_at(d, slot);
    if (!o) return 0;
    LONG raw;
    std::memcpy(&raw, reinterpret_cast<const BYTE *>(&d.state) + slot * 4, sizeof raw);
    double low, centre, high;
    halves(*o, low, centre, high);
    const double span = raw <= centre ? low : high;
    return span > 0 ? (raw - centre) / span * 10000.0 : 0;
}

void write_position(GSIM_DEVICE_DESC &d, int slot, double q) {
    const GSIM_OBJECT *o = axis_at(d, slot);
    if (!o) return;
    double low, centre, high;
    halves(*o, low, centre, high);
    q = std::max(-10000.0, std::min(10000.0, q));
    const LONG raw = static_cast<LONG>(std::lround(centre + q / 10000.0 * (q <= 0 ? low : high)));
    std::memcpy(reinterpret_cast<BYTE *>(&d.state) + slot * 4, &raw, sizeof raw);
}

// The slot of each of the effect's axes (object offsets or object ids).
void resolve_slots(const GSIM_DEVICE_DESC &d, const GSIM_EFFECT_PARAMS &p, int slots[]) {
    for (DWORD i = 0; i < GSIM_MAX_EFFECT_AXES; i++) {
        slots[i] = -1;
        if (i >= p.cAxes || !p.has_axes) continue;
        if (p.dwFlags & DIEFF_OBJECTIDS) {
            for (DWORD k = 0; k < d.num_objects && k < GSIM_MAX_OBJECTS; k++) {
                const GSIM_OBJECT &o = d.objects[k];
                if ((o.dwType & DIDFT_AXIS) && (p.axes[i] & DIDFT_AXIS) &&
                    DIDFT_GETINSTANCE(o.dwType) == DIDFT_GETINSTANCE(p.axes[i]))
                    slots[i] = slot_of_offset(o.dwOfs);
            }
        } else {
            slots[i] = slot_of_offset(p.axes[i]);
        }
    }
}

}  // namespace

std::vector<DWORD> actuator_offsets(const GSIM_DEVICE_DESC &d) {
    std::vector<DWORD> out;
    for (DWORD i = 0; i < d.num_objects && i < GSIM_MAX_OBJECTS && out.size() < GSIM_FORCE_MAX_AXES; i++)
        if (is_actuator(d.objects[i]) && slot_of_offset(d.objects[i].dwOfs) >= 0) out.push_back(d.objects[i].dwOfs);
    return out;
}

ForceRecorder::ForceRecorder(const DevicePtr &dev, DWORD step_ms) : dev_(dev), step_ms_(step_ms) {
    for (DWORD ofs : actuator_offsets(dev_->desc)) actuator_slots_.push_back(slot_of_offset(ofs));
    for (int s = 0; s < kForceSlots; s++) kin_[s].position = read_position(dev_->desc, s);
    observe_starts();
    keep(sample());
}

void ForceRecorder::observe_starts() {
    for (const SimEffect *e : sim().effects) {
        if (!e->st || e->owner->dev != dev_) continue;
        const EffectState &st = *e->st;
        auto it = tracks_.find(e->shell.id);
        if (it == tracks_.end()) {
            tracks_[e->shell.id] = {st.start_count, st.restart_count, clock_ms_};
        } else if (it->second.start_count != st.start_count || it->second.restart_count != st.restart_count) {
            it->second = {st.start_count, st.restart_count, clock_ms_};
        }
    }
}

void ForceRecorder::apply_motion(int slot, double &q, double &v, double &a) const {
    const Motion &m = motion_[slot];
    q = m.centre;
    v = a = 0;
    if (!m.period_ms) return;
    const double w = 2 * kPi / (m.period_ms / 1000.0);
    const double tau = (clock_ms_ - m.since_ms) / 1000.0;
    q += m.amplitude * std::sin(w * tau);
    v = m.amplitude * w * std::cos(w * tau);
    a = -m.amplitude * w * w * std::sin(w * tau);
}

void ForceRecorder::step_axes(double dt_s) {
    for (int s = 0; s < kForceSlots; s++) {
        double q, v, a;
        if (motion_[s].on) {
            apply_motion(s, q, v, a);
            write_position(dev_->desc, s, q);
        } else {
            // Moved by the program, if at all: differences between steps.
            q = read_position(dev_->desc, s);
            v = (q - kin_[s].position) / dt_s;
            a = (v - speed_[s]) / dt_s;
        }
        speed_[s] = v;
        kin_[s].position = q;
        kin_[s].velocity = v / kFullVelocity * 10000.0;
        kin_[s].acceleration = a / kFullAcceleration * 10000.0;
    }
}

GSIM_FORCE_SAMPLE ForceRecorder::sample() const {
    GSIM_FORCE_SAMPLE out{};
    out.time_ms = static_cast<DWORD>(clock_ms_);
    double total[kForceSlots] = {};
    for (const SimEffect *e : sim().effects) {
        if (!e->st || e->owner->dev != dev_ || !e->st->playing || !e->st->downloaded) continue;
        const SimDevice &owner = *e->owner;
        if (owner.paused || !owner.actuators_on) continue;
        auto track = tracks_.find(e->shell.id);
        if (track == tracks_.end()) continue;
        EffectSnapshot snap{};
        snap.guid = &e->guid;
        snap.params = &e->st->params;
        snap.elapsed_us = (clock_ms_ - track->second.start_ms) * 1000.0;
        snap.iterations = e->st->last_iterations;
        resolve_slots(dev_->desc, e->st->params, snap.slots);
        double push[kForceSlots] = {};
        if (!add_effect_push(snap, kin_, push)) continue;
        out.active++;
        for (int s = 0; s < kForceSlots; s++) total[s] += push[s] * owner.gain / 10000.0;
    }
    for (size_t k = 0; k < actuator_slots_.size(); k++) {
        const int s = actuator_slots_[k];
        out.force[k] = std::max(-10000.0, std::min(10000.0, total[s]));
        out.position[k] = kin_[s].position;
    }
    return out;
}

void ForceRecorder::keep(const GSIM_FORCE_SAMPLE &s) {
    if (samples_.size() < GSIM_FORCE_MAX_SAMPLES) samples_.push_back(s);
}

int ForceRecorder::advance(DWORD ms) {
    // What the program did at the current instant shows in its sample.
    observe_starts();
    if (!samples_.empty() && samples_.back().time_ms == static_cast<DWORD>(clock_ms_)) samples_.back() = sample();
    const DWORD total = remainder_ms_ + ms;
    remainder_ms_ = total % step_ms_;
    for (DWORD i = 0; i < total / step_ms_; i++) {
        clock_ms_ += step_ms_;
        step_axes(step_ms_ / 1000.0);
        observe_starts();
        keep(sample());
    }
    return static_cast<int>(samples_.size());
}

void ForceRecorder::move(int slot, double centre, double amplitude, DWORD period_ms) {
    Motion &m = motion_[slot];
    m.on = true;
    m.centre = centre;
    m.amplitude = amplitude;
    m.period_ms = period_ms;
    m.since_ms = clock_ms_;
    double q, v, a;
    apply_motion(slot, q, v, a);
    write_position(dev_->desc, slot, q);
    kin_[slot].position = q;
    speed_[slot] = v;
    kin_[slot].velocity = v / kFullVelocity * 10000.0;
    kin_[slot].acceleration = a / kFullAcceleration * 10000.0;
}

}  // namespace gsim
