// The release race under Wine's own DirectInput: the wheel streams its
// controls report and its PID State report as a real one does, while the
// host opens it, plays an effect, polls and releases it, cycle after cycle.
// Every block Wine's dinput8 frees is watched for writes after the free.
// Wine's Unacquire cancels its device read only when the read is pending;
// when a report has just completed it, Wine's input thread reads it and
// starts the next read after the cancel, and that read outlives Unacquire.
// The library keeps the device object instead of letting Wine free it, so
// no write after free may show. Every read Wine fails on its input thread
// ("input lost", which Wine reports now and then and here is also made to
// report every tenth cycle) must be followed by a poll that takes the
// device back; those failures are withdrawn before each release.
// Three more runs: two wheels opened and released alternately, a wheel
// unplugged while its object is kept, and a failed read made to meet the
// release's Unacquire half way, which leaves the object on Wine's list of
// acquired devices: nothing may hang, crash or stop working afterwards.
//
// GANTREL_RACE_CYCLES=<n> runs n cycles of the first two, GANTREL_RACE_UNPLUGS
// and GANTREL_RACE_LIST_FAULTS as many of the others (scripts/release-race.sh,
// the long form); without them each runs its short form.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "bridge_session.h"
#include "client/device_node.h"
#include "dinput_watch.h"
#include "driver/pid_usages.h"

using namespace vwheel;

