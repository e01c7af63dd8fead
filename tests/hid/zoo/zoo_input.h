// zoo_input.h - moving a device's controls at the driver, in the
// descriptor's own terms: a value for a usage lands in whichever input
// report holds it, laid out by the HID parser.
#pragma once

#include <map>
#include <vector>

#include "client/vwheel_client.h"

namespace zoo {

class InputMover {
public:
    explicit InputMover(PHIDP_PREPARSED_DATA preparsed);

    void clear() { reports_.clear(); }
    // The usage at its logical minimum or maximum; false if the device has no such value.
    bool set_extreme(USAGE page, USAGE usage, bool high);
    // A hat pointing to one of eight directions (0 north, 2 east, ...), or centred (-1).
    bool set_hat(USAGE page, USAGE usage, int direction);
    bool press(USAGE page, USAGE usage);
    // Sends every report touched since clear(), lowest report id first.
    bool push(vwheel::ControlChannel &control) const;

private:
    bool value_caps(USAGE page, USAGE usage, HIDP_VALUE_CAPS *caps) const;
    std::vector<char> &report(UCHAR id);

    PHIDP_PREPARSED_DATA preparsed_;
    HIDP_CAPS caps_ = {};
    std::map<UCHAR, std::vector<char>> reports_;
};

} // namespace zoo
