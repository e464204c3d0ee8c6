// The damper's ripple and lag on the simulated wheel, with the difference of the last two
// reads (Motion_Estimate 0) and with the motion tracker (1): a slow turn, and a recorded
// unsteady turn, with references for what an estimate from the reads can reach on each.
// Prints the figures; never fails a run.
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "synthesis/conditions.h"
#include "tools/quorsim/output.h"
#include "tools/quorsim/script.h"
#include "tools/quorsim/simulator.h"

namespace {

using namespace quorforce;
using quorsim::PositionRecord;

const std::string kExamples = std::string(QF_SOURCE_DIR) + "/tools/examples/";

quorsim::RunLog Run(const std::string& name) {
    std::ifstream in(kExamples + name);
    std::stringstream text;
    text << in.rdbuf();
    const quorsim::ParseResult parsed = quorsim::ParseScript(text.str(), kExamples);
    if (!parsed.ok()) std::fprintf(stderr, "%s: %s\n", name.c_str(), parsed.errors[0].c_str());
    return quorsim::RunScenario(parsed.script, false);
}

// The damper's force (before the byte) that the driver computes from a velocity in axis
// units per second, as the examples download it.
double DamperForce(double unitsPerSecond) {
    DeviceSettings settings = {};
    settings.shockOrForceFeedback = 1;
    settings.motorParameters = 1;
    settings.dynamicValue = 100;
    settings.by10DamperCoef = 20;
    ConditionInputs c;
    c.positiveCoefficient = c.negativeCoefficient = 10000;
    c.positiveSaturation = c.negativeSaturation = 10000;
    MotionInput motion;
    motion.x = static_cast<std::int32_t>(unitsPerSecond * 32.0 / 1000.0 * 100.0);
    motion.coefficientByte = settings.by10DamperCoef;
    const ForcePair pair = SynthCondition(settings, c, {0, 0, 1}, motion);
    return static_cast<double>(pair.secondSign) * pair.second;
}

struct Figures {
    double ripple = 0;  // RMS of estimate's force - true velocity's force, steady part
    int lagSteps = 0;   // the shift of the truth that fits the estimate's force best
};

// Ripple over [from, to), the steady part of the turn; lag over [lagFrom, lagTo), which
// holds the turn's start and end.
Figures Measure(const quorsim::RunLog& log, int device, std::uint32_t from, std::uint32_t to,
                std::uint32_t lagFrom, std::uint32_t lagTo) {
    std::vector<const PositionRecord*> w;
    for (const PositionRecord& p : log.positions) {
        if (p.device == device && p.ms >= lagFrom && p.ms < lagTo) w.push_back(&p);
    }
    Figures f;
    double sum = 0;
    int n = 0;
    for (const PositionRecord* p : w) {
        if (p->ms < from || p->ms >= to) continue;
        const double e = DamperForce(p->estimate) - DamperForce(p->velocity);
        sum += e * e;
        ++n;
    }
    f.ripple = n > 0 ? std::sqrt(sum / n) : 0;
    double best = 1e300;
    for (int lag = 0; lag <= 8; ++lag) {
        double s = 0;
        for (std::size_t i = lag; i < w.size(); ++i) {
            const double e = DamperForce(w[i]->estimate) - DamperForce(w[i - lag]->velocity);
            s += e * e;
        }
        if (s < best) {
            best = s;
            f.lagSteps = lag;
        }
    }
    return f;
}

// References for estimate 1 on this turn, over the steady part: the ripple of the true
// velocity less its alternation from one polling step to the next (which the positions read
// at the polls do not show) without lag, a floor for any estimate from the reads; and of the
// true velocity itself two steps late, what an exact estimate with the lag allowed leaves.
void References(const quorsim::RunLog& log, int device, std::uint32_t from, std::uint32_t to) {
    std::vector<const PositionRecord*> w;
    for (const PositionRecord& p : log.positions) {
        if (p.device == device) w.push_back(&p);
    }
    double smooth = 0, late = 0;
    int n = 0;
    for (std::size_t i = 2; i + 1 < w.size(); ++i) {
        if (w[i]->ms < from || w[i]->ms >= to) continue;
        const double truth = DamperForce(w[i]->velocity);
        const double course = (w[i - 1]->velocity + 2 * w[i]->velocity + w[i + 1]->velocity) / 4;
        smooth += std::pow(DamperForce(course) - truth, 2);
        late += std::pow(DamperForce(w[i - 2]->velocity) - truth, 2);
        ++n;
    }
    if (n == 0) return;
    std::printf(
        "  references (estimate 1's wheel): the true velocity less its step-to-step "
        "alternation %.0f, the true velocity 2 steps late %.0f\n",
        std::sqrt(smooth / n), std::sqrt(late / n));
}

void Report(const char* what, const quorsim::RunLog& log, std::uint32_t from, std::uint32_t to,
            std::uint32_t lagFrom, std::uint32_t lagTo) {
    const Figures reads = Measure(log, 0, from, to, lagFrom, lagTo);
    const Figures smooth = Measure(log, 1, from, to, lagFrom, lagTo);
    std::printf(
        "%s\n  damper ripple (RMS force, of 20000): estimate 0 %.0f, estimate 1 %.0f, "
        "ratio %.1fx\n  lag (steps of %u ms): estimate 0 %d, estimate 1 %d\n",
        what, reads.ripple, smooth.ripple, smooth.ripple > 0 ? reads.ripple / smooth.ripple : 0.0,
        static_cast<unsigned>(log.pollingStep), reads.lagSteps, smooth.lagSteps);
    References(log, 1, from, to);
}

}  // namespace

int main() {
    Report("slow turn, 30 units/s (closed-loop-damper.qsim)", Run("closed-loop-damper.qsim"), 1500,
           4400, 400, 4900);
    Report("recorded unsteady turn (closed-loop-damper-trace.qsim)",
           Run("closed-loop-damper-trace.qsim"), 1000, 3400, 400, 4000);
    return 0;
}