namespace {

// The suite's short forms: the two streaming runs for so long, the others
// for so many cycles.
constexpr DWORD kShortRunMs = 12000, kShortPairRunMs = 5000;
constexpr unsigned kShortUnplugs = 2, kShortListFaults = 2;
// Long enough for the release to reach its Unacquire while Wine waits.
constexpr unsigned kHoldMs = 200;
constexpr double kReportsPerSecond = 600;
// Wine rarely fails a read of its own; every so many cycles one is made to.
constexpr unsigned kFailReadEvery = 10;
// Long enough for a read left pending at release to meet the next report.
constexpr unsigned kKeepFreedMs = 200;
// No call of a cycle takes more than milliseconds; one that has not returned
// after this never will.
constexpr DWORD kHungMs = 30000;

double now_ms()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(count.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The PID State report the firmware sends: actuators enabled, block 1.
std::vector<uint8_t> pid_state_report(const HidInterface &hid)
{
    const ULONG length = hid.caps().InputReportByteLength;
    std::vector<uint8_t> report(length);
    char *bytes = reinterpret_cast<char *>(report.data());
    std::vector<HIDP_LINK_COLLECTION_NODE> nodes(hid.caps().NumberLinkCollectionNodes);
    ULONG count = static_cast<ULONG>(nodes.size());
    HidP_GetLinkCollectionNodes(nodes.data(), &count, hid.preparsed());
    USHORT link = 0;
    for (ULONG i = 0; i < count; ++i)
        if (nodes[i].LinkUsagePage == kPidPage && nodes[i].LinkUsage == PU_STATE_REPORT) link = USHORT(i);
    HIDP_VALUE_CAPS block = {};
    USHORT found = 1;
    if (!link || HidP_GetSpecificValueCaps(HidP_Input, kPidPage, link, PU_EFFECT_BLOCK_INDEX, &block, &found,
                                           hid.preparsed()) != HIDP_STATUS_SUCCESS)
        return {};
    HidP_InitializeReportForID(HidP_Input, block.ReportID, hid.preparsed(), bytes, length);
    USAGE enabled = PU_ACTUATORS_ENABLED;
    ULONG one = 1;
    HidP_SetUsages(HidP_Input, kPidPage, link, &enabled, &one, hid.preparsed(), bytes, length);
    HidP_SetUsageValue(HidP_Input, kPidPage, link, PU_EFFECT_BLOCK_INDEX, 1, hid.preparsed(), bytes, length);
    return report;
}

// Pushes controls reports whose twelve buttons count them, each followed by
// a PID State report, at kReportsPerSecond on average: a late wake-up
// catches up, as a wheel's reports queue up while the host is busy.
class Stream {
public:
    Stream(DeviceSession &wheel, const Variant &variant) : wheel_(wheel), hid_(variant), control_(variant) {}
    ~Stream() { stop(); }

    bool start()
    {
        const std::vector<uint8_t> state = pid_state_report(hid_);
        if (!control_.is_open()) return false;
        started_ = now_ms();
        thread_ = std::thread([this, state] {
            for (unsigned n = 1; !stop_; Sleep(1)) {
                const double due = (now_ms() - started_) * kReportsPerSecond / 1000.0;
                for (bool pushing = true; pushing && pushed_ < due && !stop_; ++n) {
                    std::vector<USAGE> buttons;
                    for (USAGE b = 0; b < 12; ++b)
                        if (n & (1u << b)) buttons.push_back(USAGE(b + 1));
                    pushing = control_.push_input(wheel_.input_report({{0x30, LONG(n * 97 % 65536)}}, buttons, -1)) &&
                              (state.empty() || control_.push_input(state));
                    pushed_ += pushing ? (state.empty() ? 1 : 2) : 0;
                }
            }
        });
        return true;
    }
    void stop()
    {
        if (!thread_.joinable()) return;
        stop_ = true;
        thread_.join();
        stopped_ = now_ms();
    }
    double per_second() const { return pushed_ * 1000.0 / (stopped_ - started_); }

private:
    DeviceSession &wheel_;
    HidInterface hid_;
    ControlChannel control_;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<unsigned> pushed_{0};
    double started_ = 0, stopped_ = 0;
};

uint64_t reads_failed() { return dinput_watch::counts().reads_failed_on_input_thread; }

// Polls until `fresh` successful polls have each seen a report the previous
// one had not (the button counter moved), or the time is up. Counts what the
// polls returned. A poll re-acquires once: when Wine fails the read that
// Acquire started before the poll reads, the poll reports input lost, and
// the next one takes the device back.
struct Polls {
    unsigned ok = 0, lost = 0, lost_again = 0, other = 0;
    uint64_t last_buttons = ~0ull;

    bool until_fresh(int32_t device, unsigned fresh, double timeout_ms)
    {
        const double end = now_ms() + timeout_ms;
        unsigned seen = 0;
        while (seen < fresh && now_ms() < end) {
            InputReport report = {};
            const uint64_t failed_before = reads_failed();
            const int32_t result = dib_poll(device, &report);
            if (result == DIB_OK) {
                ++ok;
                if (report.button_mask != last_buttons) ++seen;
                last_buttons = report.button_mask;
            } else if (result == DIB_E_INPUT) {
                ++(reads_failed() > failed_before ? lost_again : lost);
            } else {
                ++other;
            }
            Sleep(1);
        }
        return seen >= fresh;
    }
};

// Ends the process when the step it is told of has not changed for kHungMs.
class Watchdog {
public:
    Watchdog()
        : thread_([this] {
              unsigned long long seen = ~0ull;
              DWORD since = GetTickCount();
              while (!stop_) {
                  Sleep(100);
                  if (steps_ != seen) {
                      seen = steps_;
                      since = GetTickCount();
                  } else if (GetTickCount() - since > kHungMs) {
                      std::fprintf(stderr, "cycle %u: %s has not returned in %lu s\n", cycle_.load(), step_.load(),
                                   kHungMs / 1000);
                      std::fflush(stderr);
                      TerminateProcess(GetCurrentProcess(), 3);
                  }
              }
          })
    {
    }
    ~Watchdog()
    {
        stop_ = true;
        thread_.join();
    }
    void at(unsigned cycle, const char *step)
    {
        cycle_ = cycle;
        step_ = step;
        ++steps_;
    }

private:
    std::atomic<bool> stop_{false};
    std::atomic<unsigned> cycle_{0};
    std::atomic<const char *> step_{"the start"};
    std::atomic<unsigned long long> steps_{0};
    std::thread thread_;
};

double percentile(std::vector<double> values, double p)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size())))];
}

// What the process holds. Wine answers no handle count, so the handle
// values are tried one by one; Wine 8 reports no PrivateUsage, and its
// PagefileUsage (anonymous resident memory) stands in.
struct Holdings {
    DWORD handles = 0, threads = 0;
    size_t private_bytes = 0;
};

Holdings holdings()
{
    Holdings h;
    DWORD flags;
    for (uintptr_t value = 4; value < 0x10000; value += 4)
        h.handles += GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) != 0;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 thread = {};
    thread.dwSize = sizeof thread;
    for (BOOL more = Thread32First(snapshot, &thread); more; more = Thread32Next(snapshot, &thread))
        h.threads += thread.th32OwnerProcessID == GetCurrentProcessId();
    CloseHandle(snapshot);
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS *>(&memory), sizeof memory);
    h.private_bytes = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;
    return h;
}

unsigned wanted(const char *variable, unsigned otherwise)
{
    const char *value = std::getenv(variable);
    return value ? unsigned(std::atoi(value)) : otherwise;
}

