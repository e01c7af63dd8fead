// The release race under Wine's own DirectInput: the wheel streams its
// controls report and its PID State report as a real one does, while the
// host opens it, plays an effect, polls and releases it, cycle after cycle.
// Every block Wine's dinput8 frees is watched for writes after the free.
// Wine's Unacquire cancels its device read only when the read is pending;
// when a report has just completed it, Wine's input thread reads it and
// starts the next read after the cancel, and that read outlives the device
// object. Its writes (the report into the input buffer, the status into the
// device object) are counted and printed as the race's rate, which no
// release sequence of the bridge brings to zero; any other write after free
// fails the test. Every read Wine fails on its input thread ("input lost",
// which Wine reports now and then and here is also made to report every
// tenth cycle) must be followed by a poll that takes the device back.
// A read that fails while Unacquire runs leaves the device on Wine's list of
// acquired devices after the release has freed it, and Wine's input thread
// then hangs the next Unacquire: the failures made here are withdrawn before
// each release, and a call that hangs all the same ends the run, named.
//
// GANTREL_RACE_CYCLES=<n> runs n cycles (scripts/release-race.sh, the long
// form); without it the run stops after kShortRun, the suite's short form.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "bridge_session.h"
#include "dinput_watch.h"
#include "driver/pid_usages.h"

using namespace vwheel;

namespace {

constexpr DWORD kShortRun = 20000;
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
    explicit Stream(DeviceSession &wheel) : wheel_(wheel), hid_(kWheel), control_(kWheel) {}
    ~Stream() { stop(); }

