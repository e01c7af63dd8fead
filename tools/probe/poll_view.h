// Input reports as text: one line per sample, or one line per change.
#pragma once
#include "device_session.h"
#include "gantrel.h"

#include <string>
#include <vector>

namespace probe {

// "  0.50 s  X +1234  Y     0  Z 0 ... buttons 2 5  hat E". Mapped axes
// other than X and Y unreversed show as "map0=Rz" ("map0=-X": reversed).
// `hats` is the device's hat count; below 0 (unknown) only hats that are
// pressed are shown.
std::string report_line(double seconds, const InputReport &report, const AxisMap &map, int hats);

// Whether a hat is shown: one the device has, or, when the count is unknown
// (below 0), one that is pressed.
bool hat_shown(unsigned code, int hat, int hats);

// What the labels of report_line and change lines stand for: DirectInput's
// axis names and their usual uses, buttons, hats and, when the map is not
// X,Y, the mapped axes.
std::string input_legend(const AxisMap &map);

// Turns successive reports into one time-stamped line per change: an axis
// that moved by at least `threshold` since it was last shown, a button
// pressed or released, a hat that turned.
class ChangeWatcher {
public:
    ChangeWatcher(const AxisMap &map, int hats, int threshold) : map_(map), hats_(hats), threshold_(threshold) {}
    // The first report gives one "start" line with every value.
    std::vector<std::string> changes(double seconds, const InputReport &report);

private:
    AxisMap map_;
    int hats_, threshold_;
    bool started_ = false;
    InputReport shown_{};
};

}  // namespace probe
