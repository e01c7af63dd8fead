// The probe's command-line reading: options, axes, effects and their
// parameters, device choice, and the device list's JSON.
#include <gtest/gtest.h>

#include "axis_names.h"
#include "cli_args.h"
#include "device_list.h"
#include "effect_options.h"
#include "probe_errors.h"

namespace probe {
namespace {

// The ProbeError a call throws (status -1 if it throws none).
template <typename F>
ProbeError failure_of(F call) {
    try {
        call();
    } catch (const ProbeError &e) {
        return e;
    }
    return ProbeError(-1, "no failure");
}

ParsedArgs play_args(const std::vector<std::string> &words) {
    OptionTable options = effect_option_table();
    options["seconds"] = true;
    return parse_args("play", words, options);
}

TEST(ProbeArgs, SplitsWordsIntoPositionalsAndOptions) {
    const ParsedArgs a =
        parse_args("play", {"0", "sine", "--period", "250", "--offset=-100", "-5", "--json"},
                   {{"period", true}, {"offset", true}, {"json", false}});
    EXPECT_EQ(a.positional, (std::vector<std::string>{"0", "sine", "-5"}));
    EXPECT_EQ(a.value("period"), "250");
    EXPECT_EQ(a.value("offset"), "-100");
    EXPECT_TRUE(a.has("json"));
    EXPECT_FALSE(a.help);
    EXPECT_TRUE(parse_args("list", {"-h"}, {}).help);
}

TEST(ProbeArgs, RefusesOptionsItDoesNotKnowOrCannotUse) {
    const OptionTable options = {{"period", true}, {"json", false}};
    const ProbeError unknown = failure_of([&] { parse_args("play", {"--perod", "3"}, options); });
    EXPECT_EQ(unknown.status, kExitUsage);
    EXPECT_NE(std::string(unknown.what()).find("play: unknown option --perod"), std::string::npos);
    EXPECT_NE(std::string(unknown.what()).find("--help"), std::string::npos);
    EXPECT_EQ(failure_of([&] { parse_args("play", {"--period"}, options); }).status, kExitUsage);
    EXPECT_EQ(failure_of([&] { parse_args("play", {"--period", "1", "--period", "2"}, options); }).status, kExitUsage);
    EXPECT_EQ(failure_of([&] { parse_args("play", {"--json=1"}, options); }).status, kExitUsage);
    EXPECT_EQ(failure_of([&] { parse_args("play", {"-x"}, options); }).status, kExitUsage);
}

TEST(ProbeArgs, TypedValuesNameWhatIsWrong) {
    EXPECT_EQ(parse_long("-4096", "--magnitude", -4096, 4096), -4096);
    const ProbeError e = failure_of([] { parse_long("5000", "--magnitude", -4096, 4096); });
    EXPECT_NE(std::string(e.what()).find("--magnitude: expected a whole number from -4096 to 4096, got \"5000\""),
              std::string::npos);
    EXPECT_EQ(failure_of([] { parse_long("12abc", "--x", 0, 100); }).status, kExitUsage);
    EXPECT_DOUBLE_EQ(parse_number("0.25", "--seconds", 0, 10), 0.25);
    EXPECT_EQ(failure_of([] { parse_number("", "--seconds", 0, 10); }).status, kExitUsage);
    std::vector<long> two = {7, 7};
    parse_long_list("1", "--flip", 0, 1, 1, two);
    EXPECT_EQ(two, (std::vector<long>{1, 7})) << "the second keeps its value";
    EXPECT_EQ(failure_of([&] { parse_long_list("1,0,1", "--flip", 0, 1, 1, two); }).status, kExitUsage);
}

TEST(ProbeAxes, NamesAndCodes) {
    EXPECT_EQ(parse_axis("x", "--map"), DIB_AXIS_X);
    EXPECT_EQ(parse_axis("Rz", "--map"), DIB_AXIS_RZ);
    EXPECT_EQ(parse_axis("slider 1", "--map"), DIB_AXIS_SLIDER1);
    EXPECT_EQ(parse_axis("slider0", "--map"), DIB_AXIS_SLIDER0);
    EXPECT_EQ(parse_axis("none", "--map"), DIB_AXIS_NONE);
    EXPECT_EQ(parse_axis("3", "--map"), DIB_AXIS_RX);
    EXPECT_EQ(failure_of([] { parse_axis("W", "--map"); }).status, kExitUsage);
    EXPECT_EQ(axis_mask_names(0x41), "X, slider 0");
    EXPECT_EQ(axis_mask_names(0), "none");
    int32_t a0, a1;
    first_two_axes(0x24, a0, a1);
    EXPECT_EQ(a0, DIB_AXIS_Z);
    EXPECT_EQ(a1, DIB_AXIS_RZ);
    first_two_axes(0x1, a0, a1);
    EXPECT_EQ(a1, DIB_AXIS_NONE);
}

TEST(ProbeAxes, AutoCentreBitsInWords) {
    EXPECT_EQ(autocenter_text(15), "was on before opening, switched off, confirmed off after acquiring");
    EXPECT_EQ(autocenter_text(DIB_AUTOCENTER_READ | DIB_AUTOCENTER_SWITCHED_OFF),
              "was already off before opening, switched off, not confirmed off after acquiring");
    EXPECT_EQ(autocenter_text(0),
              "could not be read before opening, could not be switched off, not confirmed off after acquiring");
}

TEST(ProbeEffects, NamesMapToTheLibrarysTypeCodes) {
    EXPECT_EQ(effect_names().size(), 10u);
    for (const std::string &name : effect_names()) EXPECT_EQ(effect_name(effect_type(name)), name);
    EXPECT_EQ(effect_type("sawtoothdown"), DIB_EFFECT_SAWTOOTHDOWN);
    EXPECT_EQ(effect_type("friction"), DIB_EFFECT_FRICTION);
    const ProbeError e = failure_of([] { effect_type("ramp"); });
    EXPECT_NE(std::string(e.what()).find("constant square sine"), std::string::npos);
}

TEST(ProbeEffects, OptionsFillTheFieldsOfTheirType) {
    const EffectParams c = effect_params(DIB_EFFECT_CONSTANT, play_args({"--magnitude", "-1000", "--gain", "2048",
                                                                         "--duration", "500", "--envelope",
                                                                         "100,50,200,75"}));
    EXPECT_EQ(c.constant_magnitude, -1000);
    EXPECT_EQ(c.gain, 2048);
    EXPECT_EQ(c.duration_ms, 500);
    EXPECT_EQ(c.use_envelope, 1);
    EXPECT_EQ(c.attack_level, 100);
    EXPECT_EQ(c.attack_ms, 50);
    EXPECT_EQ(c.fade_level, 200);
    EXPECT_EQ(c.fade_ms, 75);
    EXPECT_EQ(c.periodic_magnitude, 0);

    const EffectParams w = effect_params(DIB_EFFECT_TRIANGLE, play_args({"--magnitude", "3000", "--period", "40",
                                                                         "--phase", "-90", "--offset", "12",
                                                                         "--direction", "180"}));
    EXPECT_EQ(w.periodic_magnitude, 3000);
    EXPECT_EQ(w.period_ms, 40);
    EXPECT_EQ(w.phase_deg, -90);
    EXPECT_EQ(w.periodic_offset, 12);
    EXPECT_EQ(w.direction_deg, 180);
    EXPECT_EQ(w.constant_magnitude, 0);
    EXPECT_EQ(w.use_envelope, 0);
    EXPECT_EQ(w.gain, 4096);
}

TEST(ProbeEffects, ConditionsTakeSharedAndPerAxisValues) {
    const EffectParams s = effect_params(
        DIB_EFFECT_SPRING, play_args({"--coefficient", "1000,-500", "--saturation", "3000", "--deadband", "64",
                                      "--center", "-10", "--cond1", "offset=5,pos-coef=7,neg-sat=9"}));
    EXPECT_EQ(s.cond[0].enabled, 1);
    EXPECT_EQ(s.cond[0].positive_coefficient, 1000);
    EXPECT_EQ(s.cond[0].negative_coefficient, -500);
    EXPECT_EQ(s.cond[0].positive_saturation, 3000);
    EXPECT_EQ(s.cond[0].negative_saturation, 3000);
    EXPECT_EQ(s.cond[0].deadband, 64);
    EXPECT_EQ(s.cond[0].offset, -10);
    EXPECT_EQ(s.cond[1].offset, 5);
    EXPECT_EQ(s.cond[1].positive_coefficient, 7);
    EXPECT_EQ(s.cond[1].negative_coefficient, -500);
    EXPECT_EQ(s.cond[1].negative_saturation, 9);

    const EffectParams d = effect_params(DIB_EFFECT_DAMPER, play_args({"--cond0", "off"}));
    EXPECT_EQ(d.cond[0].enabled, 0);
    EXPECT_EQ(d.cond[1].enabled, 1);
    EXPECT_EQ(d.cond[1].positive_coefficient, 2048);
    EXPECT_EQ(d.cond[1].positive_saturation, 4096);
    EXPECT_EQ(failure_of([] { effect_params(DIB_EFFECT_DAMPER, play_args({"--cond0", "off", "--cond1", "off"})); })
                  .status,
              kExitUsage);
    EXPECT_EQ(failure_of([] { effect_params(DIB_EFFECT_DAMPER, play_args({"--cond0", "stiff=3"})); }).status,
              kExitUsage);
}

TEST(ProbeEffects, OptionsOfAnotherTypeOrOutOfRangeAreRefused) {
    const ProbeError e = failure_of([] { effect_params(DIB_EFFECT_SPRING, play_args({"--period", "10"})); });
    EXPECT_EQ(e.status, kExitUsage);
    EXPECT_NE(std::string(e.what()).find("--period does not apply to spring"), std::string::npos);
    EXPECT_EQ(failure_of([] { effect_params(DIB_EFFECT_CONSTANT, play_args({"--coefficient", "1"})); }).status,
              kExitUsage);
    EXPECT_EQ(failure_of([] { effect_params(DIB_EFFECT_SINE, play_args({"--magnitude", "-1"})); }).status,
              kExitUsage);
    EXPECT_EQ(failure_of([] { effect_params(DIB_EFFECT_CONSTANT, play_args({"--envelope", "5000,1,0,1"})); }).status,
              kExitUsage);
    EXPECT_EQ(failure_of([] { effect_params(DIB_EFFECT_CONSTANT, play_args({"--envelope", "1,2"})); }).status,
              kExitUsage);
}

TEST(ProbeDevices, ReadsTheListWithEscapesAndAnsiNames) {
    const std::string json =
        "[{\"guid\":\"{00000001-0002-0003-0405-060708090A0B}\",\"name\":\"Wheel \\\"Pro\\\" \xE9t\xE9\",\"vid\":4660,"
        "\"pid\":22136,\"ff_axes\":2,\"buttons\":20,\"povs\":1,\"sample_period_us\":500,"
        "\"effects\":[\"constant\",\"spring\"]},"
        "{\"guid\":\"{0000000A-0002-0003-0405-060708090A0B}\",\"name\":\"Pad\",\"vid\":1,\"pid\":2,\"ff_axes\":1,"
        "\"buttons\":0,\"povs\":0,\"sample_period_us\":0,\"effects\":[]}]";
    const std::vector<DeviceEntry> list = parse_device_list(json);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].name, "Wheel \"Pro\" \xE9t\xE9") << "ANSI bytes come back as they were";
    EXPECT_EQ(list[0].vid, 0x1234u);
    EXPECT_EQ(list[0].effects, (std::vector<std::string>{"constant", "spring"}));
    EXPECT_EQ(list[1].sample_period_us, 0u);

