#pragma once
// A call's reports by kind, from the PID collection each belongs to, and
// what reads them: the device's own decoder in the bench, a table in tests.
#include <string>
#include <vector>

#include "vwheel_protocol.h"

namespace bench {

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

class ReportReader {
public:
    virtual ~ReportReader() = default;
    virtual ReportCounts count(const std::vector<VWheelLogEntry>& reports) const = 0;
    // The reports' kinds in the order they arrived: "set effect, constant force".
    virtual std::string kinds(const std::vector<VWheelLogEntry>& reports) const = 0;
};

}  // namespace bench
