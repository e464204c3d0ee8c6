// Reconstruction on a game that updates a constant force 60 times a second, ticked at 1 ms:
// the energy of the force above 30 Hz (half the update rate: there a slow force has none,
// only the staircase's steps do) with the switch off and on, and the delay the path adds,
// measured as the shift that best lines the smoothed force up with the staircase.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "engine/reconstruction.h"

namespace {

constexpr int kTicks = 4096;  // ms
constexpr double kPi = 3.14159265358979323846;

// What the game sends at `ms`: a slow swing of two tones, within ±20000.
std::int32_t GameForce(int ms) {
    const double t = ms / 1000.0;
    return static_cast<std::int32_t>(9000 * std::sin(2 * kPi * 1.5 * t) +
                                     3000 * std::sin(2 * kPi * 7 * t));
}

// The force at each 1 ms tick: the game's newest value, through reconstruction when `on`.
std::vector<double> Forces(bool on) {
    quorforce::ForcePath path;
    std::vector<double> out;
    std::int32_t value = GameForce(0);
    int nextUpdate = 0, updates = 0;
    for (int ms = 0; ms < kTicks; ++ms) {
        if (ms >= nextUpdate) {  // 60 Hz on a 1 ms clock: 17, 17, 16 ms apart
            value = GameForce(ms);
            nextUpdate = static_cast<int>(std::lround(++updates * 1000.0 / 60.0));
        }
        const std::int32_t force =
            on ? quorforce::Reconstruct(path, value, static_cast<std::uint32_t>(ms + 1000)) : value;
        out.push_back(force);
    }
    return out;
}

// The energy above `hz` of the Hann-windowed force (a plain DFT; 4096 points).
double EnergyAbove(const std::vector<double>& x, double hz) {
    const int n = static_cast<int>(x.size());
    double energy = 0;
    for (int k = static_cast<int>(std::ceil(hz * n / 1000.0)); k <= n / 2; ++k) {
        double re = 0, im = 0;
        for (int i = 0; i < n; ++i) {
            const double w = 0.5 - 0.5 * std::cos(2 * kPi * i / (n - 1));
            re += w * x[i] * std::cos(2 * kPi * k * i / n);
            im -= w * x[i] * std::sin(2 * kPi * k * i / n);
        }
        energy += re * re + im * im;
    }
    return energy;
}

// The shift in ms (0..40) that lines `later` up best with `earlier`, least squares.
int Delay(const std::vector<double>& earlier, const std::vector<double>& later) {
    int best = 0;
    double bestError = -1;
    for (int d = 0; d <= 40; ++d) {
        double error = 0;
        for (std::size_t i = 100; i + 50 < earlier.size(); ++i) {
            const double e = later[i + static_cast<std::size_t>(d)] - earlier[i];
            error += e * e;
        }
        if (bestError < 0 || error < bestError) bestError = error, best = d;
    }
    return best;
}

}  // namespace

int main() {
    const std::vector<double> plain = Forces(false);
    const std::vector<double> smooth = Forces(true);
    const double before = EnergyAbove(plain, 30), after = EnergyAbove(smooth, 30);
    quorforce::ForcePath path;
    for (int ms = 0; ms < 200; ++ms)  // the interval as the path learns it
        quorforce::Reconstruct(path, GameForce(ms - ms % 17), static_cast<std::uint32_t>(ms + 1));
    std::printf(
        "a 60 Hz game at a 1 ms step: energy above 30 Hz %.3g plain, %.3g reconstructed "
        "(%.1fx less)\n",
        before, after, before / after);
    std::printf("added delay %d ms (the update interval about 16.7 ms; learned %d ms)\n",
                Delay(plain, smooth), quorforce::LearnedIntervalMs(path));
    return 0;
}
