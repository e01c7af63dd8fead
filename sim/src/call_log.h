// The call log: one GSIM_CALL per call, appended when the call starts and
// completed (result, returned data) when it ends.
#pragma once
#include "gantrel_sim.h"

#include <deque>

namespace gsim {

// Identifies an entry across clears: a cleared log invalidates old tickets.
struct Ticket {
    unsigned generation = 0;
    DWORD seq = 0;  // 0: not logged
};

class CallLog {
public:
    static const size_t kMaxEntries = 65536;

    Ticket begin(GSIM_CALL &call);
    GSIM_CALL *find(const Ticket &t);

    int count() const { return static_cast<int>(entries_.size()); }
    const GSIM_CALL *at(int i) const;
    void clear();
    void enable(bool on) { enabled_ = on; }
    int dropped() const { return dropped_; }

private:
    std::deque<GSIM_CALL> entries_;
    DWORD first_seq_ = 1;
    DWORD next_seq_ = 1;
    unsigned generation_ = 1;
    bool enabled_ = true;
    int dropped_ = 0;
};

}  // namespace gsim
