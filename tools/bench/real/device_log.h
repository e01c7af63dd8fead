#pragma once
// Every report a virtual device received, with the driver's time stamps.
// The driver keeps only its latest few hundred and a run sends thousands,
// so a thread of its own reads them out every few milliseconds, as a
// host's other threads would run beside its force-feedback loop.
#include <windows.h>

#include <atomic>
#include <vector>

#include "client/vwheel_client.h"

namespace bench {

class DeviceLog {
public:
    explicit DeviceLog(const vwheel::Variant& variant);
    ~DeviceLog();
    DeviceLog(const DeviceLog&) = delete;
    DeviceLog& operator=(const DeviceLog&) = delete;

    // Opens the control channel and starts reading; false when it cannot.
    bool start();
    // Everything received since the last call, oldest first.
    std::vector<VWheelLogEntry> take();
    // Reads the driver's log now, between timed calls: calls of a few
    // microseconds fill it faster than the thread empties it.
    void read_now() { read_out(); }
    // Room for that many reports, so that gathering them during a run
    // neither allocates nor touches new memory.
    void reserve(size_t reports);
    // A read found the driver's log nearly full, so reports may have been lost.
    bool may_have_lost() const { return may_have_lost_; }

private:
    static DWORD WINAPI run(void* self);
    void read_out();

    vwheel::ControlChannel channel_;
    SRWLOCK lock_ = SRWLOCK_INIT;
    std::vector<VWheelLogEntry> entries_;
    HANDLE stop_ = nullptr;
    HANDLE thread_ = nullptr;
    std::atomic<bool> may_have_lost_{false};
};

}  // namespace bench
