#include "device_log.h"

#include <algorithm>

namespace bench {
namespace {

// The driver keeps its latest 512 reports; a read that finds this many
// cannot tell whether older ones gave way.
constexpr size_t kNearlyFull = 448;
constexpr DWORD kReadEveryMs = 10;

}  // namespace

DeviceLog::DeviceLog(const vwheel::Variant& variant) : channel_(variant) {}

DeviceLog::~DeviceLog() {
    if (thread_) {
        SetEvent(stop_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    if (stop_) CloseHandle(stop_);
}

bool DeviceLog::start() {
    if (!channel_.is_open()) return false;
    channel_.take_log();  // what earlier programs left
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = stop_ ? CreateThread(nullptr, 0, run, this, 0, nullptr) : nullptr;
    return thread_ != nullptr;
}

DWORD WINAPI DeviceLog::run(void* self) {
    auto* log = static_cast<DeviceLog*>(self);
    while (WaitForSingleObject(log->stop_, kReadEveryMs) == WAIT_TIMEOUT) log->read_out();
    return 0;
}

void DeviceLog::read_out() {
    AcquireSRWLockExclusive(&lock_);
    const std::vector<VWheelLogEntry> read = channel_.take_log();
    if (read.size() >= kNearlyFull) may_have_lost_ = true;
    entries_.insert(entries_.end(), read.begin(), read.end());
    ReleaseSRWLockExclusive(&lock_);
}

std::vector<VWheelLogEntry> DeviceLog::take() {
    read_out();
    AcquireSRWLockExclusive(&lock_);
    std::vector<VWheelLogEntry> all(entries_);
    entries_.clear();  // keeps its room
    ReleaseSRWLockExclusive(&lock_);
    return all;
}

void DeviceLog::reserve(size_t reports) {
    AcquireSRWLockExclusive(&lock_);
    // Written once, so that its pages are in memory before the run too.
    const size_t kept = entries_.size();
    entries_.resize(std::max(kept, reports));
    entries_.resize(kept);
    ReleaseSRWLockExclusive(&lock_);
}

}  // namespace bench
