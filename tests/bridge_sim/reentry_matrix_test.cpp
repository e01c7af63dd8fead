// Every host action at every DirectInput call of every export, on its
// success paths and on its failure routes (each DirectInput call made to
// fail once): the export runs once per call point and action, the action
// made at the start of that call (inside Release: after the count dropped;
// in dib_poll also at a message another thread sent), on the calling thread
// as a window procedure run during a sent-message wait, or from a second
// thread while the first waits. Then two polls of one device on two
// threads, one inside DirectInput when the other returns and its window
// procedure releases the device. Each result and message is the one the
// oracle's rules call for, strict mode reports nothing the case does not
// do itself, a released device sees no call but the one under way and its
// last Release, and the state afterwards is whole.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "reentry_cases.h"
#include "reentry_oracle.h"
#include "sim_fixture.h"

using namespace simtest;

namespace {

constexpr DWORD kBoundMs = 5000;  // no call takes this long; beyond it, it hangs
constexpr DWORD kBlockedMs = 2;   // a locking call waits for the first thread's lock: let it get there
constexpr UINT kHostMessage = WM_APP + 0x3A;  // queued for the host's own loop during every case
constexpr UINT kSentMessage = WM_APP + 0x3B;  // sent to the host's window by another thread
constexpr int kPump = GSIM_M_COUNT;           // the call point of that message, where dib_poll serves it

// The call points each export shows, over its ways and failure routes, and
// the two-poller cases: a way that stops early, or a new DirectInput call,
// changes them. Update them when the change is meant.
const std::pair<Export, int> kPinnedPoints[] = {
    {Export::enumerate, 9},     {Export::open, 54},         {Export::release, 10},
    {Export::device_reset, 4},  {Export::query_ffb_axes, 4}, {Export::poll, 12},
    {Export::effect_create, 2}, {Export::effect_update, 6}, {Export::effect_start, 2},
    {Export::effect_stop, 1},   {Export::effect_destroy, 3},
};
constexpr size_t kPinnedTwoPollers = 24;

std::string point_name(const TracedCall& c) {
    if (c.method == kPump) return "a message another thread sent";
    return std::string(gsim_method_name(c.method)) + " #" + std::to_string(c.nth);
}

// One way through an export, made to fail at one call or not, with the
// calls that the actions are made at.
struct Route {
    const Path* path;
    int failing;  // index in calls, -1 none
    std::vector<TracedCall> calls;
    std::vector<int> points;
    int32_t result = 0;  // alone
    std::string message;
    std::string name() const {
        return std::string(path->name) + (failing < 0 ? "" : ", " + point_name(calls[failing]) + " failing");
    }
};

struct Case {
    const Route* route;
    int at;
    const Action* action;
    bool second_thread;
    std::string name() const {
        return route->name() + " / " + point_name(route->calls[at]) + " / " + action->name +
               (second_thread ? " / from a second thread" : " / on the calling thread");
    }
    Situation situation() const {
        const Path& p = *route->path;
        return {p.call, p.lost_input, p.alone, &route->calls, route->failing, at, action->call, action->target,
                action->event, second_thread};
    }
};

// "bad buffer": no export but dib_enumerate writes it, so a call that leaves
// a message alone is seen to.
std::string mark_message() {
    dib_enumerate(nullptr, 0);
    return last_error();
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

struct Signal {
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ~Signal() { CloseHandle(event); }
    void set() { SetEvent(event); }
    bool wait() { return wait_handling_sent_messages(event, kBoundMs); }
};

// A thread that runs one job at a time.
class Runner {
public:
    Runner() : go_(CreateEventA(nullptr, FALSE, FALSE, nullptr)), done_(CreateEventA(nullptr, TRUE, TRUE, nullptr)) {
        CloseHandle(CreateThread(nullptr, 0, loop, this, 0, &id_));
    }
    void start(std::function<void()> job) {
        ResetEvent(done_);
        job_ = std::move(job);
        SetEvent(go_);
    }
    bool wait(DWORD ms) { return wait_handling_sent_messages(done_, ms); }
    DWORD id() const { return id_; }

private:
    static DWORD WINAPI loop(LPVOID self) {
        auto& t = *static_cast<Runner*>(self);
        for (;;) {
            WaitForSingleObject(t.go_, INFINITE);
            t.job_();
            SetEvent(t.done_);
        }
    }
    HANDLE go_, done_;
    DWORD id_ = 0;
    std::function<void()> job_;
};

Runner* second = nullptr;  // the second thread's calls
Runner* sender = nullptr;  // sends the host's window its message

// Where a case acts: the nth call of a method on one thread.
struct Stop {
    DWORD thread;
    TracedCall at;
    std::function<void()> run;
    int seen = 0;
    bool fired = false;
};
std::vector<Stop>* stops = nullptr;
bool pumped = false;

void fire(int method) {
    for (Stop& s : *stops)
        if (s.thread == GetCurrentThreadId() && s.at.method == method && !s.fired && ++s.seen == s.at.nth) {
            s.fired = true;
            s.run();
            return;
        }
}

void CALLBACK on_call(int method, void*) { fire(method); }

HWND host_window = nullptr;

LRESULT CALLBACK host_procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message != kSentMessage) return DefWindowProcA(window, message, w, l);
    pumped = true;
    if (stops) fire(kPump);
    return 0;
}

