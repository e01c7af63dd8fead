// gantrel-probe's commands, run in this process on the simulated devices:
// what they print, the files they write, and how they fail or are cut short.
#include "probe_fixture.h"

#include "help_text.h"
#include "interrupt.h"
#include "probe_errors.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <map>
#include <thread>

namespace probetest {
namespace {

const char *const kWheelGuid = "{5A1E0001-0000-11EE-8001-444553540000}";
const char *const kPadGuid = "{5A1E0003-0000-11EE-8001-444553540000}";

bool contains(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

// Runs `steps` on another thread while the probe runs; each step waits
// until the probe has made `calls` more calls of GetDeviceState than when
// the step before ran (at most 30 s), then acts. Joined by the destructor.
class WhilePolling {
public:
    struct Step {
        int calls;
        std::function<void()> act;
    };
    explicit WhilePolling(std::vector<Step> steps)
        : thread_([steps] {
              int seen = 0;
              for (const Step &step : steps) {
                  for (DWORD start = GetTickCount();
                       gsim_log_count_method(GSIM_M_DEV_GETDEVICESTATE) < seen + step.calls && GetTickCount() - start < 30000;)
                      Sleep(1);
                  step.act();
                  seen = gsim_log_count_method(GSIM_M_DEV_GETDEVICESTATE);
              }
          }) {}
    ~WhilePolling() { thread_.join(); }

private:
    std::thread thread_;
};

void ctrl_c() { probe::raise_interrupt(CTRL_C_EVENT); }

// Another program takes the device at the probe's next read: the probe's
// device object loses it (as on an unplug and replug in one go), and
// taking it back is refused while the other program holds it.
void CALLBACK taken_by_another_program(int, void *index) {
    gsim_set_call_hook(GSIM_M_NONE, nullptr, nullptr);
    const int device = static_cast<int>(reinterpret_cast<intptr_t>(index));
    gsim_device_set_held_elsewhere(device, TRUE);
    gsim_device_unplug(device);
    gsim_device_replug(device);
}

TEST_F(ProbeTest, ListPrintsOneRowPerForceFeedbackController) {
    const ProbeRun r = probe({"list"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "VID:PID        FF axes  Buttons  POVs  Period"));
    EXPECT_TRUE(contains(r.out, "0  {5A1E0001-0000-11EE-8001-444553540000}  Gantrel Simulated Racing Wheel  0x1209:0x4701  X  "));
    EXPECT_TRUE(contains(r.out, "1  {5A1E0002-0000-11EE-8001-444553540000}  Gantrel Simulated Force Stick   0x1209:0x4702  X, Y"));
    EXPECT_TRUE(contains(r.out, "1000 us  constant square sine triangle sawtoothup sawtoothdown spring damper inertia friction"));
    EXPECT_FALSE(contains(r.out, "Gamepad")) << "no force feedback, not listed";
    EXPECT_TRUE(contains(r.out, "gantrel-probe list --all also shows 1 game controller(s) that DirectInput reports "
                                "without force feedback.\n"));

    // --all numbers it after them, for the other commands to take.
    const ProbeRun all = probe({"list", "--all"});
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_TRUE(contains(all.out, "2  {5A1E0003-0000-11EE-8001-444553540000}  Gantrel Simulated Gamepad       "
                                  "0x1209:0x4703  none     10       1     0 us\n"))
        << all.out;
    EXPECT_TRUE(contains(all.out, "Device 2: not listed by the library, as DirectInput reports no force feedback for "
                                  "it; gantrel-probe check 2 says why.\n"));
    EXPECT_EQ(probe({"info", "2"}).status, 0) << "info takes its number too";
}

TEST_F(ProbeTest, ListJsonIsTheLibrarysTextExactly) {
    char text[16384];
    const int32_t n = dib_enumerate(text, sizeof text);
    ASSERT_GT(n, 2);
    const ProbeRun r = probe({"list", "--json"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string(text, static_cast<size_t>(n)) + "\n");
}

TEST_F(ProbeTest, NothingAttachedIsStatusThreeAndSaysWhereControllersComeFrom) {
    ASSERT_EQ(gsim_reset(GSIM_RESET_EMPTY), 0);
    const ProbeRun r = probe({"list"});
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("gantrel-probe: no force-feedback controller is attached.\n", 0), 0u) << r.err;
    EXPECT_TRUE(contains(r.err, "The simulated DirectInput is loaded but describes none")) << r.err;
    const ProbeRun json = probe({"list", "--json"});
    EXPECT_EQ(json.status, 3);
    EXPECT_EQ(json.out, "[]\n");
    const ProbeRun info = probe({"info", "0"});
    EXPECT_EQ(info.status, 3);
    EXPECT_EQ(info.err, "gantrel-probe: there is no device 0: no force-feedback controller is attached\n");

    // A game controller without force feedback: named with its GUID, and
    // numbered for check to say why.
    GSIM_DEVICE_DESC pad;
    ASSERT_EQ(gsim_builtin_desc(GSIM_BUILTIN_GAMEPAD, &pad), 0);
    ASSERT_GE(gsim_device_add(&pad), 0);
    const ProbeRun one = probe({"list"});
    EXPECT_EQ(one.status, 3);
    EXPECT_TRUE(contains(one.err, "  DirectInput reports 1 game controller(s) without it; gantrel-probe list --all "
                                  "numbers them, and\n  gantrel-probe check NUMBER says why one gets no force:\n"
                                  "    0  {5A1E0003-0000-11EE-8001-444553540000}  Gantrel Simulated Gamepad\n"))
        << one.err;
    EXPECT_EQ(probe({"list", "--all"}).status, 0);
    EXPECT_EQ(probe({"info", "1"}).err,
              "gantrel-probe: there is no device 1: no force-feedback controller is attached, and 1 game "
              "controller(s) without force feedback, numbered 0 (gantrel-probe list --all)\n");
}

TEST_F(ProbeTest, InfoNamesTheActuatorAxesAndTheAutoCentreOutcome) {
    const ProbeRun r = probe({"info", "1"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "Device 1: Gantrel Simulated Force Stick"));
    EXPECT_TRUE(contains(r.out, "VID:PID           0x1209:0x4702 (vid 4617, pid 18178 in list --json)"));
    EXPECT_TRUE(contains(r.out, "FF axes           X, Y (dib_ffb_axes 0x03, bit n = axis code n)"));
    EXPECT_TRUE(contains(r.out, "was on before opening, switched off, confirmed off after acquiring "
                                "(dib_autocenter_state 15 = 1 + 2 + 4 + 8)"));
    GSIM_DEVICE_STATUS s = {};
    s.size = sizeof s;
    ASSERT_EQ(gsim_device_status(1, &s), GSIM_OK);
    EXPECT_EQ(s.autocenter, static_cast<DWORD>(DIPROPAUTOCENTER_ON)) << "released: the spring is back";

    GSIM_DEVICE_DESC d;
    ASSERT_EQ(gsim_device_get(0, &d), GSIM_OK);
    d.autocenter_readable = FALSE;
    ASSERT_EQ(gsim_device_set(0, &d), GSIM_OK);
    const ProbeRun unread = probe({"info", kWheelGuid});
    EXPECT_TRUE(contains(unread.out, "FF axes           X (dib_ffb_axes 0x01, bit n = axis code n)"));
    EXPECT_TRUE(contains(unread.out, "could not be read before opening, switched off")) << unread.out;
    EXPECT_TRUE(contains(unread.out, "(dib_autocenter_state 1 = 1)")) << unread.out;
}

// One way to each exit status, row by row of the table in the READMEs and
// troubleshooting page, which must be the probe's own table. Status 4 needs a process without the
// simulator: probe_terminal_test.sh runs `scripts/probe.sh --real demo`.
TEST_F(ProbeTest, EveryExitStatusOfTheReadmeTablesHappensAsItSays) {
    const std::string folder = fresh_folder("status");
    const std::map<int, std::pair<std::function<ProbeRun()>, std::string>> ways = {
        {0, {[&] { return probe({"list"}); }, ""}},
        {2, {[&] { return probe({"play", "0", "sine", "--map", "X,X"}); }, "--map: X is named twice"}},
        {3, {[&] { return probe({"info", "{00000000-0000-0000-0000-000000000000}"}); },
             "there is no device {00000000-0000-0000-0000-000000000000}: no attached controller has that GUID"}},
        {5, {[&] { return probe({"play", "0", "sine", "--out", folder + "\\missing\\traces"}); },
             "the folder it would go in does not exist"}},
        {6, {[&] { return probe({"test", "0"}); }, "test needs an interactive console"}},
        {7, {[&] {
                 gsim_fail_next(GSIM_M_EFF_START, E_FAIL, 1);
                 return probe({"check", "0", "--play", "10"});
             },
             ""}},
        {11, {[&] {
                  gsim_fail_next(GSIM_M_DEV_ACQUIRE, E_FAIL, 1);
                  return probe({"info", "0"});
              },
              "dib_open failed: DIB_E_FAILED (-1): Acquire failed (HRESULT 0x80004005)"}},
        {12, {[&] { return probe({"info", "{not a guid}"}); }, "dib_open failed: DIB_E_BADARG (-2): malformed guid string"}},
        {13, {[&] {
                  gsim_device_set_held_elsewhere(0, TRUE);
                  return probe({"info", "0"});
              },
              "dib_open failed: DIB_E_EXCLUSIVE (-3): Another application holds this device exclusively"}},
        {14, {[&] {
                  gsim_fail_next(GSIM_M_DEV_CREATEEFFECT, DIERR_DEVICEFULL, 1);
                  return probe({"play", "0", "constant", "--seconds", "0.05", "--no-trace"});
              },
              "dib_effect_create failed: DIB_E_POOLFULL (-4): device effect pool exhausted (HRESULT 0x80040201)"}},
        {15, {[&] { return probe({"play", kPadGuid, "constant", "--seconds", "0.05"}); },
              "dib_effect_create failed: DIB_E_UNSUPPORTED (-5): CreateEffect failed (HRESULT 0x80004001)"}},
        {16, {[&] {
                  gsim_fail_next(GSIM_M_DEV_GETDEVICESTATE, E_FAIL, 1);
                  return probe({"poll", "0", "--seconds", "0"});
              },
              "dib_poll failed: DIB_E_INPUT (-6): GetDeviceState failed (HRESULT 0x80004005)"}},
        // poll runs until Ctrl-C; the handler's own call raises it here.
        {130, {[&] {
                   WhilePolling user({{3, ctrl_c}});
                   return probe({"poll", "0", "--interval", "5"});
               },
               "gantrel-probe: interrupted by Ctrl-C; released device 0\n"}},
    };

    std::vector<probe::ExitStatusRow> readme_rows;
    for (const char *readme : {"README.md", "tools/probe/README.md", "docs/troubleshooting.md"}) {
        const std::string text = source_file(readme);
        size_t at = text.find("| Status | Meaning |\n|---|---|\n");
        ASSERT_NE(at, std::string::npos) << readme;
        at = text.find('\n', text.find('\n', at) + 1) + 1;
        size_t row = 0;
        for (; at < text.size() && text[at] == '|'; at = text.find('\n', at) + 1, row++) {
            std::string line = text.substr(at, text.find('\n', at) - at), plain;
            for (char c : line)
                if (c != '`') plain += c;
            const size_t bar = plain.find(" | ");
            const std::string status = plain.substr(2, bar - 2), meaning = plain.substr(bar + 3, plain.size() - bar - 5);
            ASSERT_LT(row, probe::exit_status_table().size()) << readme << " has more rows than the probe: " << line;
            const probe::ExitStatusRow &mine = probe::exit_status_table()[row];
            const std::string expected = mine.first == mine.last ? std::to_string(mine.first)
                                                                 : std::to_string(mine.first) + " to " + std::to_string(mine.last);
            EXPECT_EQ(status, expected) << readme;
            EXPECT_EQ(meaning, mine.meaning) << readme;
        }
        EXPECT_EQ(row, probe::exit_status_table().size()) << readme << " leaves out rows of the probe's table";
    }
    for (const probe::ExitStatusRow &row : probe::exit_status_table()) {
        for (int status = row.first; status <= row.last; status++) {
            if (status == probe::kExitNeedsSimulator) continue;
            SetUp();
            const auto way = ways.find(status);
            ASSERT_NE(way, ways.end()) << "no way to exit status " << status;
            const ProbeRun r = way->second.first();
            EXPECT_EQ(r.status, status) << r.err;
            EXPECT_TRUE(contains(r.err, way->second.second)) << status << ": " << r.err;
            gsim_device_set_held_elsewhere(0, FALSE);
        }
    }
    EXPECT_EQ(GetFileAttributesA((folder + "\\missing").c_str()), INVALID_FILE_ATTRIBUTES) << "no parent made";
}

TEST_F(ProbeTest, PollPrintsOneLinePerSampleWithTheMapAndFlips) {
    ASSERT_EQ(gsim_device_set_axis(1, DIJOFS_X, 65535), GSIM_OK);
    ASSERT_EQ(gsim_device_set_axis(1, DIJOFS_RZ, 0), GSIM_OK);
    ASSERT_EQ(gsim_device_set_button(1, 3, TRUE), GSIM_OK);
    ASSERT_EQ(gsim_device_set_pov(1, 0, 27000), GSIM_OK);
    const ProbeRun r = probe({"poll", "1", "--seconds", "0.02", "--interval", "10", "--map", "X,Rz", "--flip", "1,0"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "  Rz  Z rotation  brake pedal; stick twist\n")) << "the legend names each axis";
    EXPECT_TRUE(contains(r.out, "map0, map1: the library's mapped axes 0 and 1 (the axes effects act on), here X (reversed), Rz"));
    const std::string line = " s  map0=-X -4096  map1=Rz -4096  Z     0  Rx     0  Ry     0  Rz -4096  "
                             "S0 -4096  S1 -4096  buttons 3  hat W\n";
    size_t lines = 0;
    for (size_t at = r.out.find(line); at != std::string::npos; at = r.out.find(line, at + 1)) lines++;
    EXPECT_EQ(lines, 3u) << "0, 10 and 20 ms\n" << r.out;
    EXPECT_FALSE(contains(r.out, "\r"));

    const ProbeRun live = probe({"poll", "1", "--seconds", "0.01", "--interval", "10"}, true);
    const size_t first = live.out.find('\r');
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(live.out[first - 1], '\n') << "after the legend";
    EXPECT_EQ(live.out.find('\n', first), live.out.size() - 1) << "both samples drawn in place on a console";
    EXPECT_NE(live.out.find('\r', first + 1), std::string::npos) << "a second sample";
}

TEST_F(ProbeTest, PollChangesPrintsOneLinePerChangeUntilCtrlC) {
    // Once the probe has sampled twice, press button 5, push the accelerator
    // (Y) by 1000 and the brake (Rz) by 16, below the threshold; two samples
    // later let go of the button, and two more later press Ctrl-C.
    GSIM_DEVICE_DESC wheel;
    ASSERT_EQ(gsim_device_get(0, &wheel), GSIM_OK);
    DIJOYSTATE2 pressed = wheel.state;  // all at once, so that one sample sees all
    pressed.rgbButtons[5] = 0x80;
    pressed.lY = 8000;
    pressed.lRz = 128;
    // Then the wheel is unplugged and comes back as a new device, as under
    // Wine: a new GUID, the same USB ids and name, listed after the stick;
    // its twin (same ids and name), attached all along, is not it. Then
    // another program takes it for a while.
    GSIM_DEVICE_DESC back, twin = wheel;
    twin.instance_guid.Data1 ^= 0x7700;
    ASSERT_EQ(gsim_device_add(&twin), 3);
    WhilePolling user({{2, [&] { gsim_device_set_state(0, &pressed); }},
                       {2, [] { gsim_device_set_button(0, 5, FALSE); }},
                       {2, [&] {
                            gsim_device_unplug(0);
                            Sleep(1200);  // looked for more than once meanwhile
                            gsim_device_get(0, &back);
                            back.instance_guid.Data1 ^= 0xFF;
                            back.attached = TRUE;
                            gsim_device_remove(0);
                            gsim_device_add(&back);
                        }},
                       {2, [&] {
                            const intptr_t index = gsim_device_find(&back.instance_guid);
                            gsim_set_call_hook(GSIM_M_DEV_GETDEVICESTATE, taken_by_another_program,
                                               reinterpret_cast<void *>(index));
                        }},
                       {3, [&] { gsim_device_set_held_elsewhere(gsim_device_find(&back.instance_guid), FALSE); }},
                       {2, ctrl_c}});
    const ProbeRun r = probe({"poll", "0", "--changes", "--interval", "5"});
    EXPECT_EQ(r.status, 130) << r.err;
    EXPECT_EQ(r.err, "gantrel-probe: interrupted by Ctrl-C; released device 0\n");
    EXPECT_TRUE(contains(r.out, "device 0 is gone (DIB_E_INPUT: device input lost; reacquire "
                                "failed (HRESULT 0x80040209)); waiting for it to come back.\n"
                                "device 0 is back as {5A1E00FE-0000-11EE-8001-444553540000}; polling again.\n"
                                "device 0 was taken by another program (DIB_E_INPUT: device input lost; reacquire "
                                "failed (HRESULT 0x80070005)): close that program, or turn off its force feedback, "
                                "and the probe takes the device back by itself; until then the probe waits (Ctrl-C "
                                "ends).\n"
                                "device 0 is free again: the other program let it go; polling again.\n"))
        << r.out;
    int back_created = 0;
    for (int i = 0; i < gsim_log_count(); i++) {
        GSIM_CALL call;
        gsim_log_get(i, &call);
        back_created += call.method == GSIM_M_DI_CREATEDEVICE && IsEqualGUID(call.device_guid, back.instance_guid);
    }
    EXPECT_EQ(back_created, 2) << "described once in the list and opened once: kept open while taken";
    std::vector<std::string> changes;
    for (size_t at = r.out.find(" s  "); at != std::string::npos; at = r.out.find(" s  ", at + 1))
        changes.push_back(r.out.substr(at + 4, r.out.find('\n', at) - at - 4));
    ASSERT_EQ(changes.size(), 4u) << r.out;
    EXPECT_EQ(changes[0].rfind("start  X     0  Y -4096  Z     0", 0), 0u) << changes[0];
    EXPECT_EQ(changes[1], "Y -4096 -> -3096");
    EXPECT_EQ(changes[2], "button 5 pressed");
    EXPECT_EQ(changes[3], "button 5 released");
}

TEST_F(ProbeTest, PlayWritesTheForceTraceOfTheSimulatedDevice) {
    const std::string folder = fresh_folder("play");
    const ProbeRun r = probe({"play", "0", "constant", "--magnitude", "-1024", "--seconds", "0.1", "--out", folder});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "on device 0 (Gantrel Simulated Racing Wheel), mapped axes X, none, for 0.10 s."));
    EXPECT_TRUE(contains(r.out, "X push 1024 .. 1024")) << r.out;
    const auto rows = read_csv(folder + "\\constant.csv");
    ASSERT_EQ(rows.size(), 102u) << "a header and one row per simulated millisecond";
    EXPECT_EQ(rows[0], (std::vector<std::string>{"time_ms", "active", "X_push", "X_position"}));
    EXPECT_EQ(rows[50], (std::vector<std::string>{"49", "1", "1024.00", "0.00"}));
    const std::string svg = read_file(folder + "\\constant.svg");
    EXPECT_TRUE(contains(svg, "constant on Gantrel Simulated Racing Wheel, mapped axes X, none"));
    EXPECT_TRUE(contains(svg, "Push on each actuator axis; + moves X to the right (a wheel clockwise)<"));
    // A second play of the same effect keeps the first trace.
    ASSERT_EQ(probe({"play", "0", "constant", "--seconds", "0.05", "--out", folder}).status, 0);
    EXPECT_EQ(read_csv(folder + "\\constant.csv").size(), 102u);
    EXPECT_EQ(read_csv(folder + "\\constant-2.csv").size(), 52u);
    EXPECT_TRUE(contains(read_file(folder + "\\constant-2.svg"), "constant on Gantrel Simulated Racing Wheel"));

