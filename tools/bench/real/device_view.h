#pragma once
// One virtual device as the bench sees it beside DirectInput: what kind of
// report each logged one was (decoded against the device's own
// descriptor), and input reports to push at it.
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "report_counts.h"
#include "client/pid_reports.h"
#include "client/vwheel_client.h"

namespace bench {

class DeviceView : public ReportReader {
public:
    explicit DeviceView(const vwheel::Variant& variant);
    bool ready() const { return hid_.is_open(); }
    const vwheel::Variant& variant() const { return variant_; }

    ReportCounts count(const std::vector<VWheelLogEntry>& reports) const override;
    std::string kinds(const std::vector<VWheelLogEntry>& reports) const override;
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