// The cycles of one run and what they measured.
struct Cycles {
    Watchdog watchdog;
    Polls polls;
    std::vector<double> open_ms, release_ms;
    std::vector<FreedWrite> writes;
    std::map<unsigned, Holdings> held; // after cycles 100 and 1000
    unsigned losses = 0, recovered = 0, cycle = 0;
    double start = now_ms();
    const bool watching = dinput_watch::install(GetCurrentThreadId());

    // Opens the device, plays a constant force on it, polls and releases it;
    // a read made to fail (every tenth cycle when asked) is taken back first.
    // The handle, 0 when the open failed (reported).
    int32_t open(const std::string &guid)
    {
        dinput_watch::set_cycle(cycle);
        watchdog.at(cycle, "dib_open");
        const double before = now_ms();
        const int32_t device = dib_open(guid.c_str());
        open_ms.push_back(now_ms() - before);
        if (device < 1) ADD_FAILURE() << "cycle " << cycle << ": " << last_error_text();
        return device < 1 ? 0 : device;
    }
    void play_and_poll(int32_t device, bool fail_a_read)
    {
        const uint64_t lost_before = reads_failed();
        // A read Wine failed since the open leaves the wheel unacquired, and
        // the effect calls answer -3: the next polls take it back.
        const auto taken_back = [&](int32_t result) {
            if (result != DIB_E_EXCLUSIVE || reads_failed() == lost_before) return false;
            polls.until_fresh(device, 2, 2000);
            return true;
        };
        EffectParams params = {};
        params.constant_magnitude = 1500;
        watchdog.at(cycle, "dib_set_axis_map");
        EXPECT_EQ(dib_set_axis_map(device, DIB_AXIS_X, DIB_AXIS_NONE, 0, 0), DIB_OK);
        watchdog.at(cycle, "dib_effect_create");
        int32_t effect = dib_effect_create(device, DIB_EFFECT_CONSTANT, &params);
        if (taken_back(effect)) effect = dib_effect_create(device, DIB_EFFECT_CONSTANT, &params);
        EXPECT_GE(effect, 1) << last_error_text();
        watchdog.at(cycle, "dib_effect_start");
        int32_t started = dib_effect_start(effect, 1);
        if (taken_back(started)) started = dib_effect_start(effect, 1);
        EXPECT_EQ(started, DIB_OK) << last_error_text();
        if (fail_a_read) dinput_watch::fail_next_read();
        watchdog.at(cycle, "dib_poll");
        polls.until_fresh(device, 2, 100);
        dinput_watch::withdraw_read_failures();
        const unsigned lost = unsigned(reads_failed() - lost_before);
        if (lost) {
            losses += lost;
            // Wine's "input lost": the next polls must take the device back.
            if (polls.until_fresh(device, 2, 2000)) recovered += lost;
        }
    }
    void release(int32_t device)
    {
        watchdog.at(cycle, "dib_release");
        const double before = now_ms();
        EXPECT_EQ(dib_release(device), DIB_OK);
        release_ms.push_back(now_ms() - before);
        for (const FreedWrite &w : dinput_watch::sweep(kKeepFreedMs)) writes.push_back(w);
        if (++cycle == 100 || cycle == 1000) held[cycle] = holdings();
    }
    bool cycle_once(const std::string &guid, bool fail_a_read)
    {
        const int32_t device = open(guid);
        if (!device) return false;
        play_and_poll(device, fail_a_read);
        release(device);
        return true;
    }

