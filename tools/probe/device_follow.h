// Following a device through what happens to it while the probe holds it.
// Unplugged (poll's "input lost", and taking it back fails or it is lost
// again): it is released, and the list is read every half second until it
// is back, by its GUID or, as Wine lists a device plugged in again under a
// new GUID, by its USB ids and name; then it is reopened with the same map.
// A twin (same ids and name) that was listed when it went is not it.
// Taken by another program (taking it back is refused with 0x80070005): it
// stays open, and every poll tries to take it back, which works once the
// other program lets it go.
#pragma once
#include "device_list.h"
#include "device_session.h"

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace probe {

class DeviceFollower {
public:
    enum class Event { kNone, kGone, kBack, kTaken, kFreed };

    DeviceFollower(OpenDevice &device, const DeviceChoice &choice);

    // Unplugged: released, no handle until it is back; do not poll.
    bool gone() const { return gone_; }
    // Held by another program: the handle stays; keep polling to retry.
    bool taken() const { return taken_; }

    // After each pass of the command's loop, with dib_poll's result (not
    // used while gone): what changed, and the line that says so ("device 0
    // is gone (DIB_E_INPUT: ...); waiting for it to come back"). Gone, the
    // device is released, after `before_release` (what must go first);
    // back, it is open again, mapped as `map`.
    Event follow(int32_t poll_result, const AxisMap &map, std::string &says,
                 const std::function<void()> &before_release = nullptr);

private:
    bool unplugged(const std::string &message) const;
    void go(const std::function<void()> &before_release);
    bool come_back(const AxisMap &map);

    OpenDevice &device_;
    std::string label_, guid_;
    DeviceEntry was_;
    bool gone_ = false, taken_ = false;
    // GUIDs listed when the device went: a twin among them is not it.
    std::vector<std::string> listed_when_gone_;
    bool listed_ = false;
    std::chrono::steady_clock::time_point next_look_{};
};

}  // namespace probe