    const std::string table = device_table(list, {"X, Y", "Rz"});
    const std::string expected =
        "#  GUID                                    Name             VID:PID        FF axes  Buttons  POVs  Period  Effects\n"
        "0  {00000001-0002-0003-0405-060708090A0B}  Wheel \"Pro\" \xE9t\xE9  0x1234:0x5678  X, Y     20       1     500 us  "
        "constant spring\n"
        "1  {0000000A-0002-0003-0405-060708090A0B}  Pad              0x0001:0x0002  Rz       0        0     0 us\n";
    EXPECT_EQ(table, expected);

    EXPECT_EQ(failure_of([] { parse_device_list("[{\"guid\":1}]"); }).status, kExitLibraryBase);
    EXPECT_TRUE(parse_device_list("[]").empty());
}

TEST(ProbeDevices, ChoosesByIndexOrGuid) {
    const std::vector<DeviceEntry> list = parse_device_list(
        "[{\"guid\":\"{00000001-0002-0003-0405-060708090A0B}\",\"name\":\"A\",\"vid\":1,\"pid\":2,\"ff_axes\":1,"
        "\"buttons\":0,\"povs\":0,\"sample_period_us\":0,\"effects\":[]}]");
    const DeviceChoice by_index = choose_device("0", list);
    EXPECT_EQ(by_index.index, 0);
    EXPECT_EQ(by_index.guid, list[0].guid);
    EXPECT_EQ(by_index.label(), "device 0");
    const DeviceChoice by_guid = choose_device("{00000001-0002-0003-0405-060708090a0b}", list);
    EXPECT_EQ(by_guid.entry, &list[0]);
    EXPECT_EQ(by_guid.guid, list[0].guid) << "spelt as listed";
    const DeviceChoice unlisted = choose_device("{99999999-0002-0003-0405-060708090A0B}", list);
    EXPECT_EQ(unlisted.entry, nullptr);
    EXPECT_EQ(unlisted.guid, "{99999999-0002-0003-0405-060708090A0B}");

    const ProbeError missing = failure_of([&] { choose_device("1", list); });
    EXPECT_EQ(missing.status, kExitNoDevice);
    EXPECT_EQ(std::string(missing.what()), "there is no device 1: 1 force-feedback controller(s) attached, numbered 0 to 0");
    EXPECT_EQ(failure_of([&] { choose_device("wheel", list); }).status, kExitUsage);
    EXPECT_EQ(failure_of([] { choose_device("0", {}); }).status, kExitNoDevice);

    // Game controllers the list leaves out are numbered after it.
    std::vector<GameController> others(1);
    others[0].entry.guid = "{00000002-0002-0003-0405-060708090A0B}";
    const DeviceChoice after = choose_device("1", list, others);
    EXPECT_EQ(after.entry, nullptr);
    EXPECT_EQ(after.unlisted, &others[0]);
    EXPECT_EQ(after.about(), &others[0].entry);
    EXPECT_EQ(after.index, 1);
    EXPECT_EQ(after.guid, others[0].entry.guid);
    EXPECT_EQ(choose_device("{00000002-0002-0003-0405-060708090a0b}", list, others).unlisted, &others[0]);
    EXPECT_EQ(choose_device("0", list, others).entry, &list[0]);
    EXPECT_EQ(std::string(failure_of([&] { choose_device("2", list, others); }).what()),
              "there is no device 2: 1 force-feedback controller(s) attached, numbered 0 to 0, and 1 game "
              "controller(s) without force feedback, numbered 1 (gantrel-probe list --all)");

    // Back after an unplug: by GUID first, else by USB ids and name (a new
    // GUID under Wine), but not a twin that was listed when it went.
    DeviceEntry twin = list[0], other = list[0];
    twin.guid = "{00000009-0002-0003-0405-060708090A0B}";
    other.guid = "{00000008-0002-0003-0405-060708090A0B}";
    other.name = "B";
    EXPECT_EQ(find_again({other, twin, list[0]}, list[0].guid, list[0], {twin.guid}), 2);
    EXPECT_EQ(find_again({other, twin, list[0]}, list[0].guid, list[0], {list[0].guid}), 2) << "still listed as it went";
    EXPECT_EQ(find_again({other, twin}, list[0].guid, list[0], {other.guid}), 1);
    EXPECT_EQ(find_again({other, twin}, list[0].guid, list[0], {other.guid, twin.guid}), -1) << "the twin stayed";
    EXPECT_EQ(find_again({other}, list[0].guid, list[0], {}), -1);
}

TEST(ProbeErrors, ResultCodesHaveNamesAndExitStatuses) {
    EXPECT_STREQ(result_name(DIB_E_FAILED), "DIB_E_FAILED");
    EXPECT_STREQ(result_name(DIB_E_INPUT), "DIB_E_INPUT");
    EXPECT_STREQ(result_name(-9), "unknown result");
    EXPECT_EQ(library_exit_status(DIB_E_FAILED), 11);
    EXPECT_EQ(library_exit_status(DIB_E_EXCLUSIVE), 13);
    EXPECT_EQ(library_exit_status(DIB_E_INPUT), 16);
}

}  // namespace
}  // namespace probe