    // Prints what the run measured and checks what every run must show:
    // no write after free, every lost read taken back, nothing growing.
    void finish(const char *what, const std::string &rate)
    {
        EXPECT_TRUE(watching) << "dinput8's imports";
        Sleep(kKeepFreedMs);
        for (const FreedWrite &w : dinput_watch::uninstall()) writes.push_back(w);
        const DinputCounts counts = dinput_watch::counts();
        std::vector<uint64_t> hit_cycles;
        for (const FreedWrite &w : writes)
            if (hit_cycles.empty() || hit_cycles.back() != w.cycle) hit_cycles.push_back(w.cycle);
        for (size_t i = 0; i < writes.size() && i < 8; ++i)
            ADD_FAILURE() << "cycle " << writes[i].cycle << ": " << writes[i].changed << " of " << writes[i].size
                          << " freed bytes written, from offset " << writes[i].offset << ": " << writes[i].bytes;
        std::printf("%s, Wine %d, %zu-bit: %u cycles in %.1f s%s\n"
                    "  written after release: %zu freed blocks in %zu cycles\n"
                    "  reads Wine failed on its input thread: %llu (%llu of them made to), %u before the polls "
                    "ended, taken back by dib_poll: %u\n"
                    "  polls: %u returned 0, %u input lost, %u lost again after the re-acquire, %u other\n"
                    "  dib_open: median %.2f ms, 99th percentile %.2f ms; dib_release: median %.2f ms, "
                    "99th percentile %.2f ms, longest %.2f ms\n",
                    what, wine_major_version(), sizeof(void *) * 8, cycle, (now_ms() - start) / 1000.0,
                    rate.c_str(), writes.size(), hit_cycles.size(), (unsigned long long)counts.reads_failed_on_input_thread,
                    (unsigned long long)counts.reads_made_to_fail, losses, recovered, polls.ok, polls.lost,
                    polls.lost_again, polls.other, percentile(open_ms, 0.5), percentile(open_ms, 0.99),
                    percentile(release_ms, 0.5), percentile(release_ms, 0.99), percentile(release_ms, 1.0));
        for (const auto &h : held)
            std::printf("  after cycle %u: %lu handles, %lu threads, %.1f MB private\n", h.first,
                        (unsigned long)h.second.handles, (unsigned long)h.second.threads,
                        double(h.second.private_bytes) / 1048576.0);
        EXPECT_EQ(recovered, losses) << "every read Wine failed is followed by a poll that takes the device back";
        EXPECT_EQ(polls.lost, 0u) << "dib_poll gave up on the device with no read failing";
        if (held.size() == 2) {
            const Holdings &early = held[100], &late = held[1000];
            EXPECT_LE(late.handles, early.handles + 4) << "handles";
            EXPECT_LE(late.threads, early.threads) << "threads";
            EXPECT_LE(late.private_bytes, early.private_bytes + (2u << 20)) << "private memory";
        }
    }
};

std::string per_second(const Stream &stream)
{
    return "; the device sent " + std::to_string(int(stream.per_second())) + " reports/s";
}

// The GUID dib_enumerate lists for the variant once its node is back, or "".
std::string listed_again(const Variant &variant, const std::string &old_guid)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start <= 15000; Sleep(100)) {
        const std::string guid = json_member(enumerated_description(variant), "guid");
        if (!guid.empty() && guid != old_guid) return guid;
    }
    return "";
}

} // namespace

TEST(ReleaseRace, OpenPlayPollReleaseWhileTheWheelStreams)
{
    const unsigned cycles = wanted("GANTREL_RACE_CYCLES", ~0u);
    DeviceSession wheel(kWheel);
    ASSERT_TRUE(wheel.ready()) << wheel.problem();
    Stream stream(wheel, kWheel);
    ASSERT_TRUE(stream.start()) << "the wheel's control channel or PID State report";
    Cycles run;
    while (run.cycle < cycles && (cycles != ~0u || now_ms() - run.start < kShortRunMs))
        if (!run.cycle_once(wheel.guid(), run.cycle % kFailReadEvery == kFailReadEvery - 1)) break;
    stream.stop();
    run.finish("One wheel", per_second(stream));
    EXPECT_GE(stream.per_second(), 500.0) << "a wheel's report rate";
    if (run.cycle >= 3 * kFailReadEvery) {
        EXPECT_GT(run.losses, 0u) << "no read failed while polling: the recovery went untried";
    }
}

// Each wheel's object is kept and opened again in turn.
TEST(ReleaseRace, TwoWheelsOpenedAndReleasedAlternately)
{
    const unsigned cycles = wanted("GANTREL_RACE_CYCLES", ~0u);
    DeviceSession wheel(kWheel), stick(kStick);
    ASSERT_TRUE(wheel.ready() && stick.ready()) << wheel.problem() << stick.problem();
    Stream wheel_stream(wheel, kWheel), stick_stream(stick, kStick);
    ASSERT_TRUE(wheel_stream.start() && stick_stream.start());
    Cycles run;
    while (run.cycle < cycles && (cycles != ~0u || now_ms() - run.start < kShortPairRunMs))
        if (!run.cycle_once((run.cycle % 2 ? stick : wheel).guid(), false)) break;
    wheel_stream.stop();
    stick_stream.stop();
    run.finish("Two wheels alternately", per_second(wheel_stream));
}

