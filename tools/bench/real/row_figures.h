#pragma once
// A row's figures from its timed calls: per side the median call, the
// latency to the device and the reports per call; between the sides the
// ratio, the own work, and whether the bridge sent what raw DirectInput
// sent in the same round.
#include <string>
#include <vector>

#include "call_windows.h"
#include "report_counts.h"
#include "real_report.h"

namespace bench {

// What every bridge call of an operation must have sent; -1: any number.
// `like_raw`: the raw side makes the same DirectInput calls, so the device
// must get the same reports from both.
struct Expect {
    int type_specific = -1;
    int start = -1;
    int stop = -1;
    bool like_raw = true;
};

CallRow row_figures(const std::string& device, const std::string& operation, int op,
                    const std::vector<CallWindow>& calls, const ReportReader& reader, Expect expect);

}  // namespace bench
