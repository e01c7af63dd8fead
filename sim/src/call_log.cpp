#include "call_log.h"

namespace gsim {

Ticket CallLog::begin(GSIM_CALL &call) {
    if (!enabled_) return {};
    call.seq = next_seq_++;
    if (entries_.size() == kMaxEntries) {
        // Keep the newest entries; seq numbers show the gap.
        entries_.pop_front();
        first_seq_++;
        dropped_++;
    }
    entries_.push_back(call);
    return {generation_, call.seq};
}

GSIM_CALL *CallLog::find(const Ticket &t) {
    if (t.seq == 0 || t.generation != generation_ || t.seq < first_seq_) return nullptr;
    size_t i = t.seq - first_seq_;
    return i < entries_.size() ? &entries_[i] : nullptr;
}

const GSIM_CALL *CallLog::at(int i) const {
    if (i < 0 || static_cast<size_t>(i) >= entries_.size()) return nullptr;
    return &entries_[i];
}

void CallLog::clear() {
    entries_.clear();
    first_seq_ = next_seq_ = 1;
    generation_++;
    dropped_ = 0;
}

}  // namespace gsim