// The wheel goes while its object is kept: its old GUID opens nothing, and
// every wheel that comes back opens under its new GUID, cycle after cycle.
// Every other cycle the host asks for the old GUID, which frees the kept
// object; the others leave it for the table to free when it needs room.
TEST(ReleaseRace, WheelUnpluggedWhileItsObjectIsKept)
{
    const unsigned cycles = wanted("GANTREL_RACE_UNPLUGS", kShortUnplugs);
    Cycles run;
    std::string guid, why;
    while (run.cycle < cycles) {
        {
            DeviceSession wheel(kWheel);
            ASSERT_TRUE(wheel.ready()) << wheel.problem();
            Stream stream(wheel, kWheel);
            ASSERT_TRUE(stream.start());
            guid = wheel.guid();
            if (!run.cycle_once(guid, false)) break;
        }
        run.watchdog.at(run.cycle, "the unplugging");
        ASSERT_TRUE(unplug(kWheel, &why)) << why;
        if (run.cycle % 2) {
            run.watchdog.at(run.cycle, "dib_open of the unplugged wheel");
            EXPECT_EQ(dib_open(guid.c_str()), DIB_E_FAILED);
            EXPECT_EQ(last_error_text().rfind("CreateDevice failed (device unplugged?)", 0), 0u) << last_error_text();
        }
        run.watchdog.at(run.cycle, "the plugging in");
        ASSERT_TRUE(replug(kWheel, &why)) << why;
        ASSERT_NE(listed_again(kWheel, guid), "") << "not listed again under a new GUID within 15 s";
    }
    EXPECT_EQ(dib_open(guid.c_str()), DIB_E_FAILED) << "a GUID of a wheel gone and back opens nothing";
    run.finish("Wheel unplugged while kept", "");
}

// A read that fails as the release's Unacquire runs: Wine's Unacquire finds
// the handle closed, returns early and leaves the object on its list of
// acquired devices, which the library then never acquires or frees again.
// Nothing hangs or crashes, and the next object of the wheel opens, plays and
// releases. Wine 10's input thread reads the stranded object once at each
// change of its list and serves the new one. Wine 8's input thread serves the
// stranded object's signalled read before any other, fails it, and does so
// again for as long as the process lives: it spins, and the wheel's new
// object gets no input. Hence one fault under Wine 8.
TEST(ReleaseRace, FailedReadMeetsTheReleasesUnacquire)
{
    const unsigned faults = wine10_or_later() ? wanted("GANTREL_RACE_LIST_FAULTS", kShortListFaults) : 1;
    DeviceSession wheel(kWheel);
    ASSERT_TRUE(wheel.ready()) << wheel.problem();
    Stream stream(wheel, kWheel);
    ASSERT_TRUE(stream.start());
    Cycles run;
    unsigned met = 0, fresh = 0;
    for (unsigned fault = 0; fault < faults; ++fault) {
        int32_t device = run.open(wheel.guid());
        if (!device) break;
        run.play_and_poll(device, false);
        run.watchdog.at(run.cycle, "the failed read");
        ASSERT_TRUE(dinput_watch::fail_next_read_and_hold(kHoldMs, 2000)) << "no read failed within 2 s";
        const uint64_t cancels = dinput_watch::counts().host_cancels;
        run.release(device);
        met += dinput_watch::counts().host_cancels == cancels;
        Sleep(kHoldMs);
        // A new object of the wheel: Wine reopens the device at its Acquire.
        if (!(device = run.open(wheel.guid()))) break;
        run.play_and_poll(device, false);
        fresh += run.polls.until_fresh(device, 2, 1000);
        run.release(device);
    }
    // Wine 8's input thread fails the stranded object's read without end:
    // those are no reads of the wheel's objects to take back.
    if (!wine10_or_later()) run.losses = run.recovered = 0;
    EXPECT_EQ(met, faults) << "releases whose Unacquire met the failed read (made no CancelIoEx)";
    Sleep(200);  // Wine 10 reads each stranded object once after the last change of its list
    const uint64_t before = dinput_watch::counts().reads_failed_on_input_thread;
    Sleep(1000);
    const uint64_t idle = dinput_watch::counts().reads_failed_on_input_thread - before;
    std::printf("After %u faults met at the Unacquire: the next object had fresh input after %u; reads Wine's "
                "input thread failed in an idle second: %llu\n",
                met, fresh, (unsigned long long)idle);
    if (wine10_or_later()) {
        EXPECT_EQ(fresh, faults) << "the wheel's next object reads";
        EXPECT_EQ(idle, 0u) << "Wine 10's input thread reads the stranded object only at a change of its list";
    }
    stream.stop();
    run.finish("Failed read at the release's Unacquire", per_second(stream));
}
