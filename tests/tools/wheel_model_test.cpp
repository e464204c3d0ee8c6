// quorsim's simulated wheel: its integration against the closed form of a free spring-mass
// oscillation, its encoder, and closed-loop runs of the shipped examples.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tools/quorsim/output.h"
#include "tools/quorsim/script.h"
#include "tools/quorsim/simulator.h"
#include "tools/quorsim/wheel_model.h"

namespace quorsim {
namespace {

constexpr double kPi = 3.14159265358979323846;

WheelModelConfig Frictionless(double start) {
    WheelModelConfig c;
    c.present = true;
    c.inertia = 0.01;
    c.viscous = 0;
    c.coulomb = 0;
    c.start = start;
    return c;
}

// A hand holding at 512 with stiffness K and no damping is a spring on the rim: let loose
// 20 units off, the wheel swings with the period 2π √(J / K) and keeps its amplitude.
TEST(WheelModel, FreeSpringMassSwingsWithItsClosedFormPeriod) {
    for (double stiffness : {1.0, 4.0, 25.0}) {
        SCOPED_TRACE(stiffness);
        WheelModel wheel(Frictionless(532));
        Hand hand;
        HandAction hold;
        hold.kind = HandAction::Hold;
        hold.position = 512;
        hold.stiffness = stiffness;
        hold.damping = 0;
        hand.Take(hold, 0, wheel.Position());
        std::vector<double> upward;  // times the wheel crosses 512 going up, interpolated
        double previous = wheel.Position() - 512, peak = 0;
        for (std::uint32_t ms = 1; ms <= 20000; ++ms) {
            wheel.Advance(
                0x80, hand.Torque(ms, wheel.Position(), wheel.Velocity(), wheel.RadiansPerUnit()));
            const double off = wheel.Position() - 512;
            if (previous < 0 && off >= 0) upward.push_back(ms - off / (off - previous));
            if (ms > 15000) peak = std::max(peak, off);
            previous = off;
        }
        ASSERT_GE(upward.size(), 3u);
        const double period = (upward.back() - upward.front()) / (upward.size() - 1);
        const double expected = 2 * kPi * std::sqrt(0.01 / stiffness) * 1000;
        EXPECT_NEAR(period, expected, expected * 0.002);
        EXPECT_NEAR(peak, 20.0, 0.2);
    }
}

TEST(WheelModel, EncoderCountsWholeStepsAndTheEndStopsHold) {
    WheelModelConfig c = Frictionless(0);
    c.counts = 256;  // a coarser encoder than the axis: 4 axis units a count
    const struct {
        double start;
        std::int32_t reported;
    } rows[] = {{512.5, 512}, {515.9, 512}, {516.0, 516}, {0.2, 0}, {1023.9, 1020}};
    for (const auto& row : rows) {
        c.start = row.start;
        EXPECT_EQ(WheelModel(c).Reported(), row.reported) << row.start;
    }
    c.start = 1000;
    WheelModel wheel(c);
    for (int ms = 0; ms < 2000; ++ms)
        wheel.Advance(0x00, 0);  // full force toward higher positions, into the stop
    EXPECT_EQ(wheel.Reported(), 1020);
    EXPECT_EQ(wheel.Velocity(), 0);
}

RunLog RunScript(const std::string& text) {
    const std::string folder = std::string(QF_SOURCE_DIR) + "/tools/examples/";
    const ParseResult parsed = ParseScript(text, folder);
    EXPECT_TRUE(parsed.ok()) << (parsed.ok() ? "" : parsed.errors[0]);
    return RunScenario(parsed.script, false);
}

std::string Example(const std::string& name) {
    std::ifstream in(std::string(QF_SOURCE_DIR) + "/tools/examples/" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Csv(const RunLog& log) {
    std::ostringstream out;
    WriteCsv(log, out);
    return out.str();
}

// The spring reads only the position: the smooth estimate leaves its closed loop, and so
// its margin against oscillation, exactly as it was.
TEST(ClosedLoop, TheSpringIsTheSameUnderEitherEstimate) {
    const std::string script = Example("closed-loop-spring-firm.qsim");
    EXPECT_EQ(Csv(RunScript(script)), Csv(RunScript("set Motion_Estimate 1\n" + script)));
}

TEST(ClosedLoop, FirmSpringOscillatesAt16MsAndSettlesAt4Ms) {
    const RunLog at16 = RunScript(Example("closed-loop-spring-firm.qsim"));
    const RunLog at4 = RunScript(Example("closed-loop-spring-firm-4ms.qsim"));
    const std::string s16 = Summary(at16), s4 = Summary(at4);
    EXPECT_NE(s16.find("never settles"), std::string::npos) << s16;
    EXPECT_NE(s4.find("settled"), std::string::npos) << s4;
    EXPECT_EQ(Csv(at16), Csv(RunScript(Example("closed-loop-spring-firm.qsim"))));
}

// The summary's overshoot and settling time (-1 when it never settles within 2 units).
struct Settling {
    double overshoot = 0;
    int settledMs = -1;
};

Settling SettlingOf(const RunLog& log) {
    const std::string s = Summary(log);
    Settling out;
    const std::size_t over = s.find("overshoot ");
    EXPECT_NE(over, std::string::npos) << s;
    if (over != std::string::npos) out.overshoot = std::stod(s.substr(over + 10));
    const std::size_t after = s.find("settled (within 2) after ");
    if (after != std::string::npos) out.settledMs = std::stoi(s.substr(after + 25));
    return out;
}

// With the game's Spring_Stabiliser the firm and the stiff springs settle at 16 ms within
// half a second, overshooting no more than the plain soft spring does.
TEST(ClosedLoop, TheStabiliserSettlesTheFirmAndStiffSprings) {
    const Settling soft = SettlingOf(RunScript(Example("closed-loop-spring-soft.qsim")));
    for (const char* name :
         {"closed-loop-spring-firm-stabilised.qsim", "closed-loop-spring-stiff-stabilised.qsim"}) {
        SCOPED_TRACE(name);
        const Settling s = SettlingOf(RunScript(Example(name)));
        EXPECT_GE(s.settledMs, 0);
        EXPECT_LE(s.settledMs, 500);
        EXPECT_LE(s.overshoot, soft.overshoot);
    }
}

// Let go under friction, the wheel comes to rest and the force with it, on both estimates and
// on a 10-bit and a 16-bit wheel, also under a friction of full coefficient on the light
// wheel: the last second holds only the neutral report.
TEST(ClosedLoop, FrictionIsSilentAtRest) {
    std::string strong = Example("closed-loop-friction.qsim");
    for (std::size_t at = strong.find("coef=3000"); at != std::string::npos;
         at = strong.find("coef=3000"))
        strong.replace(at, 9, "coef=10000");
    const struct {
        const char* what;
        std::string script;
        std::uint32_t restFrom;
    } runs[] = {
        {"closed-loop-friction.qsim", Example("closed-loop-friction.qsim"), 2000},
        {"the same at coefficient 10000", strong, 2000},
        {"closed-loop-friction-slow.qsim", Example("closed-loop-friction-slow.qsim"), 3000},
    };
    for (const auto& run : runs) {
        SCOPED_TRACE(run.what);
        const RunLog log = RunScript(run.script);
        int late = 0;
        for (const ReportRecord& r : log.reports) {
            if (r.ms < run.restFrom || r.feature) continue;
            ++late;
            EXPECT_EQ(r.bytes, (std::vector<std::uint8_t>{0x01, 0x80, 0x80})) << r.ms;
        }
        EXPECT_GT(late, 100);
    }
}

// A turn of a sixteenth of the range a second meets the whole friction of 400 on the 10-bit
// and the 16-bit wheel alike, at every step of the turn: 2 × 400 = 800, the byte
// 128 + (800 × 255 / 20000 >> 1) = 0x85.
TEST(ClosedLoop, SlowTurnMeetsTheWholeFrictionOnEitherAxis) {
    const RunLog log = RunScript(Example("closed-loop-friction-slow.qsim"));
    int steps[2] = {0, 0};
    for (const ReportRecord& r : log.reports) {
        if (r.ms < 1000 || r.ms > 2496 || r.feature) continue;
        ++steps[r.device];
        EXPECT_EQ(r.bytes, (std::vector<std::uint8_t>{0x01, 0x85, 0x80})) << r.ms;
    }
    EXPECT_EQ(steps[0], 94);
    EXPECT_EQ(steps[1], 94);
}

TEST(ClosedLoop, RefusesBadModelAndHandLines) {
    const struct {
        const char* script;
        const char* error;
    } cases[] = {
        {"wheel model=inertia:0\nrun 10", "line 1: 'inertia:0' is not a model field"},
        {"wheel model=range:5..5\nrun 10", "line 1: 'range:5..5' is not a model field"},
        {"wheel model=spin:3\nrun 10", "line 1: 'spin:3' is not a model field"},
        {"at 0 hand hold 5\nrun 10", "line 1: hand needs a wheel with a model"},
        {"wheel model=report:8\nat 0 hand wave\nrun 10", "line 2: hand takes free, hold"},
        {"wheel model=report:8\nat 0 hand free 5\nrun 10", "line 2: hand free takes nothing"},
        {"wheel model=report:8\nat 0 hand turn fast\nrun 10", "line 2: 'fast' is not a number"},
        {"wheel model=report:8\nat 0 hand hold 5 noise=1\nrun 10",
         "line 2: 'noise=1' is not a parameter of hand hold"},
        {"wheel model=report:8\nat 0 hand trace missing.trace\nrun 10",
         "line 2: cannot read trace file"},
        {"wheel model=report:8\nat 0 x 5\nrun 10", "line 2: x on a wheel with a model"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        const ParseResult result = ParseScript(c.script, "");
        ASSERT_FALSE(result.ok());
        EXPECT_NE(result.errors[0].find(c.error), std::string::npos) << result.errors[0];
    }
}

}  // namespace
}  // namespace quorsim