    const ProbeRun none = probe({"play", "0", "sine", "--seconds", "0.02", "--no-trace", "--out", folder + "\\none"});
    EXPECT_EQ(none.status, 0);
    EXPECT_TRUE(contains(none.out, "No force trace"));
    EXPECT_EQ(GetFileAttributesA((folder + "\\none").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ProbeTest, PlaySweepsTheAxesUnderAConditionAndFollowsTheMap) {
    const std::string folder = fresh_folder("spring");
    const ProbeRun r = probe({"play", "1", "spring", "--map", "Y", "--coefficient", "4096", "--sweep", "2048,100",
                              "--seconds", "0.1", "--out", folder});
    EXPECT_EQ(r.status, 0) << r.err;
    const auto rows = read_csv(folder + "\\spring.csv");
    ASSERT_EQ(rows[0], (std::vector<std::string>{"time_ms", "active", "X_push", "X_position", "Y_push",
                                                 "Y_position"}));
    // A quarter period in, Y is at +2048 and the spring pushes it back.
    EXPECT_EQ(rows[26][4], "-2048.00");
    EXPECT_EQ(rows[26][5], "2048.00");
    EXPECT_EQ(rows[26][2], "0.00") << "X is not mapped";

    // On both axes the two springs push alike: Y's curve is dashed over X's
    // solid one, and the note says which way + goes on each.
    ASSERT_EQ(probe({"play", "1", "spring", "--seconds", "0.05", "--out", folder}).status, 0);
    const std::string svg = read_file(folder + "\\spring.svg");
    EXPECT_TRUE(contains(svg, "<polyline fill=\"none\" stroke=\"#1f77b4\" stroke-width=\"3.0\" points="));
    EXPECT_TRUE(contains(svg, "<polyline fill=\"none\" stroke=\"#d62728\" stroke-width=\"2.0\" stroke-dasharray=\"10 6\" points="));
    EXPECT_TRUE(contains(svg, "+ moves X to the right (a wheel clockwise), Y toward you (a stick pulled back)<"));
}

TEST_F(ProbeTest, MapsThatReachNoActuatorWarnAndWithStrictFail) {
    const ProbeRun warned = probe({"play", "0", "sine", "--map", "Y,none", "--seconds", "0.02", "--no-trace"});
    EXPECT_EQ(warned.status, 0) << warned.err;
    EXPECT_EQ(warned.err, "gantrel-probe: warning: the mapped axes (Y, none) include none of the device's "
                          "force-feedback actuators (X), so the effect would do nothing or be refused; try --map X\n");
    EXPECT_EQ(gsim_log_count_method(GSIM_M_DEV_CREATEEFFECT), 1);

    gsim_log_clear();
    const ProbeRun strict = probe({"play", "0", "sine", "--map", "Y,none", "--strict", "--no-trace"});
    EXPECT_EQ(strict.status, 2);
    EXPECT_TRUE(contains(strict.err, "include none of the device's force-feedback actuators (X)")) << strict.err;
    EXPECT_TRUE(contains(strict.err, "(--strict)"));
    EXPECT_EQ(gsim_log_count_method(GSIM_M_DEV_CREATEEFFECT), 0) << "nothing played";

    EXPECT_EQ(probe({"play", "1", "sine", "--map", "Y,Z", "--strict", "--seconds", "0.02", "--no-trace"}).status, 0)
        << "one actuator is enough";
    EXPECT_EQ(probe({"test", "0", "--map", "Rz", "--strict"}).status, 6) << "the console comes first";
}

// check, on the built-in devices and on devices described for it: each
// type the device offers is tried and reported, the others are "not
// offered"; a device that gets no force says why, from what the library and
// DirectInput report (the gamepad: nothing of force feedback; a wheel whose
// axis is no actuator; one offering only a type the library does not play; a
// board with force-feedback reports DirectInput does not take, unlisted and
// so device 0 when nothing else is attached).
TEST_F(ProbeTest, CheckReportsWhatEachDeviceOffersAndWhyOneGetsNoForce) {
    const char *const kThreeTypes =
        R"({"devices": [{"product_name": "Three Effects Stick", "force_feedback": true,
                         "effects": ["constant", "sine", "spring"]}]})";
    const char *const kNoActuator =
        R"({"devices": [{"product_name": "Wheel Without Motor Axis", "force_feedback": true,
                         "objects": [{"axis": "x"}], "effects": ["constant", "ramp", "spring"]}]})";
    const char *const kRampOnly =
        R"({"devices": [{"product_name": "Ramp Only Wheel", "force_feedback": true, "effects": ["ramp"]}]})";
    const char *const kPidIncomplete =
        R"({"devices": [{"product_name": "Board Without Device Control", "objects": [{"axis": "x"},
                         {"guid": "{00000000-0000-0000-0000-000000000000}", "offset": 0, "type": "0xC0",
                          "usage_page": "0x0F", "usage": "0x21", "name": "Set Effect Report"}]}]})";
    const struct {
        const char *devices;  // nullptr: the built-in set
        std::string device;
        bool listed;
        size_t offered, working;
        const char *reason;  // nullptr: none
        int status;
        std::string mapped;
    } rows[] = {
        {nullptr, "0", true, 10, 10, nullptr, 0, "[\"X\",\"none\"]"},
        {nullptr, "1", true, 10, 10, nullptr, 0, "[\"X\",\"Y\"]"},
        {nullptr, kPadGuid, false, 0, 0, "no-force-feedback", 7, "[\"X\",\"Y\"]"},
        {nullptr, "2", false, 0, 0, "no-force-feedback", 7, "[\"X\",\"Y\"]"},
        {kThreeTypes, "0", true, 3, 3, nullptr, 0, "[\"X\",\"Y\"]"},
        {kNoActuator, "0", true, 2, 0, "no-actuator-axis", 7, "[\"X\",\"Y\"]"},
        {kRampOnly, "0", true, 0, 0, "no-effect-types", 7, "[\"X\",\"Y\"]"},
        {kPidIncomplete, "0", false, 0, 0, "pid-reports-incomplete", 7, "[\"X\",\"Y\"]"},
    };
    for (const auto &d : rows) {
        SetUp();
        if (d.devices) ASSERT_EQ(gsim_load_json(d.devices), 1) << gsim_load_error();
        gsim_log_clear();
        const ProbeRun r = probe({"check", d.device, "--json", "--play", "10"});
        ASSERT_EQ(r.status, d.status) << d.device << ": " << r.err << r.out;
        const nlohmann::json report = nlohmann::json::parse(r.out);
        EXPECT_EQ(report["library"]["version"], "0.9.6");
        EXPECT_EQ(report["device"]["listed"], d.listed) << d.device;
        EXPECT_EQ(report["device"]["force_feedback"], d.listed) << d.device;
        EXPECT_FALSE(report["device"]["name"].get<std::string>().empty()) << "from DirectInput when not listed";
        EXPECT_EQ(report["mapped_axes"].dump(), d.mapped) << d.device;
        EXPECT_EQ(report["autocenter"]["state"], d.listed ? 15 : 0) << d.device;
        EXPECT_EQ(report["release"]["name"], "DIB_OK");
        EXPECT_TRUE(report["complete"].get<bool>());
        if (d.reason) {
            EXPECT_EQ(report["reason"]["id"], d.reason) << d.device;
            EXPECT_TRUE(contains(report["reason"]["text"], " See docs/devices.md for devices like it."));
        } else {
            EXPECT_TRUE(report["reason"].is_null()) << report["reason"];
        }
        ASSERT_EQ(report["effects"].size(), 10u);
        size_t offered = 0, working = 0;
        for (const nlohmann::json &t : report["effects"]) {
            if (!t["listed"].get<bool>()) {
                EXPECT_EQ(t["verdict"], "not offered") << t;
                EXPECT_TRUE(t["create"].is_null()) << "not tried: " << t;
                continue;
            }
            offered++;
            if (t["works"].get<bool>()) {
                working++;
                EXPECT_EQ(t["verdict"], "works") << t;
                for (const char *call : {"create", "update", "start", "stop", "destroy"})
                    EXPECT_EQ(t[call]["name"], "DIB_OK") << t;
            } else {
                EXPECT_EQ(t["verdict"], "refused") << t;
                EXPECT_EQ(t["create"]["message"],
                          "dib_effect_create failed: DIB_E_FAILED (-1): CreateEffect failed (HRESULT 0x80070057)")
                    << "no actuator to act on: " << t;
            }
        }
        EXPECT_EQ(offered, d.offered) << d.device;
        EXPECT_EQ(working, d.working) << d.device;
        EXPECT_EQ(gsim_log_count_method(GSIM_M_DEV_CREATEEFFECT), static_cast<int>(d.offered)) << d.device;
        EXPECT_EQ(gsim_log_count_method(GSIM_M_EFF_START), static_cast<int>(d.working));
    }

    // The report says so in words too, with the device's GUID.
    SetUp();
    const ProbeRun pad = probe({"check", "2", "--play", "10"});
    EXPECT_EQ(pad.status, 7);
    for (const char *line : {"gantrel-probe check: device 2, Gantrel Simulated Gamepad\n",
                             "  GUID {5A1E0003-0000-11EE-8001-444553540000}  VID:PID 0x1209:0x4703",
                             "  Not among the force-feedback controllers the library lists.\n",
                             "constant      no      -           -           -           -           -           not offered\n",
                             "It offers none of the effect types the library plays.\n",
                             "Why: DirectInput reports no force feedback for this device and shows none of its controls on "
                             "the force-feedback (PID) usage page: as far as DirectInput tells, it has none. "
                             "See docs/devices.md for devices like it.\n"})
        EXPECT_TRUE(contains(pad.out, line)) << line << "\n" << pad.out;
}

