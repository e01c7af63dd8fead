// Every host action at every DirectInput call of every export: each export
// runs once per call its trace shows and per action, the action injected at
// the start of that call (inside Release: after the count dropped), on the
// calling thread as a window procedure run during a sent-message wait, or
// from a second thread while the first waits. After each case the results
// and messages are documented ones and the state is whole.
#include <windows.h>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "documented_results.h"
#include "reentry_cases.h"
#include "sim_fixture.h"

using namespace simtest;

namespace {

constexpr DWORD kBoundMs = 5000;  // no call takes this long; beyond it, it hangs
constexpr DWORD kBlockedMs = 2;   // a locking call waits for the first thread's lock: let it get there
constexpr UINT kHostMessage = WM_APP + 0x3A;  // queued for the host's own loop during every case

// The nth call (1 = first) of one method in an export's trace.
struct Call {
    int method;
    int nth;
};

struct Case {
    const Path* path;
    Call call;
    const Action* action;
    bool second_thread;
    std::string name() const {
        return std::string(path->name) + " / " + gsim_method_name(call.method) + " #" + std::to_string(call.nth) +
               " / " + action->name + (second_thread ? " / from a second thread" : " / on the calling thread");
    }
};

// What the injected action did.
struct Injection {
    Injection(const Case& on, const World& in) : c(on), world(in), caller(GetCurrentThreadId()) {}
    const Case& c;
    const World& world;
    DWORD caller;
    int seen = 0;
    bool fired = false, stalled = false;
    volatile LONG finished = 0;
    int32_t result = 0;
    std::string before, after;  // the acting thread's message around the action
    std::string caller_message; // the calling thread's, when the hook returned
};

// "bad buffer": no export but dib_enumerate writes it, so a call that leaves
// a message alone is seen to.
std::string mark_message() {
    dib_enumerate(nullptr, 0);
    return last_error();
}

void act(Injection& in) {
    in.before = mark_message();
    in.result = in.c.action->run(in.world, *in.c.path);
    in.after = last_error();
    InterlockedExchange(&in.finished, 1);
}

// Waits as a thread inside DirectInput's sent-message wait does: messages
// other threads send to it run meanwhile, posted ones stay queued.
bool wait_handling_sent_messages(HANDLE event, DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const DWORD left = now < end ? DWORD(end - now) : 0;
        const DWORD woke = MsgWaitForMultipleObjects(1, &event, FALSE, left, QS_SENDMESSAGE);
        if (woke == WAIT_OBJECT_0) return true;
        if (woke != WAIT_OBJECT_0 + 1) return false;
        MSG message;
        PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

class SecondThread {
public:
    SecondThread()
        : go_(CreateEventA(nullptr, FALSE, FALSE, nullptr)), done_(CreateEventA(nullptr, TRUE, TRUE, nullptr)),
          thread_(CreateThread(nullptr, 0, loop, this, 0, nullptr)) {}
    void start(Injection* job) {
        ResetEvent(done_);
        job_ = job;
        SetEvent(go_);
    }
    bool wait(DWORD ms) { return wait_handling_sent_messages(done_, ms); }

private:
    static DWORD WINAPI loop(LPVOID self) {
        auto& t = *static_cast<SecondThread*>(self);
        for (;;) {
            WaitForSingleObject(t.go_, INFINITE);
            act(*t.job_);
            SetEvent(t.done_);
        }
    }
    HANDLE go_, done_, thread_;
    Injection* job_ = nullptr;
};

SecondThread* second = nullptr;

void CALLBACK inject(int, void* context) {
    Injection& in = *static_cast<Injection*>(context);
    if (GetCurrentThreadId() != in.caller || in.fired || ++in.seen < in.c.call.nth) return;
    in.fired = true;
    if (!in.c.second_thread) {
        act(in);
    } else {
        second->start(&in);
        const bool blocked = takes_bridge_lock(in.c.path->call) && takes_bridge_lock(in.c.action->call);
        in.stalled = !second->wait(blocked ? kBlockedMs : kBoundMs) && !blocked;
    }
    in.caller_message = last_error();
}

// A case that hangs is reported by name, then the program ends: the hung
// call holds whatever it took.
volatile LONG progress = 0, watching = 1;
const Case* volatile current = nullptr;

DWORD WINAPI watch(LPVOID) {
    for (LONG seen = -1;; Sleep(4 * kBoundMs)) {
        const LONG now = progress;
        if (now == seen && watching) {
            std::printf("HUNG: %s\n", current ? current->name().c_str() : "between cases");
            std::fflush(stdout);
            TerminateProcess(GetCurrentProcess(), 3);
        }
        seen = now;
    }
}

void release_everything() {
    for (int32_t h = 1; h <= 8; ++h) dib_release(h);
    refuse_new_windows(false);
}

struct Live {
    int devices = gsim_live_devices(), effects = gsim_live_effects();
};

// The bridge and the simulator agree, everything open still works, the
// host's own messages are where it left them, and once released nothing
// stays acquired, counted or switched off; then the next open works.
void check_whole(const World& w, const Live& before, std::vector<std::string>& problems) {
    const auto problem = [&](const std::string& what) { problems.push_back(what); };
    std::vector<int32_t> devices, effects;
    for (int32_t h = 1; h <= 8; ++h)
        if (dib_autocenter_state(h) >= 0) devices.push_back(h);
    for (int32_t e = 1; e <= 64; ++e) {
        const int32_t stopped = dib_effect_stop(e);
        if (stopped == DIB_OK) effects.push_back(e);
        else if (stopped != DIB_E_BADARG)
            problem("effect handle " + std::to_string(e) + " stops with " + std::to_string(stopped));
    }
    if (gsim_live_devices() - before.devices != int(devices.size()))
        problem(std::to_string(gsim_live_devices() - before.devices) + " device objects for " +
                std::to_string(devices.size()) + " open handles");
    if (gsim_live_effects() - before.effects != int(effects.size()))
        problem(std::to_string(gsim_live_effects() - before.effects) + " effect objects for " +
                std::to_string(effects.size()) + " effect handles");

    for (int i = kSubject; i <= kSpare; ++i) gsim_device_replug(i);
    if (new_windows_refused()) dib_open(w.spare_guid.c_str());  // fails, and must leave older devices working
    InputReport report;
    for (int32_t h : devices)
        if (dib_poll(h, &report) != DIB_OK) problem("dib_poll(" + std::to_string(h) + ") then: " + last_error());
    for (int32_t e : effects)
        if (dib_effect_start(e, 1) != DIB_OK)
            problem("dib_effect_start(" + std::to_string(e) + ") then: " + last_error());
    MSG message;
    if (!PeekMessageA(&message, nullptr, kHostMessage, kHostMessage, PM_REMOVE))
        problem("a message queued for the host's own loop was taken");
    refuse_new_windows(false);
    for (int32_t h : devices)
        if (dib_release(h) != DIB_OK) problem("dib_release(" + std::to_string(h) + ") then failed");

    if (gsim_live_devices() != before.devices || gsim_live_effects() != before.effects)
        problem("objects left after releasing every device: " +
                std::to_string(gsim_live_devices() - before.devices) + " devices, " +
                std::to_string(gsim_live_effects() - before.effects) + " effects");
    if (gsim_over_releases() || gsim_dead_calls())
        problem(std::to_string(gsim_over_releases()) + " over-releases, " + std::to_string(gsim_dead_calls()) +
                " calls on released or dying objects");
    for (int i = kSubject; i <= kSpare; ++i) {
        GSIM_DEVICE_STATUS status{};
        status.size = sizeof status;
        gsim_device_status(i, &status);
        if (status.acquired || status.exclusive || gsim_device_refcount(i) != 0)
            problem("device " + std::to_string(i) + " still acquired or referenced after release");
        if (status.autocenter != DIPROPAUTOCENTER_ON)
            problem("device " + std::to_string(i) + " left with auto-centre off");
    }

    const int32_t h = dib_open(w.subject_guid.c_str());
    EffectParams p = no_params();
    p.constant_magnitude = 1000;
    if (h < 1 || dib_poll(h, &report) != DIB_OK ||
        dib_effect_start(dib_effect_create(h, DIB_EFFECT_CONSTANT, &p), 1) != DIB_OK || dib_release(h) != DIB_OK)
        problem("the next open, poll and effect failed: " + last_error());
}

// The results each action gave, by where it ran: the calling thread inside
// a locking call, the calling thread inside one that takes no lock, or a
// second thread.
const char* const kWhere[] = {"same thread, in a locking call", "same thread, in dib_poll/enumerate/query",
                              "second thread"};
std::map<const Action*, std::set<int32_t>> seen_results[3];

std::vector<std::string> run_case(const Case& c) {
    std::vector<std::string> problems;
    const Live before;
    World w;
    std::string why;
    if (!set_up_world(w, why)) return {"set-up failed: " + why};
    if (c.path->prepare) c.path->prepare(w);
    PostThreadMessageA(GetCurrentThreadId(), kHostMessage, 0, 0);

    Injection in(c, w);
    gsim_set_call_hook(c.call.method, inject, &in);
    const std::string marked = mark_message();
    const int32_t result = c.path->run(w);
    const std::string message = last_error();
    gsim_set_call_hook(GSIM_M_NONE, nullptr, nullptr);
    if (c.second_thread && !second->wait(kBoundMs)) {
        std::printf("HUNG: %s: the second thread's call never returned\n", c.name().c_str());
        std::fflush(stdout);
        TerminateProcess(GetCurrentProcess(), 3);
    }

    if (!in.fired) problems.push_back("the call was never made");
    if (in.stalled) problems.push_back("the second thread gave no result while the first waited");
    const bool here = in.fired && !c.second_thread;
    const std::string outer = undocumented(c.path->call, result, here ? in.caller_message : marked, message);
    if (!outer.empty()) problems.push_back(std::string(c.path->name) + " " + outer);
    if (in.finished && c.action->call == Export::none && in.result != 0)
        problems.push_back("the action itself failed");
    if (in.finished && c.action->call != Export::none) {
        seen_results[c.second_thread ? 2 : takes_bridge_lock(c.path->call) ? 0 : 1][c.action].insert(in.result);
        const std::string inner = undocumented(c.action->call, in.result, in.before, in.after);
        if (!inner.empty()) problems.push_back(c.action->name + " " + inner);
    }
    check_whole(w, before, problems);
    release_everything();
    return problems;
}

// The DirectInput calls of one way through an export, in order: every
// method the bridge can be called back from (all but AddRef).
std::vector<Call> trace(const Path& path) {
    std::vector<Call> calls;
    World w;
    std::string why;
    EXPECT_TRUE(set_up_world(w, why)) << why;
    if (path.prepare) path.prepare(w);
    gsim_log_clear();
    path.run(w);
    int counts[GSIM_M_COUNT] = {};
    for (int i = 0, n = gsim_log_count(); i < n; ++i) {
        GSIM_CALL call;
        gsim_log_get(i, &call);
        const bool addref = call.method == GSIM_M_DEV_ADDREF || call.method == GSIM_M_EFF_ADDREF ||
                            call.method == GSIM_M_DI_ADDREF;
        if (!addref) calls.push_back({call.method, ++counts[call.method]});
    }
    release_everything();
    return calls;
}

}  // namespace

TEST(ReentryMatrix, EveryHostActionAtEveryDirectInputCallOfEveryExport) {
    install_window_refusal();
    SecondThread thread;
    second = &thread;
    CloseHandle(CreateThread(nullptr, 0, watch, nullptr, 0, nullptr));

    std::vector<Case> cases;
    int calls = 0;
    for (const Path& path : export_paths()) {
        const std::vector<Call> made = trace(path);
        EXPECT_EQ(made.empty(), path.quiet) << path.name << " makes DirectInput calls or not as it should";
        std::string names;
        for (const Call& call : made) {
            names += std::string(names.empty() ? "" : ", ") + gsim_method_name(call.method);
            for (const Action& action : host_actions())
                for (const bool second_thread : {false, true})
                    cases.push_back({&path, call, &action, second_thread});
        }
        calls += int(made.size());
        std::printf("%s: %zu DirectInput calls%s%s\n", path.name, made.size(), made.empty() ? "" : ": ",
                    names.c_str());
    }
    std::printf("re-entry matrix: %zu ways through %d exports, %d DirectInput calls, %zu host actions, 2 threads: "
                "%zu cases\n",
                export_paths().size(), int(Export::none), calls, host_actions().size(), cases.size());
    std::fflush(stdout);

    int failing = 0;
    for (const Case& c : cases) {
        current = &c;
        const std::vector<std::string> problems = run_case(c);
        InterlockedIncrement(&progress);
        if (problems.empty()) continue;
        ++failing;
        std::printf("FAIL %s\n", c.name().c_str());
        for (const std::string& p : problems) std::printf("    %s\n", p.c_str());
    }
    current = nullptr;
    InterlockedExchange(&watching, 0);
    for (const Action& action : host_actions()) {
        if (action.call == Export::none) continue;
        std::string line = action.name;
        for (int where = 0; where < 3; ++where) {
            line += std::string(" | ") + kWhere[where] + ":";
            for (const int32_t result : seen_results[where][&action]) line += " " + std::to_string(result);
        }
        std::printf("%s\n", line.c_str());
    }
    std::printf("re-entry matrix: %zu cases, %d failing\n", cases.size(), failing);
    EXPECT_EQ(failing, 0);
    gsim_reset(GSIM_RESET_BUILTIN);
}
