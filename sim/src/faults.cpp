#include "faults.h"

#include <algorithm>

namespace gsim {

static bool spent(const FaultRule &r) {
    return r.fault.count != GSIM_FAULT_FOREVER && r.seen >= r.fault.skip + r.fault.count;
}

int Faults::add(const GSIM_FAULT &f) {
    rules_.push_back({next_id_, f, 0});
    return next_id_++;
}

bool Faults::check(int method, int device, GSIM_FAULT &fired) {
    bool hit = false;
    for (FaultRule &r : rules_) {
        if (r.fault.method != method) continue;
        if (r.fault.device != -1 && r.fault.device != device) continue;
        r.seen++;
        if (!hit && r.seen > r.fault.skip) {
            fired = r.fault;
            hit = true;
        }
    }
    rules_.erase(std::remove_if(rules_.begin(), rules_.end(), spent), rules_.end());
    return hit;
}

void Faults::clear(int id) {
    if (id == 0) {
        rules_.clear();
        return;
    }
    rules_.erase(std::remove_if(rules_.begin(), rules_.end(), [id](const FaultRule &r) { return r.id == id; }),
                 rules_.end());
}

int Faults::pending() const {
    int n = 0;
    for (const FaultRule &r : rules_) {
        if (r.fault.count == GSIM_FAULT_FOREVER) {
            n += 1;
            continue;
        }
        DWORD used = r.seen > r.fault.skip ? r.seen - r.fault.skip : 0;
        n += static_cast<int>(r.fault.count - std::min(used, r.fault.count));
    }
    return n;
}

}  // namespace gsim
