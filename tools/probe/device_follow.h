// Following a device across an unplug: poll's "input lost" means it is gone;
// then the list is read again every half second until the device is back,
// by its GUID or, as Wine lists a device plugged in again under a new GUID,
// by its USB ids and name, and it is reopened with the same axis map.
#pragma once
#include "device_list.h"
#include "device_session.h"

#include <chrono>
#include <string>

namespace probe {

class DeviceFollower {
public:
    DeviceFollower(OpenDevice &device, const DeviceChoice &choice);

    bool gone() const { return gone_; }
    // After dib_poll: true when its result says the device has just gone
    // (DIB_E_INPUT: input lost and not taken back), which releases it; `what`
    // is the library's message.
    bool went_away(int32_t poll_result, std::string &what);
    // While gone: true once the device is listed and open again, mapped as `map`.
    bool came_back(const AxisMap &map);
    // "device 0 is gone (DIB_E_INPUT: <message>); waiting for it to come back"
    std::string gone_text(const std::string &what) const;
    // "device 0 is back as {GUID}"
    std::string back_text() const;

private:
    OpenDevice &device_;
    std::string label_, guid_;
    DeviceEntry was_;
    bool gone_ = false;
    std::chrono::steady_clock::time_point next_look_{};
};

}  // namespace probe
