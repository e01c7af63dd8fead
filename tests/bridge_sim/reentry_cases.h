#pragma once
// The rows of the re-entry matrix: the ways through every export, and what
// a host may do while one of them waits inside DirectInput.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "reentry_oracle.h"
#include "gantrel.h"

namespace simtest {

// Simulator indexes: the device the export works on, another open one, and
// one that the set-up leaves closed.
constexpr int kSubject = 0, kOther = 1, kSpare = 2;

// What every case starts from: the subject open with a playing constant
// force and a spring, the other open with a playing constant force.
struct World {
    int32_t device = 0, other = 0;
    int32_t effect = 0, spring = 0, other_effect = 0;
    std::string subject_guid, spare_guid;
};

// A fresh simulator with the three devices, and the world above; false,
// with the message, when the set-up itself fails.
bool set_up_world(World& w, std::string& why);

// One way through an export.
struct Path {
    const char* name;
    Export call;
    bool quiet;   // the export makes no DirectInput call
    int unplugs;  // the device the unplugging action takes away
    void (*prepare)(const World&);
    int32_t (*run)(const World&);
    Outcome alone = {kSucceeds, nullptr};  // what it gives undisturbed
    bool lost_input = false;               // prepare leaves the device without input
};
const std::vector<Path>& export_paths();

// What a host's window procedure, a hook or another thread may do.
struct Action {
    std::string name;
    Export call;  // Export::none: the device or the window, not a call; 0 when done
    Target target;
    unsigned event;  // for Export::none: what it does to the path's device or window
    std::function<int32_t(const World&, const Path&)> run;
};
const std::vector<Action>& host_actions();

// Window creation on this thread fails while refused (a CBT hook), as when
// the desktop heap or the handle limit is exhausted.
void install_window_refusal();
void refuse_new_windows(bool refuse);
bool new_windows_refused();

}  // namespace simtest
