// gantrel-probe.exe demo, run as a user runs it: its tour and the force
// traces it leaves, read back and checked against what each step plays.
#include "probe_fixture.h"

#include <cmath>
#include <cstdlib>
#include <map>

namespace probetest {
namespace {

const double kPi = 3.14159265358979323846;

// One trace: push and position columns by name, rows by time.
struct Trace {
    std::vector<std::string> header;
    std::map<long, std::vector<double>> rows;
    double at(long t, const std::string &column) const {
        for (size_t c = 0; c < header.size(); c++)
            if (header[c] == column) return rows.at(t).at(c);
        ADD_FAILURE() << "no column " << column;
        return NAN;
    }
};

Trace load(const std::string &path) {
    Trace t;
    const auto csv = read_csv(path);
    if (csv.empty()) {
        ADD_FAILURE() << "empty or missing " << path;
        return t;
    }
    t.header = csv[0];
    for (size_t i = 1; i < csv.size(); i++) {
        std::vector<double> values;
        for (const std::string &cell : csv[i]) values.push_back(std::atof(cell.c_str()));
        t.rows[std::atol(csv[i][0].c_str())] = values;
    }
    return t;
}

class ProbeDemo : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = fresh_folder("demo");
        run_ = run_exe("demo --out \"" + folder_ + "\"");
    }
    static std::string folder_;
    static ProbeRun run_;
    Trace trace(const char *stem) const { return load(folder_ + "\\" + stem + ".csv"); }
};
std::string ProbeDemo::folder_;
ProbeRun ProbeDemo::run_;

TEST_F(ProbeDemo, TellsTheTourAndWhereThePicturesAre) {
    ASSERT_EQ(run_.status, 0) << run_.out;
    for (const char *part : {"== 1. Which force-feedback controllers", "Gantrel Simulated Racing Wheel",
                             "(dib_autocenter_state 15 = 1 + 2 + 4 + 8)", "buttons 2  hat E", "-- spring", "== 5. Changing an effect",
                             "== 7. Releasing the wheel", "auto-centre back on", "The force traces are in"})
        EXPECT_NE(run_.out.find(part), std::string::npos) << part;
    EXPECT_NE(run_.out.find(folder_), std::string::npos);
    for (const char *stem : {"01-constant", "02-square", "03-sine", "04-triangle", "05-sawtoothup",
                             "06-sawtoothdown", "07-spring", "08-damper", "09-inertia", "10-friction", "11-update",
                             "12-direction"}) {
        const std::string svg = read_file(folder_ + "\\" + stem + ".svg");
        EXPECT_NE(svg.find("<polyline"), std::string::npos) << stem;
        EXPECT_NE(svg.find("time (ms, simulated clock)"), std::string::npos) << stem;
        EXPECT_NE(svg.find("</svg>"), std::string::npos) << stem;
    }
}

TEST_F(ProbeDemo, ConstantForceRisesHoldsFadesAndEnds) {
    const Trace t = trace("01-constant");
    EXPECT_DOUBLE_EQ(t.at(0, "X_push"), 0);
    EXPECT_NEAR(t.at(100, "X_push"), -1536, 1);
    EXPECT_NEAR(t.at(400, "X_push"), -3072, 1);
    EXPECT_NEAR(t.at(650, "X_push"), -1536, 1);
    EXPECT_DOUBLE_EQ(t.at(900, "X_push"), 0);
    EXPECT_EQ(t.rows.rbegin()->first, 1000);
}

TEST_F(ProbeDemo, WavesHaveTheirMagnitudeOffsetAndPeriod) {
    const Trace sine = trace("03-sine");
    for (long k = 0; k < 3; k++) {
        EXPECT_NEAR(sine.at(62 + 250 * k, "X_push"), -2048 * std::sin(2 * kPi * 62 / 250.0), 1) << k;
        EXPECT_NEAR(sine.at(125 + 250 * k, "X_push"), 0, 1);
    }
    const Trace triangle = trace("04-triangle");  // offset 1024 moves the centre to a push of -1024
    EXPECT_NEAR(triangle.at(0, "X_push"), -3072, 1);
    EXPECT_NEAR(triangle.at(125, "X_push"), 1024, 1);
    const Trace square = trace("02-square");
    EXPECT_NEAR(square.at(100, "X_push"), -2048, 1);
    EXPECT_NEAR(square.at(200, "X_push"), 2048, 1);
    const Trace fading = trace("06-sawtoothdown");
    EXPECT_DOUBLE_EQ(fading.at(800, "X_push"), 0) << "ended after 750 ms";
}

TEST_F(ProbeDemo, ConditionsOpposeTheSimulatedMotion) {
    const Trace spring = trace("07-spring");
    double strongest = 0;
    for (const auto &row : spring.rows) {
        const double position = spring.at(row.first, "X_position"), push = spring.at(row.first, "X_push");
        if (std::fabs(position) <= 400) EXPECT_DOUBLE_EQ(push, 0) << "dead band at " << row.first;
        if (std::fabs(position) > 420) EXPECT_LT(push * position, 0) << "pushes back at " << row.first;
        strongest = std::max(strongest, std::fabs(push));
    }
    EXPECT_NEAR(strongest, 2400, 1) << "saturation";
    const Trace damper = trace("08-damper");
    EXPECT_LT(damper.at(0, "X_push"), -1000) << "moving right at full speed";
    EXPECT_NEAR(damper.at(250, "X_push"), 0, 1) << "at rest at the end of the swing";
    const Trace friction = trace("10-friction");
    EXPECT_NEAR(friction.at(100, "X_push"), -1024, 1);
    EXPECT_NEAR(friction.at(600, "X_push"), 1024, 1);
}

TEST_F(ProbeDemo, UpdateAndDirectionChangeShowInTheTraces) {
    const Trace update = trace("11-update");
    EXPECT_NEAR(update.at(450, "X_push"), -1024, 1) << "sine 1024 / 200 ms at a quarter period";
    EXPECT_NEAR(update.at(525, "X_push"), -3072, 1) << "sine 3072 / 100 ms after the update";
    const Trace direction = trace("12-direction");
    EXPECT_NEAR(direction.at(200, "X_push"), -2048, 1);
    EXPECT_NEAR(direction.at(200, "Y_push"), 0, 1);
    EXPECT_NEAR(direction.at(600, "X_push"), 0, 1);
    EXPECT_NEAR(direction.at(600, "Y_push"), -2048, 1);
    EXPECT_NEAR(direction.at(1000, "X_push"), 1448, 1);
    EXPECT_NEAR(direction.at(1000, "Y_push"), -1448, 1);
}

}  // namespace
}  // namespace probetest
