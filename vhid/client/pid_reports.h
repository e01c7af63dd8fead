// pid_reports.h - the reports a virtual device received, decoded with the
// HID parser against the device's own preparsed data.
#pragma once

#include <windows.h>

// mingw-w64's HID headers lack C linkage declarations of their own.
extern "C" {
#include <hidsdi.h>
#include <hidpi.h>
}

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "../vwheel_protocol.h"

namespace vwheel {

constexpr USAGE kPidPage = 0x0f;
constexpr USAGE kGenericPage = 0x01;
constexpr USAGE kOrdinalPage = 0x0a;

using PageUsage = std::pair<USAGE, USAGE>;

struct PidReport {
    unsigned kind = 0;     // VWHEEL_LOG_*
    uint8_t report_id = 0;
    USAGE collection = 0;  // PID usage naming the report, e.g. 0x21 Set Effect
    std::map<PageUsage, LONG> values; // logical values, sign-extended where the range is signed
    std::set<PageUsage> usages;       // set bits and selected array entries

    bool has_value(USAGE usage, USAGE page = kPidPage) const { return values.count({page, usage}) != 0; }
    LONG value(USAGE usage, USAGE page = kPidPage) const;
    bool selected(USAGE usage, USAGE page = kPidPage) const { return usages.count({page, usage}) != 0; }
};

class PidDecoder {
public:
    explicit PidDecoder(PHIDP_PREPARSED_DATA preparsed);

    PidReport decode(const VWheelLogEntry &entry) const;
    std::vector<PidReport> decode_all(const std::vector<VWheelLogEntry> &entries) const;
    // The logical range the device declared for a value, to scale expectations.
    bool logical_range(HIDP_REPORT_TYPE type, uint8_t report_id, USAGE usage, LONG *min, LONG *max,
                       USAGE page = kPidPage) const;
    // The field of a value in one report (ranges, units), or nullptr.
    const HIDP_VALUE_CAPS *value_caps(HIDP_REPORT_TYPE type, uint8_t report_id, USAGE usage,
                                      USAGE page = kPidPage) const;

private:
    USAGE report_collection(HIDP_REPORT_TYPE type, uint8_t report_id) const;

    PHIDP_PREPARSED_DATA preparsed_;
    std::vector<HIDP_LINK_COLLECTION_NODE> nodes_;
    std::vector<HIDP_VALUE_CAPS> output_values_;
    std::vector<HIDP_VALUE_CAPS> feature_values_;
    std::vector<HIDP_BUTTON_CAPS> output_buttons_;
    std::vector<HIDP_BUTTON_CAPS> feature_buttons_;
};

// Reports of one kind (by collection usage), in the order they arrived.
std::vector<PidReport> of_collection(const std::vector<PidReport> &reports, USAGE collection);

} // namespace vwheel

namespace vwheel {
// One line per report, for failure messages: "21 id=11 0f:22=1 ... [0f:26]".
std::string describe(const PidReport &report);
std::string describe(const std::vector<PidReport> &reports);
} // namespace vwheel
