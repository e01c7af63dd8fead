// gantrel-probe's commands, run in this process on the simulated devices:
// what they print, the files they write, and how they fail.
#include "probe_fixture.h"

#include "help_text.h"

#include <cstdlib>

namespace probetest {
namespace {

const char *const kWheelGuid = "{5A1E0001-0000-11EE-8001-444553540000}";

bool contains(const std::string &text, const std::string &part) { return text.find(part) != std::string::npos; }

TEST_F(ProbeTest, ListPrintsOneRowPerForceFeedbackController) {
    const ProbeRun r = probe({"list"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "0  {5A1E0001-0000-11EE-8001-444553540000}  Gantrel Simulated Racing Wheel  1209:4701  X  "));
    EXPECT_TRUE(contains(r.out, "1  {5A1E0002-0000-11EE-8001-444553540000}  Gantrel Simulated Force Stick   1209:4702  X, Y"));
    EXPECT_TRUE(contains(r.out, "1000 us  constant square sine triangle sawtoothup sawtoothdown spring damper inertia friction"));
    EXPECT_FALSE(contains(r.out, "Gamepad")) << "no force feedback, not listed";
}

TEST_F(ProbeTest, ListJsonIsTheLibrarysTextExactly) {
    char text[16384];
    const int32_t n = dib_enumerate(text, sizeof text);
    ASSERT_GT(n, 2);
    const ProbeRun r = probe({"list", "--json"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string(text, static_cast<size_t>(n)) + "\n");
}

TEST_F(ProbeTest, ListSaysSoWhenNothingIsAttached) {
    ASSERT_EQ(gsim_reset(GSIM_RESET_EMPTY), 0);
    const ProbeRun r = probe({"list"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "No force-feedback controller is attached.\n");
    const ProbeRun info = probe({"info", "0"});
    EXPECT_EQ(info.status, 3);
    EXPECT_EQ(info.err, "gantrel-probe: there is no device 0: no force-feedback controller is attached\n");
}

TEST_F(ProbeTest, InfoNamesTheActuatorAxesAndTheAutoCentreOutcome) {
    const ProbeRun r = probe({"info", "1"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(contains(r.out, "Device 1: Gantrel Simulated Force Stick"));
    EXPECT_TRUE(contains(r.out, "FF axes           X, Y (mask 0x03)"));
    EXPECT_TRUE(contains(r.out, "was on before opening, switched off, confirmed off after acquiring (state 15)"));
    GSIM_DEVICE_STATUS s = {};
    s.size = sizeof s;
    ASSERT_EQ(gsim_device_status(1, &s), GSIM_OK);
    EXPECT_EQ(s.autocenter, static_cast<DWORD>(DIPROPAUTOCENTER_ON)) << "released: the spring is back";

    GSIM_DEVICE_DESC d;
    ASSERT_EQ(gsim_device_get(0, &d), GSIM_OK);
    d.autocenter_readable = FALSE;
    ASSERT_EQ(gsim_device_set(0, &d), GSIM_OK);
    const ProbeRun unread = probe({"info", kWheelGuid});
    EXPECT_TRUE(contains(unread.out, "FF axes           X (mask 0x01)"));
    EXPECT_TRUE(contains(unread.out, "could not be read before opening, switched off")) << unread.out;
}

TEST_F(ProbeTest, LibraryFailuresPrintTheCodeNameAndMessageAndSetTheExitStatus) {
    ASSERT_GT(gsim_fail_next(GSIM_M_DEV_ACQUIRE, DIERR_OTHERAPPHASPRIO, 1), 0);
    const ProbeRun held = probe({"info", "0"});
    EXPECT_EQ(held.status, 13);
    EXPECT_TRUE(contains(held.err, "gantrel-probe: dib_open failed: DIB_E_EXCLUSIVE (-3): ")) << held.err;
    EXPECT_GT(held.err.size(), std::string("gantrel-probe: dib_open failed: DIB_E_EXCLUSIVE (-3): \n").size());

    ASSERT_GT(gsim_fail_next(GSIM_M_DEV_CREATEEFFECT, DIERR_DEVICEFULL, 1), 0);
    const ProbeRun full = probe({"play", "0", "constant", "--seconds", "0.05", "--no-trace"});
    EXPECT_EQ(full.status, 14);
    EXPECT_TRUE(contains(full.err, "dib_effect_create failed: DIB_E_POOLFULL (-4): device effect pool exhausted"))
        << full.err;

    ASSERT_GT(gsim_fail_next(GSIM_M_DEV_GETDEVICESTATE, E_FAIL, 1), 0);
    const ProbeRun input = probe({"poll", "0", "--seconds", "0"});
    EXPECT_EQ(input.status, 16);
    EXPECT_TRUE(contains(input.err, "dib_poll failed: DIB_E_INPUT (-6): GetDeviceState failed (HRESULT 0x80004005)"))
        << input.err;

    const ProbeRun unknown = probe({"info", "{00000000-0000-0000-0000-000000000000}"});
    EXPECT_EQ(unknown.status, 11);
    EXPECT_TRUE(contains(unknown.err, "dib_open failed: DIB_E_FAILED (-1): ")) << unknown.err;
}

TEST_F(ProbeTest, PollPrintsOneLinePerSampleWithTheMapAndFlips) {
    ASSERT_EQ(gsim_device_set_axis(1, DIJOFS_X, 65535), GSIM_OK);
    ASSERT_EQ(gsim_device_set_axis(1, DIJOFS_RZ, 0), GSIM_OK);
    ASSERT_EQ(gsim_device_set_button(1, 3, TRUE), GSIM_OK);
    ASSERT_EQ(gsim_device_set_pov(1, 0, 27000), GSIM_OK);
    const ProbeRun r = probe({"poll", "1", "--seconds", "0.02", "--interval", "10", "--map", "X,Rz", "--flip", "1,0"});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string line = "  0.01 s  axis0 X  -4096  axis1 Rz -4096  Z     0  Rx     0  Ry     0  Rz -4096  "
                             "S0 -4096  S1 -4096  buttons 3  hats W\n";
    EXPECT_TRUE(contains(r.out, line)) << r.out;
    EXPECT_TRUE(contains(r.out, "  0.00 s  ") && contains(r.out, "  0.02 s  "));
    EXPECT_FALSE(contains(r.out, "\r"));

    const ProbeRun live = probe({"poll", "1", "--seconds", "0.01", "--interval", "10"}, true);
    EXPECT_EQ(live.out.find("\r"), live.out.find("\n") + 1) << "redrawn in place on a console";
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
    EXPECT_TRUE(contains(svg, "X push"));

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
}

TEST_F(ProbeTest, CommandLineMistakesExitWithStatusTwo) {
    for (const std::vector<std::string> &args :
         std::vector<std::vector<std::string>>{{"frobnicate"},
                                               {"info"},
                                               {"info", "0", "1"},
                                               {"play", "0"},
                                               {"play", "0", "rumble"},
                                               {"play", "0", "spring", "--period", "5"},
                                               {"poll", "0", "--seconds", "soon"},
                                               {"poll", "0", "--map", "none,none"},
                                               {"list", "--all"},
                                               {"help", "frobnicate"}}) {
        const ProbeRun r = probe(args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_EQ(r.err.rfind("gantrel-probe: ", 0), 0u) << r.err;
    }
    const ProbeRun bare = probe({});
    EXPECT_EQ(bare.status, 2);
    EXPECT_TRUE(contains(bare.err, "Usage: gantrel-probe COMMAND"));
}

TEST_F(ProbeTest, EveryCommandHasHelp) {
    for (const char *command : {"list", "info", "poll", "play", "demo"}) {
        const ProbeRun r = probe({command, "--help"});
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, probe::help_text(command));
        EXPECT_EQ(r.out.rfind(std::string("Usage: gantrel-probe ") + command, 0), 0u) << r.out;
        EXPECT_EQ(probe({"help", command}).out, r.out);
    }
    const ProbeRun overview = probe({"--help"});
    EXPECT_EQ(overview.status, 0);
    for (const char *part : {"list", "info DEVICE", "poll DEVICE", "play DEVICE EFFECT", "demo", "Exit status",
                             "13 DIB_E_EXCLUSIVE"})
        EXPECT_TRUE(contains(overview.out, part)) << part;
    EXPECT_TRUE(contains(probe({"--version"}).out, "\"version\":\"0.9.5\""));
}

}  // namespace
}  // namespace probetest
