#include "device_follow.h"

#include "gantrel.h"
#include "probe_errors.h"

namespace probe {

namespace {

const char kLost[] = "device input lost";
// DIERR_OTHERAPPHASPRIO: another program holds the device exclusively.
const char kOtherProgram[] = "(HRESULT 0x80070005)";

bool ends_with(const std::string &text, const std::string &end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

DeviceFollower::DeviceFollower(OpenDevice &device, const DeviceChoice &choice)
    : device_(device), label_(choice.label()), guid_(choice.guid) {
    if (choice.entry) was_ = *choice.entry;
}

// Taking the device back failed for another reason than another program,
// or it was lost again at once: gone, not a read that failed on a device
// still there.
bool DeviceFollower::unplugged(const std::string &message) const {
    return message.rfind(kLost, 0) == 0 || message.find("(HRESULT 0x8007001E)") != std::string::npos;
}

void DeviceFollower::go(const std::function<void()> &before_release) {
    if (before_release) before_release();
    device_.lost();
    gone_ = true;
    taken_ = false;
    next_look_ = std::chrono::steady_clock::now();
    listed_ = false;
    try {
        listed_when_gone_.clear();
        for (const DeviceEntry &d : parse_device_list(enumerate_text())) listed_when_gone_.push_back(d.guid);
        listed_ = true;
    } catch (const ProbeError &) {
        // The first look for it stands in: until then only its GUID finds it.
    }
}

bool DeviceFollower::come_back(const AxisMap &map) {
    const auto now = std::chrono::steady_clock::now();
    if (now < next_look_) return false;
    next_look_ = now + std::chrono::milliseconds(500);
    // A GUID given on the command line, not in the list at the start, is followed by GUID only.
    std::string guid = guid_;
    if (!was_.guid.empty()) {
        const std::vector<DeviceEntry> devices = parse_device_list(enumerate_text());
        if (!listed_) {
            for (const DeviceEntry &d : devices) listed_when_gone_.push_back(d.guid);
            listed_ = true;
        }
        const int index = find_again(devices, guid_, was_, listed_when_gone_);
        if (index < 0) return false;
        guid = devices[static_cast<size_t>(index)].guid;
    }
    if (!device_.reopen(guid)) return false;
    guid_ = guid;
    gone_ = false;
    apply_map(device_.handle(), map);
    return true;
}

DeviceFollower::Event DeviceFollower::follow(int32_t poll_result, const AxisMap &map, std::string &says,
                                             const std::function<void()> &before_release) {
    if (gone_) {
        if (!come_back(map)) return Event::kNone;
        says = label_ + " is back as " + guid_;
        return Event::kBack;
    }
    if (poll_result == DIB_OK && taken_) {
        taken_ = false;
        says = label_ + " is free again: the other program let it go";
        return Event::kFreed;
    }
    if (poll_result != DIB_E_INPUT) return Event::kNone;
    const std::string message = library_message();
    const std::string what = std::string(result_name(poll_result)) + ": " + message;
    if (message.rfind(kLost, 0) == 0 && ends_with(message, kOtherProgram)) {
        if (taken_) return Event::kNone;
        taken_ = true;
        says = label_ + " was taken by another program (" + what +
               "): close that program, or turn off its force feedback, and the probe takes the device back by itself";
        return Event::kTaken;
    }
    if (!unplugged(message)) return Event::kNone;
    go(before_release);
    says = label_ + " is gone (" + what + "); waiting for it to come back";
    return Event::kGone;
}

}  // namespace probe