TEST_F(ProbeTest, CheckShowsInjectedFaultsWithTheirMessages) {
    // The wheel stops listing inertia, which is then not tried, and the
    // third Start (sine) fails.
    GSIM_DEVICE_DESC d;
    ASSERT_EQ(gsim_device_get(0, &d), GSIM_OK);
    d.num_effects = static_cast<DWORD>(std::remove(d.effects, d.effects + d.num_effects, GUID_Inertia) - d.effects);
    ASSERT_EQ(gsim_device_set(0, &d), GSIM_OK);
    ASSERT_GT(gsim_fail_nth(GSIM_M_EFF_START, 3, DIERR_INPUTLOST), 0);
    const ProbeRun r = probe({"check", "0", "--play", "10"});
    ASSERT_EQ(r.status, 7) << r.err;
    for (const char *line :
         {"Effect        Listed  Create      Update      Start       Stop        Destroy     Verdict\n",
          "constant      yes     OK          OK          OK          OK          OK          works\n",
          "sine          yes     OK          OK          EXCLUSIVE   -           OK          start failed (1)\n",
          "inertia       no      -           -           -           -           -           not offered\n",
          "  (1) sine: dib_effect_start failed: DIB_E_EXCLUSIVE (-3): another application has exclusive use of the "
          "device (HRESULT 0x8007001E)\n",
          "8 of 9 effect types it offers work; failing: sine; not offered: inertia.\n",
          "Released the device: its auto-centre setting is restored.\n"})
        EXPECT_TRUE(contains(r.out, line)) << line << "\n" << r.out;
    EXPECT_FALSE(contains(r.out, "(2)")) << "nothing else failed";
    EXPECT_FALSE(contains(r.out, "Why:")) << "it has force feedback";
}

