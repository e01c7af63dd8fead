// Fault rules: "the calls number skip+1 .. skip+count of this method (on this
// device) from now return hr".
#pragma once
#include "gantrel_sim.h"

#include <vector>

namespace gsim {

struct FaultRule {
    int id;
    GSIM_FAULT fault;
    DWORD seen;
};

class Faults {
public:
    int add(const GSIM_FAULT &f);
    // Counts the call against every matching rule and returns the oldest
    // rule that fires on it, or false.
    bool check(int method, int device, GSIM_FAULT &fired);
    void clear(int id);
    int pending() const;

private:
    std::vector<FaultRule> rules_;
    int next_id_ = 1;
};

}  // namespace gsim
