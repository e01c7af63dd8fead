#pragma once
// Drives the bridge with random operations, each with a random DirectInput
// failure injected now and then, and checks every call against the model:
// its result, and the message its thread reads afterwards (also when the
// call must leave the previous one).
#include <random>
#include <string>
#include <vector>

#include "bridge_model.h"

namespace endurance {

// One failure an operation may meet.
struct FaultChoice {
    int method;
    HRESULT hr;
    DWORD skip;
    DWORD count;
};

struct DriverCounts {
    int opened = 0;     // successful opens
    int released = 0;   // successful releases
    int effect_ops = 0; // create, update, start, stop and destroy calls
    int injected = 0;   // operations run with a fault rule
};

class RandomDriver {
public:
    // exact: the model names the handle of each create (one thread only);
    // otherwise any handle free in the model is right.
    RandomDriver(BridgeModel& model, const std::string* guids, unsigned seed, bool exact);

    void open(int device);
    void open_malformed(bool null_text);
    void release(int32_t handle);
    void reset(int32_t handle);
    void poll(int32_t handle);
    void set_axis_map(int32_t handle);
    void enumerate();
    // Returns the new effect handle, or 0.
    int32_t create(int32_t handle);
    void update(int32_t effect);
    void start(int32_t effect);
    void stop(int32_t effect);
    void destroy(int32_t effect);
    // One call with hostile arguments: null and short buffers, GUID texts and
    // handles of every wrong kind, an absent message buffer. `whole_bridge`
    // allows calls whose outcome depends on every device (enumeration, the
    // axis query of any device); without it only this thread's `own` devices
    // are queried.
    void hostile(bool whole_bridge, const int* own, int owned);

    // Mostly 0..9 (0 and 9 are never valid), now and then far outside.
    int32_t any_device_handle();
    // Mostly 1..64, now and then 0, 65 or far outside.
    int32_t any_effect_handle();

    std::mt19937& rng() { return rng_; }
    int below(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }
    const DriverCounts& counts() const { return counts_; }
    int mismatches() const { return mismatches_; }
    const std::vector<std::string>& notes() const { return notes_; }

private:
    // Every field of the record, sometimes from values at and past the ends
    // of every range.
    void fill_params(EffectParams& p);
    template <size_t N>
    Fault maybe(const FaultChoice (&menu)[N]) { return pick(menu, N); }
    Fault pick(const FaultChoice* menu, size_t n);
    // Adds the rule for the device's calls; returns its id, 0 for none.
    int arm(const Fault& f, int device);
    void check(const char* what, int32_t argument, int32_t actual, const Outcome& expected, const Fault& f, int rule);

    BridgeModel& model_;
    const std::string* guids_;
    std::mt19937 rng_;
    bool exact_;
    std::string message_;  // what this thread's dib_last_error must read
    DriverCounts counts_;
    int mismatches_ = 0;
    std::vector<std::string> notes_;
};

}  // namespace endurance