TEST_F(ProbeTest, CommandLineMistakesExitWithStatusTwo) {
    for (const std::vector<std::string> &args :
         std::vector<std::vector<std::string>>{{"frobnicate"},
                                               {"info"},
                                               {"info", "0", "1"},
                                               {"play", "0"},
                                               {"play", "0", "rumble"},
                                               {"play", "0", "spring", "--period", "5"},
                                               {"play", "1", "sine", "--map", "y,Y"},
                                               {"poll", "0", "--seconds", "soon"},
                                               {"poll", "0", "--map", "none,none"},
                                               {"poll", "0", "--threshold", "5"},
                                               {"test", "0", "1"},
                                               {"check", "0", "--play", "0"},
                                               {"list", "--all", "--json"},
                                               {"help", "frobnicate"}}) {
        const ProbeRun r = probe(args);
        EXPECT_EQ(r.status, 2) << args[0] << " " << r.err;
        EXPECT_EQ(r.err.rfind("gantrel-probe: ", 0), 0u) << r.err;
    }
    const ProbeRun bare = probe({});
    EXPECT_EQ(bare.status, 2);
    EXPECT_TRUE(contains(bare.err, "Usage: gantrel-probe COMMAND"));
}

TEST_F(ProbeTest, EveryCommandHasHelp) {
    for (const char *command : {"list", "info", "poll", "play", "test", "check", "demo"}) {
        const ProbeRun r = probe({command, "--help"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, probe::help_text(command));
        EXPECT_EQ(r.out.rfind(std::string("Usage: gantrel-probe ") + command, 0), 0u) << r.out;
        EXPECT_EQ(probe({"help", command}).out, r.out);
    }
    const ProbeRun overview = probe({"--help"});
    EXPECT_EQ(overview.status, 0);
    for (const char *part : {"list", "info DEVICE", "poll DEVICE", "play DEVICE EFFECT", "test DEVICE",
                             "check DEVICE", "demo", "Exit status", "  6        test needs an interactive console",
                             "  11..16   a library call failed", "  130      interrupted by Ctrl-C"})
        EXPECT_TRUE(contains(overview.out, part)) << part << "\n" << overview.out;
    EXPECT_TRUE(contains(probe({"--version"}).out, "\"version\":\"0.9.6\""));
}

}  // namespace
}  // namespace probetest