void make_host_window() {
    WNDCLASSA c{};
    c.lpfnWndProc = host_procedure;
    c.hInstance = GetModuleHandleA(nullptr);
    c.lpszClassName = "reentry_host";
    RegisterClassA(&c);
    host_window = CreateWindowA("reentry_host", "", 0, 0, 0, 1, 1, nullptr, nullptr, c.hInstance, nullptr);
}

// The message waits in this thread's queue until something serves sent messages.
void send_from_another_thread() {
    sender->start([] {
        DWORD_PTR answer;
        SendMessageTimeoutA(host_window, kSentMessage, 0, 0, SMTO_NORMAL, 2 * kBoundMs, &answer);
    });
    for (const ULONGLONG end = GetTickCount64() + kBoundMs;
         !(HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE) && GetTickCount64() < end;)
        SwitchToThread();
}

void serve_sent_message() {
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    sender->wait(kBoundMs);
}

// What an action did on its thread, and whether it has entered and left its call.
struct Acted {
    int32_t result = 0;
    std::string before, after;
    volatile LONG entered = 0, returned = 0;
};

void act(const Action& a, const World& w, const Path& p, Acted& out) {
    out.before = mark_message();
    InterlockedExchange(&out.entered, 1);
    out.result = a.run(w, p);
    out.after = last_error();
    InterlockedExchange(&out.returned, 1);
}

// The subject's device object once its release returned: the log entry then,
// and the call under way on the releasing thread (a window procedure's).
struct Released {
    DWORD object = 0, seq = 0, thread = 0;
    int under_way = GSIM_M_NONE;
};

void note_release(Released& r, int under_way) {
    GSIM_CALL c;
    for (int i = gsim_log_count() - 1; i >= 0 && gsim_log_get(i, &c) == GSIM_OK && !r.object; --i)
        if (c.method == GSIM_M_DEV_UNACQUIRE && c.thread_id == GetCurrentThreadId()) r.object = c.object;
    if (gsim_log_get(gsim_log_count() - 1, &c) == GSIM_OK) r.seq = c.seq;
    r.thread = GetCurrentThreadId();
    r.under_way = under_way;
}

// gantrel.h: a released device is never touched again, but by the call
// under way and the last Release.
std::string touched_after_release(const Released& r) {
    bool under_way = r.under_way == GSIM_M_NONE;
    GSIM_CALL c;
    for (int i = 0; r.object && gsim_log_get(i, &c) == GSIM_OK; ++i) {
        if (c.seq <= r.seq || c.object != r.object || c.method == GSIM_M_DEV_RELEASE) continue;
        if (!under_way && c.method == r.under_way && c.thread_id == r.thread) {
            under_way = true;
            continue;
        }
        return std::string(gsim_method_name(c.method)) + " on the device after its release";
    }
    return "";
}

