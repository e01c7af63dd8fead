#include "strict_reports.h"

#include "method_names.h"
#include "sim_lock.h"
#include "sim_state.h"
#include "strict_unload.h"
#include "trace.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace gsim {

namespace {

const size_t kKept = 256;

volatile LONG g_on = 0;
bool g_fatal = false;  // GANTREL_SIM_STRICT=fatal: the first report ends the process
std::vector<GSIM_STRICT_REPORT> g_kept;
int g_made = 0;

// "IDirectInputEffect::SetParameters on device 0 (Gantrel Simulated Racing
// Wheel), effect object 9: "
std::string where(const StrictPlace &p) {
    std::string s = p.method != GSIM_M_NONE ? method_name(p.method) : "";
    const int index = device_index(p.dev);
    if (p.dev) {
        s += s.empty() ? "device " : " on device ";
        s += (index >= 0 ? std::to_string(index) : std::string("(removed)")) + " (" + p.dev->desc.product_name + ")";
    }
    if (const Shell *shell = sim().registry.find(p.object)) {
        const char *kind = shell->kind == GSIM_KIND_DEVICE   ? "device object "
                           : shell->kind == GSIM_KIND_EFFECT ? "effect object "
                                                             : "DirectInput object ";
        s += (s.empty() ? "" : ", ") + std::string(kind) + std::to_string(p.object);
    }
    return s.empty() ? "" : s + ": ";
}

// Read when the DLL loads, so that the program's first call is checked too.
const bool g_from_environment = [] {
    char value[16] = "";
    const bool on = GetEnvironmentVariableA("GANTREL_SIM_STRICT", value, sizeof(value)) && value[0] &&
                    std::strcmp(value, "0") != 0;
    g_fatal = on && lstrcmpiA(value, "fatal") == 0;
    if (on) {
        watch_unloads();
        InterlockedExchange(&g_on, 1);
    }
    return on;
}();

}  // namespace

bool strict_on() { return InterlockedCompareExchange(&g_on, 0, 0) != 0; }

void strict_set(bool on) { InterlockedExchange(&g_on, on ? 1 : 0); }

void strict_report(int rule, const StrictPlace &place, const std::string &what) {
    for (GSIM_STRICT_REPORT &r : g_kept)
        if (r.rule == rule && r.object == place.object) {
            r.calls++;
            return;
        }
    g_made++;
    const std::string text = where(place) + what;
    if (g_kept.size() < kKept) {
        GSIM_STRICT_REPORT r{};
        r.size = sizeof(r);
        r.rule = rule;
        r.method = place.method;
        r.seq = place.seq;
        r.thread_id = place.thread_id;
        r.object = place.object;
        r.device = device_index(place.dev);
        r.calls = 1;
        std::snprintf(r.text, sizeof(r.text), "%s", text.c_str());
        g_kept.push_back(r);
    }
    char head[64];
    std::snprintf(head, sizeof(head), "#%lu [%lu] strict: ", place.seq, place.thread_id);
    trace_text(head + text);
    if (!trace_is_stderr()) {
        std::fprintf(stderr, "gantrel-sim: strict: %s\n", text.c_str());
        std::fflush(stderr);
    }
    if (g_fatal) {
        // A host's test run then fails by its exit status alone, at the
        // call that broke the rule, as abort() ends a program on Windows.
        std::fprintf(stderr, "gantrel-sim: strict: GANTREL_SIM_STRICT=fatal: ending the program, exit status 3\n");
        std::fflush(stderr);
        TerminateProcess(GetCurrentProcess(), 3);
    }
}

}  // namespace gsim

using namespace gsim;

#define GSIM_EXPORT extern "C" GSIM_API

GSIM_EXPORT int gsim_strict_enable(BOOL on) {
    // Outside the lock: watching unloads takes the loader's lock.
    if (on) watch_unloads();
    strict_set(on != FALSE);
    return GSIM_OK;
}

GSIM_EXPORT int gsim_strict_count(void) {
    Guard guard;
    if (strict_on()) notice_unloaded_owners();
    return g_made;
}

GSIM_EXPORT int gsim_strict_get(int i, GSIM_STRICT_REPORT *report) {
    if (!report || report->size != sizeof(GSIM_STRICT_REPORT)) return GSIM_E_ARG;
    Guard guard;
    if (i < 0 || static_cast<size_t>(i) >= g_kept.size()) return GSIM_E_ARG;
    *report = g_kept[static_cast<size_t>(i)];
    return GSIM_OK;
}

GSIM_EXPORT int gsim_strict_clear(void) {
    Guard guard;
    g_kept.clear();
    g_made = 0;
    return GSIM_OK;
}