    bool start()
    {
        const std::vector<uint8_t> state = pid_state_report(hid_);
        if (state.empty() || !control_.is_open()) return false;
        started_ = now_ms();
        thread_ = std::thread([this, state] {
            for (unsigned n = 1; !stop_; Sleep(1)) {
                const double due = (now_ms() - started_) * kReportsPerSecond / 1000.0;
                for (bool pushing = true; pushing && pushed_ < due && !stop_; ++n) {
                    std::vector<USAGE> buttons;
                    for (USAGE b = 0; b < 12; ++b)
                        if (n & (1u << b)) buttons.push_back(USAGE(b + 1));
                    pushing = control_.push_input(wheel_.input_report({{0x30, LONG(n * 97 % 65536)}}, buttons, -1)) &&
                              control_.push_input(state);
                    pushed_ += pushing ? 2 : 0;
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

} // namespace

TEST(ReleaseRace, OpenPlayPollReleaseWhileTheWheelStreams)
{
    const char *wanted = std::getenv("GANTREL_RACE_CYCLES");
    const unsigned cycles = wanted ? unsigned(std::atoi(wanted)) : ~0u;
    DeviceSession wheel(kWheel);
    ASSERT_TRUE(wheel.ready()) << wheel.problem();
    Stream stream(wheel);
    ASSERT_TRUE(stream.start()) << "the wheel's control channel or PID State report";
    ASSERT_TRUE(dinput_watch::install(GetCurrentThreadId())) << "dinput8's imports";

    EffectParams params = {};
    params.constant_magnitude = 1500;
    std::vector<double> release_ms;
    std::vector<FreedWrite> writes;
    Polls polls;
    unsigned losses = 0, recovered = 0, cycle = 0;
    Watchdog watchdog;
    const double start = now_ms();
    for (; cycle < cycles && (wanted || now_ms() - start < kShortRun); ++cycle) {
        dinput_watch::set_cycle(cycle);
        const uint64_t lost_before = reads_failed();
        watchdog.at(cycle, "dib_open");
        const int32_t device = dib_open(wheel.guid().c_str());
        if (device < 1) {
            ADD_FAILURE() << "cycle " << cycle << ": " << last_error_text();
            break;
        }
        // A read Wine failed since the open leaves the wheel unacquired, and
        // the effect calls answer -3: the next polls take it back.
        const auto taken_back = [&](int32_t result) {
            if (result != DIB_E_EXCLUSIVE || reads_failed() == lost_before) return false;
            polls.until_fresh(device, 2, 2000);
            return true;
        };
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
        if (cycle % kFailReadEvery == kFailReadEvery - 1) dinput_watch::fail_next_read();
        watchdog.at(cycle, "dib_poll");
        polls.until_fresh(device, 2, 100);
        // A failure made to land during the release would hang Wine.
        dinput_watch::withdraw_read_failures();
        const unsigned lost = unsigned(reads_failed() - lost_before);
        if (lost) {
            losses += lost;
            // Wine's "input lost": the next polls must take the device back.
            if (polls.until_fresh(device, 2, 2000)) recovered += lost;
        }

        watchdog.at(cycle, "dib_release");
        const double before = now_ms();
        EXPECT_EQ(dib_release(device), DIB_OK);
        release_ms.push_back(now_ms() - before);
        for (const FreedWrite &w : dinput_watch::sweep(kKeepFreedMs)) writes.push_back(w);
    }
    stream.stop();
    Sleep(kKeepFreedMs);
    for (const FreedWrite &w : dinput_watch::uninstall()) writes.push_back(w);
    const DinputCounts counts = dinput_watch::counts();

    // What a read left pending writes: its report into the input buffer
    // (the device's input report length) and its status block (two
    // pointer-sized fields) into the device object. Anything else is not
    // Wine's pending read.
    const size_t report_length = HidInterface(kWheel).caps().InputReportByteLength;
    unsigned buffers = 0, status_blocks = 0, printed = 0;
    std::vector<uint64_t> hit_cycles;
    for (const FreedWrite &w : writes) {
        if (hit_cycles.empty() || hit_cycles.back() != w.cycle) hit_cycles.push_back(w.cycle);
        if (w.size == report_length) ++buffers;
        else if (w.end - w.offset <= 2 * sizeof(void *)) ++status_blocks;
        else ADD_FAILURE() << "cycle " << w.cycle << ": a write after free that no read explains, " << w.changed
                           << " of " << w.size << " bytes from offset " << w.offset << ": " << w.bytes;
        if (printed++ < 8)
            std::printf("cycle %llu: %zu of %zu freed bytes written, from offset %zu: %s\n",
                        (unsigned long long)w.cycle, w.changed, w.size, w.offset, w.bytes.c_str());
    }
    std::string errors;
    for (const auto &e : counts.read_errors) errors += " " + std::to_string(e.first) + "x" + std::to_string(e.second);
    std::printf("Wine %d, %zu-bit: %u cycles in %.1f s; the wheel sent %.0f reports/s\n"
                "  written after release: %zu freed blocks in %zu cycles (%.2f%% of cycles): "
                "%u input buffers, %u status blocks\n"
                "  CancelIoEx found no read to cancel: %llu times (%.2f per cycle)\n"
                "  reads Wine failed on its input thread: %llu (%llu of them made to), %u before the polls "
                "ended, taken back by dib_poll: %u; errors:%s\n"
                "  polls: %u returned 0, %u input lost, %u lost again after the re-acquire, %u other\n"
                "  dib_release: median %.2f ms, 99th percentile %.2f ms, longest %.2f ms\n",
                wine_major_version(), sizeof(void *) * 8, cycle, (now_ms() - start) / 1000.0, stream.per_second(),
                writes.size(), hit_cycles.size(), cycle ? 100.0 * double(hit_cycles.size()) / cycle : 0.0, buffers,
                status_blocks, (unsigned long long)counts.cancels_without_read,
                cycle ? double(counts.cancels_without_read) / cycle : 0.0,
                (unsigned long long)counts.reads_failed_on_input_thread, (unsigned long long)counts.reads_made_to_fail,
                losses, recovered, errors.empty() ? " none" : errors.c_str(), polls.ok, polls.lost, polls.lost_again, polls.other, percentile(release_ms, 0.5),
                percentile(release_ms, 0.99), percentile(release_ms, 1.0));

    EXPECT_GE(stream.per_second(), 500.0) << "a wheel's report rate";
    EXPECT_EQ(recovered, losses) << "every read Wine failed is followed by a poll that takes the device back";
    if (cycle >= 3 * kFailReadEvery) {
        EXPECT_GT(losses, 0u) << "no read failed while polling: the recovery went untried";
    }
    EXPECT_EQ(polls.lost, 0u) << "dib_poll gave up on the device with no read failing";
}