// Strict mode reports nothing but what a case does itself: a call made
// inside another one of its thread, a poll from the second thread, a poll
// of a device whose window was closed.
std::string unexpected_report(unsigned allowed) {
    GSIM_STRICT_REPORT r{};
    r.size = sizeof r;
    for (int i = 0, n = gsim_strict_count(); i < n; ++i)
        if (gsim_strict_get(i, &r) == GSIM_OK && !(allowed & (1u << r.rule))) return std::string("strict: ") + r.text;
    return "";
}

// A case that hangs is reported by name, then the program ends: the hung
// call holds whatever it took.
volatile LONG progress = 0, watching = 1;
const std::string* volatile current = nullptr;

[[noreturn]] void hung(const std::string& what) {
    std::printf("HUNG: %s\n", what.c_str());
    std::fflush(stdout);
    TerminateProcess(GetCurrentProcess(), 3);
    for (;;) Sleep(INFINITE);
}

DWORD WINAPI watch(LPVOID) {
    for (LONG seen = -1;; Sleep(4 * kBoundMs)) {
        const LONG now = progress;
        if (now == seen && watching) hung(current ? *current : "between cases");
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
// stays acquired, counted or switched off. The next case's set-up then
// opens, plays and polls again.
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
}

std::string previous = "none";  // the case before, which a failed set-up may owe to

// A fresh world, with the route's way prepared and the host's message queued.
bool start_case(World& w, const Route& r, std::vector<std::string>& problems) {
    std::string why;
    if (!set_up_world(w, why)) {
        problems.push_back("set-up failed after the case " + previous + ": " + why);
        return false;
    }
    if (r.path->prepare) r.path->prepare(w);
    PostThreadMessageA(GetCurrentThreadId(), kHostMessage, 0, 0);
    gsim_strict_clear();
    return true;
}

// After the path: the released device untouched, the state whole, no report.
void end_case(const World& w, const Live& before, const Released& released, unsigned allowed,
              std::vector<std::string>& problems) {
    const std::string late = touched_after_release(released);
    if (!late.empty()) problems.push_back(late);
    check_whole(w, before, problems);
    release_everything();
    const std::string report = unexpected_report(allowed);
    if (!report.empty()) problems.push_back(report);
}

// Calls of the route's failing method (on its device) before index `upto`.
int earlier(const Route& r, int upto) {
    const TracedCall& f = r.calls[r.failing];
    int n = 0;
    for (int i = 0; i < upto; ++i)
        n += r.calls[i].method == f.method && (f.device < 0 || r.calls[i].device == f.device);
    return n;
}

// Makes the route's failing call fail, counting the path's calls from index `from`.
void arm_failure(const Route& r, int from) {
    GSIM_FAULT fault{};
    fault.size = sizeof fault;
    fault.method = r.calls[r.failing].method;
    fault.hr = E_FAIL;
    fault.skip = DWORD(earlier(r, r.failing) - earlier(r, from));
    fault.count = 1;
    fault.device = r.calls[r.failing].device;
    gsim_fault_add(&fault);
}

std::vector<std::string> run_case(const Case& c) {
    const Route& r = *c.route;
    const Situation s = c.situation();
    std::vector<std::string> problems;
    const Live before;
    World w;
    if (!start_case(w, r, problems)) return problems;
    if (r.failing >= 0 && r.failing < c.at) arm_failure(r, 0);

    Acted acted;
    Released released;
    std::string caller_message;
    bool stalled = false, waited = false;
    const TracedCall& at = r.calls[c.at];
    std::vector<Stop> here{{GetCurrentThreadId(), at, [&] {
        if (!c.second_thread) {
            act(*c.action, w, *r.path, acted);
            if (c.action->call == Export::release && c.action->target == Target::this_device && acted.result == 0)
                note_release(released, at.method == kPump ? GSIM_M_NONE : at.method);
        } else {
            second->start([&] { act(*c.action, w, *r.path, acted); });
            if (waits_for_path(s)) {
                for (const ULONGLONG end = GetTickCount64() + kBoundMs; !acted.entered && GetTickCount64() < end;)
                    SwitchToThread();
                second->wait(kBlockedMs);
                waited = acted.entered && !acted.returned;
            } else {
                stalled = !second->wait(kBoundMs);
            }
        }
        if (r.failing >= c.at) arm_failure(r, c.at);
        caller_message = last_error();
    }}};
    stops = &here;
    if (at.method == kPump) send_from_another_thread();
    else gsim_set_call_hook(at.method, on_call, nullptr);
    const std::string marked = mark_message();
    const int32_t result = r.path->run(w);
    const std::string message = last_error();
    gsim_set_call_hook(GSIM_M_NONE, nullptr, nullptr);
    gsim_fault_clear(0);
    if (at.method == kPump) serve_sent_message();
    if (c.second_thread && !second->wait(kBoundMs)) hung(c.name() + ": the second thread's call never returned");
    stops = nullptr;

    const bool fired = here[0].fired;
    if (!fired) problems.push_back("the call was never made");
    if (stalled) problems.push_back("the second thread gave no result while the first waited");
    const std::string outer =
        mismatch(path_outcome(s), result, fired && !c.second_thread ? caller_message : marked, message);
    if (!outer.empty()) problems.push_back(std::string(r.path->name) + " " + outer);
    if (fired) {
        const std::string inner = mismatch(action_outcome(s), acted.result, acted.before, acted.after);
        if (!inner.empty()) problems.push_back(c.action->name + " " + inner);
        if (waits_for_path(s) && !waited)
            problems.push_back(c.action->name + " returned while " + r.path->name + " was inside DirectInput");
    }
    const bool polls = c.action->call == Export::poll;
    end_case(w, before, released,
             (c.second_thread ? (polls ? 1u << GSIM_RULE_POLL_THREAD : 0u) : 1u << GSIM_RULE_REENTRANT) |
                 (c.action->event & kWindowGone ? 1u << GSIM_RULE_POLL_DEAD_WINDOW : 0u),
             problems);
    return problems;
}

// Two polls of the subject: the first stopped inside its call `held`; the
// other thread's poll goes on until inside `inner`; the first returns; then
// a window procedure of the thread still inside releases the device. The
// path is the first poll or the second.
struct TwoPollers {
    const Route* route;
    int held, inner;
    bool path_first;
    std::string name() const {
        const std::string first = path_first ? "this poll" : "another thread's poll",
                          then = path_first ? "another thread's" : "this one";
        return route->name() + " / two pollers: " + first + " inside " + point_name(route->calls[held]) + ", " +
               then + " inside " + point_name(route->calls[inner]) +
               " when it returns, and released there by a window procedure";
    }
};

std::vector<std::string> run_two_pollers(const TwoPollers& t) {
    const Route& r = *t.route;
    std::vector<std::string> problems;
    const Live before;
    World w;
    if (!start_case(w, r, problems)) return problems;
    Signal held, go;
    Released released;
    int32_t other = 0, release = -9;
    std::string other_before, other_after;
    const auto other_poll = [&] {
        InputReport report;
        other_before = mark_message();
        other = dib_poll(w.device, &report);
        other_after = last_error();
    };
    const auto release_here = [&](int under_way) {
        release = dib_release(w.device);
        note_release(released, under_way);
    };
    const TracedCall &held_at = r.calls[t.held], &inner_at = r.calls[t.inner];
    const DWORD me = GetCurrentThreadId(), them = second->id();
    std::vector<Stop> here;
    if (t.path_first) {
        here.push_back({me, held_at, [&] {
                            second->start(other_poll);
                            if (!held.wait()) problems.push_back("the other poll never got inside");
                        }});
        here.push_back({them, inner_at, [&] {
                            held.set();
                            go.wait();
                            release_here(inner_at.method);
                        }});
    } else {
        here.push_back({them, held_at, [&] {
                            held.set();
                            go.wait();
                        }});
        here.push_back({me, inner_at, [&] {
                            go.set();
                            if (!second->wait(kBoundMs)) problems.push_back("the other poll never returned");
                            release_here(inner_at.method);
                        }});
    }
    stops = &here;
    gsim_set_call_hook(GSIM_M_NONE, on_call, nullptr);
    if (!t.path_first) {
        second->start(other_poll);
        if (!held.wait()) problems.push_back("the other poll never got inside");
    }
    const std::string marked = mark_message();
    const int32_t result = r.path->run(w);
    const std::string message = last_error();
    go.set();
    if (!second->wait(kBoundMs)) hung(t.name() + ": the other poll never returned");
    gsim_set_call_hook(GSIM_M_NONE, nullptr, nullptr);
    stops = nullptr;

    for (const Stop& s : here)
        if (!s.fired) problems.push_back(point_name(s.at) + " was never reached");
    const std::string mine = mismatch(two_pollers_outcome(!t.path_first), result, marked, message),
                      theirs = mismatch(two_pollers_outcome(t.path_first), other, other_before, other_after);
    if (!mine.empty()) problems.push_back("this poll " + mine);
    if (!theirs.empty()) problems.push_back("the other poll " + theirs);
    if (release != DIB_OK) problems.push_back("dib_release returned " + std::to_string(release));
    end_case(w, before, released, 1u << GSIM_RULE_REENTRANT | 1u << GSIM_RULE_POLL_THREAD, problems);
    return problems;
}

bool failable(int method) {
    return method != kPump && method != GSIM_M_DEV_RELEASE && method != GSIM_M_EFF_RELEASE &&
           method != GSIM_M_DI_RELEASE;
}

// One way through an export, alone (made to fail at `failing` of the
// base's calls): its DirectInput calls but AddRef, after a message another
// thread sent when it serves one; its result is the one the oracle gives.
Route traced(const Path& path, const Route* base = nullptr, int failing = -1) {
    Route r{&path, failing, base ? base->calls : std::vector<TracedCall>{}, {}, 0, ""};
    World w;
    std::string why;
    EXPECT_TRUE(set_up_world(w, why)) << why;
    if (path.prepare) path.prepare(w);
    if (base) arm_failure(r, 0);
    gsim_log_clear();
    send_from_another_thread();
    pumped = false;
    const std::string marked = mark_message();
    r.result = path.run(w);
    const bool served = pumped;
    r.message = last_error();
    EXPECT_EQ(gsim_fault_pending(), 0) << r.name() << ": the failure was never made";
    gsim_fault_clear(0);
    serve_sent_message();
    r.calls.clear();
    if (served) r.calls.push_back({kPump, 1, -1});
    int counts[GSIM_M_COUNT] = {};
    for (int i = 0, n = gsim_log_count(); i < n; ++i) {
        GSIM_CALL call;
        gsim_log_get(i, &call);
        const bool addref = call.method == GSIM_M_DEV_ADDREF || call.method == GSIM_M_EFF_ADDREF ||
                            call.method == GSIM_M_DI_ADDREF;
        if (!addref) r.calls.push_back({call.method, ++counts[call.method], call.device});
    }
    release_everything();
    const Situation alone{path.call, path.lost_input, path.alone, &r.calls, failing, int(r.calls.size()),
                          Export::none, Target::none, 0, false};
    EXPECT_EQ(mismatch(path_outcome(alone), r.result, marked, r.message), "") << r.name();
    return r;
}

// A failure route is acted on at its failing call, then at the calls
// before the ending it shares with the success path: the ones the success
// path does not make. A failure the export passes over, making the same
// calls with the same result, makes no route.
void choose_points(Route& r, const Route& base) {
    const std::vector<TracedCall>&a = r.calls, &b = base.calls;
    if (int(a.size()) <= r.failing || a[r.failing].method != b[r.failing].method) {
        ADD_FAILURE() << r.name() << " does not make its failing call";
        return;
    }
    const auto same = [](const TracedCall& x, const TracedCall& y) { return x.method == y.method; };
    if (std::equal(a.begin(), a.end(), b.begin(), b.end(), same) &&
        (r.result >= 0 ? base.result >= 0 : r.result == base.result && r.message == base.message))
        return;
    size_t shared = 0;
    while (shared + r.failing + 1 < a.size() && shared + r.failing + 1 < b.size() &&
           a[a.size() - 1 - shared].method == b[b.size() - 1 - shared].method)
        ++shared;
    for (size_t i = r.failing; i < a.size() - shared; ++i) r.points.push_back(int(i));
}

std::string names(const Route& r, const std::vector<int>& at) {
    std::string list;
    for (const int i : at) list += (list.empty() ? "" : ", ") + point_name(r.calls[i]);
    return list;
}

}  // namespace

