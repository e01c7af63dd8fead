#pragma once
// One virtual device as the bench sees it beside DirectInput: what kind of
// report each logged one was, and input reports to push at it.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/pid_reports.h"
#include "support/vwheel_client.h"

namespace bench {

// A call's reports by kind, from the PID collection each belongs to.
struct ReportCounts {
    int total = 0;
    int set_effect = 0;
    int type_specific = 0;  // constant, periodic, condition or ramp parameters
    int envelope = 0;
    int start = 0;          // effect operation: start (or start solo)
    int stop = 0;           // effect operation: stop
    bool operator==(const ReportCounts& o) const {
        return total == o.total && set_effect == o.set_effect && type_specific == o.type_specific &&
               envelope == o.envelope && start == o.start && stop == o.stop;
    }
};

class DeviceView {
public:
    explicit DeviceView(const vwheel::Variant& variant);
    bool ready() const { return hid_.is_open(); }
    const vwheel::Variant& variant() const { return variant_; }

    ReportCounts count(const std::vector<VWheelLogEntry>& reports) const;
    // The reports' kinds in the order they arrived: "set effect, constant force".
    std::string kinds(const std::vector<VWheelLogEntry>& reports) const;
    // The buttons-and-axes input report with X at `x` (logical units) and
    // everything else at its logical minimum, the hat centred.
    std::vector<uint8_t> input_with_x(LONG x) const;
    // The logical range of X in that report.
    bool x_range(LONG* min, LONG* max) const;

private:
    const vwheel::Variant& variant_;
    vwheel::HidInterface hid_;
    vwheel::PidDecoder decoder_;
};

// The instance GUID text dib_enumerate gives the variant, or "".
std::string enumerated_guid(const vwheel::Variant& variant);

}  // namespace bench
