#include "device_follow.h"

#include "gantrel.h"
#include "probe_errors.h"

namespace probe {

DeviceFollower::DeviceFollower(OpenDevice &device, const DeviceChoice &choice)
    : device_(device), label_(choice.label()), guid_(choice.guid) {
    if (choice.entry) was_ = *choice.entry;
}

bool DeviceFollower::went_away(int32_t poll_result, std::string &what) {
    // Taking the device back failed, or it was lost again at once: gone, not
    // a read that failed on a device still there.
    const std::string message = library_message();
    if (gone_ || poll_result != DIB_E_INPUT ||
        (message.rfind("device input lost", 0) != 0 && message.find("(HRESULT 0x8007001E)") == std::string::npos))
        return false;
    what = std::string(result_name(poll_result)) + ": " + message;
    device_.lost();
    gone_ = true;
    next_look_ = std::chrono::steady_clock::now();
    return true;
}

bool DeviceFollower::came_back(const AxisMap &map) {
    const auto now = std::chrono::steady_clock::now();
    if (!gone_ || now < next_look_) return false;
    next_look_ = now + std::chrono::milliseconds(500);
    // A GUID given on the command line, not in the list at the start, is followed by GUID only.
    std::string guid = guid_;
    if (!was_.guid.empty()) {
        const std::vector<DeviceEntry> devices = parse_device_list(enumerate_text());
        const int index = find_again(devices, guid_, was_);
        if (index < 0) return false;
        guid = devices[static_cast<size_t>(index)].guid;
    }
    if (!device_.reopen(guid)) return false;
    guid_ = guid;
    gone_ = false;
    apply_map(device_.handle(), map);
    return true;
}

std::string DeviceFollower::gone_text(const std::string &what) const {
    return label_ + " is gone (" + what + "); waiting for it to come back";
}

std::string DeviceFollower::back_text() const { return label_ + " is back as " + guid_; }

}  // namespace probe