TEST(ReentryMatrix, EveryHostActionAtEveryDirectInputCallOfEveryExport) {
    install_window_refusal();
    // Strict mode's reports are read from the simulator: their lines on
    // standard error would drown the matrix's own, and slow it down.
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    std::freopen((std::string(folder) + "gantrel-reentry-strict.txt").c_str(), "w", stderr);
    gsim_strict_enable(TRUE);
    Runner second_thread, sending;
    second = &second_thread;
    sender = &sending;
    make_host_window();
    CloseHandle(CreateThread(nullptr, 0, watch, nullptr, 0, nullptr));

    std::deque<Route> routes;
    for (const Path& path : export_paths()) {
        routes.push_back(traced(path));
        const Route& base = routes.back();
        for (size_t i = 0; i < base.calls.size(); ++i) routes.back().points.push_back(int(i));
        EXPECT_EQ(base.calls.empty(), path.quiet) << path.name << " makes DirectInput calls or not as it should";
        std::printf("%s: %zu calls: %s\n", path.name, base.calls.size(), names(base, base.points).c_str());
        for (size_t i = 0; i < base.calls.size(); ++i) {
            if (!failable(base.calls[i].method)) continue;
            Route route = traced(path, &base, int(i));
            choose_points(route, base);
            std::printf("  %s failing: %s\n", point_name(base.calls[i]).c_str(),
                        route.points.empty() ? "passed over" : ("made at " + names(route, route.points)).c_str());
            routes.push_back(std::move(route));
        }
    }

    std::vector<Case> cases;
    std::vector<TwoPollers> two;
    size_t left_out = 0;
    int points[int(Export::none)] = {};
    for (const Route& r : routes) {
        points[int(r.path->call)] += int(r.points.size());
        for (const int at : r.points)
            for (const Action& action : host_actions())
                for (const bool second_thread : {false, true}) {
                    const Case c{&r, at, &action, second_thread};
                    if (forbidden(c.situation())) ++left_out;
                    else cases.push_back(c);
                }
        if (r.path->call != Export::poll || r.failing >= 0) continue;
        // Every poll calls Poll, then GetDeviceState, before anything else.
        const int poll = r.calls[0].method == kPump ? 1 : 0;
        for (const int held : r.points)
            for (const int inner : {poll, poll + 1})
                for (const bool path_first : {true, false})
                    if (r.calls[held].method != kPump) two.push_back({&r, held, inner, path_first});
    }
    std::string size;
    for (const auto& [call, pinned] : kPinnedPoints) {
        size += std::string(size.empty() ? "" : ", ") + export_name(call) + " " + std::to_string(points[int(call)]);
        EXPECT_EQ(points[int(call)], pinned) << export_name(call) << "'s call points changed";
    }
    EXPECT_EQ(two.size(), kPinnedTwoPollers) << "the two pollers' cases changed";
    std::printf("re-entry matrix: call points per export: %s; %zu host actions, 2 threads: %zu cases (%zu uses "
                "gantrel.h forbids left out), and %zu with two pollers\n",
                size.c_str(), host_actions().size(), cases.size(), left_out, two.size());
    std::fflush(stdout);

    int failing = 0;
    const auto report = [&](const std::string& name, const std::vector<std::string>& problems) {
        InterlockedIncrement(&progress);
        previous = name;
        if (problems.empty()) return;
        ++failing;
        std::printf("FAIL %s\n", name.c_str());
        for (const std::string& p : problems) std::printf("    %s\n", p.c_str());
    };
    for (const Case& c : cases) {
        const std::string name = c.name();
        current = &name;
        report(name, run_case(c));
    }
    for (const TwoPollers& t : two) {
        const std::string name = t.name();
        current = &name;
        report(name, run_two_pollers(t));
    }
    current = nullptr;
    InterlockedExchange(&watching, 0);
    std::printf("re-entry matrix: %zu cases, %d failing\n", cases.size() + two.size(), failing);
    EXPECT_EQ(failing, 0);
    gsim_strict_enable(FALSE);
    gsim_reset(GSIM_RESET_BUILTIN);
}
