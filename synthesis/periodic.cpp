// The periodic waveforms and their common steps.
#include "synthesis/periodic.h"

#include <cmath>

#include "synthesis/tables.h"
#include "util/safe_math.h"

namespace quorforce {
namespace {

constexpr std::int32_t kMinForcePeriod = 32000;  // µs: the wheel cannot follow faster waves
constexpr std::int32_t kSlowPeriod = 128000;     // µs: slower waves can drive a motor

bool ForceMode(const DeviceSettings& s) { return s.shockOrForceFeedback != 0; }
float StaticFactor(const DeviceSettings& s) { return static_cast<float>(s.staticValue) / 100.0f; }

// Elapsed microseconds as the phase formula uses them: t × 1000, or, where that leaves
// 32 bits, its remainder modulo the period (the same angle, without the overflow).
std::int64_t PhaseMicroseconds(std::int32_t t, std::int32_t period) {
    std::int64_t us = static_cast<std::int64_t>(t) * 1000;
    if (us > INT32_MAX || us < INT32_MIN) {
        us %= period;
        if (us < 0) us += period;
    }
    return us;
}

// The fraction of the current period at t (for the sawtooth).
float PeriodFraction(std::int32_t t, std::int32_t period) {
    float r = static_cast<float>(PhaseMicroseconds(t, period)) / static_cast<float>(period);
    return r - static_cast<float>(Trunc(r));
}

// Common step: clamp the raw value and scale it by staticValue and the gain. The
// replacement values are the fixed 20000, 10000 and -10000, not the scaled thresholds.
std::int32_t ScaleRaw(const DeviceSettings& settings, std::int64_t v, std::int32_t gain) {
    const float s = StaticFactor(settings);
    if (!ForceMode(settings)) {
        if (v >= Trunc(20000 * s)) v = 20000;
        if (v <= 0) v = 0;
        return Trunc(static_cast<float>(v) * s * static_cast<float>(gain) / 10000.0f);
    }
    if (v >= Trunc(10000 * s)) v = 10000;
    if (v <= Trunc(-10000 * s)) v = -10000;
    return Trunc(static_cast<float>(2 * v) * s * static_cast<float>(gain) / 10000.0f);
}

// The inputs with the effective period; false when the wave yields nothing (a period of
// 0 or less, taken as signed).
bool WithEffectivePeriod(const DeviceSettings& settings, const PeriodicInputs& input,
                         PeriodicInputs* wave) {
    *wave = input;
    if (wave->period <= 0) return false;
    if (ForceMode(settings) && wave->period < kMinForcePeriod) wave->period = kMinForcePeriod;
    return true;
}

ForcePair Finish(const DeviceSettings& settings, std::int64_t v, const PeriodicInputs& wave,
                 const DirectionInputs& direction) {
    std::int32_t value = ScaleRaw(settings, v + wave.offset, wave.gain);
    return SplitByDirection(settings, value, direction, false);
}

// A coarse sine level, among -3..1, whose changes mark the shock square's edges.
std::int32_t SquareLevel(std::int32_t index) { return Trunc(2.0 * sinTable[index] - 1.0); }

// Shock mode renders a slow square as full-strength pulses after each edge.
std::int64_t ShockSquareRaw(std::int32_t e, const PeriodicInputs& wave, std::int32_t pulses) {
    if (wave.period <= kSlowPeriod) return e;
    const std::int32_t now = SquareLevel(PhaseIndex(wave.t, wave.phase, wave.period, 0));
    const std::int32_t justBefore =
        SquareLevel(PhaseIndex(wave.t - 16, wave.phase, wave.period, 0));
    if (now != justBefore) return e;
    const std::int64_t pulseStart = static_cast<std::int64_t>(wave.t) - 16 * pulses;
    const std::int32_t earlierIndex =
        pulseStart < 0
            ? WrapDegrees(wave.phase / 100)
            : PhaseIndex(static_cast<std::int32_t>(pulseStart), wave.phase, wave.period, 0);
    return now != SquareLevel(earlierIndex) ? e : -10000;
}

}  // namespace

std::int32_t PhaseIndex(std::int32_t t, std::int32_t phase, std::int32_t period,
                        std::int32_t extraDegrees) {
    if (period <= 0) return WrapDegrees(static_cast<std::int64_t>(phase / 100) + extraDegrees);
    const float turns =
        static_cast<float>(PhaseMicroseconds(t, period)) / static_cast<float>(period);
    // The phase counts in whole degrees: its hundredths are dropped on purpose.
    const std::int32_t phaseDegrees = phase / 100 + extraDegrees;
    const float phi = static_cast<float>(phaseDegrees) + turns * 360.0f;
    return WrapDegrees(Trunc(phi));
}

ForcePair SynthSine(const DeviceSettings& settings, const PeriodicInputs& input,
                    const EnvelopeInputs& envelope, const DirectionInputs& direction) {
    PeriodicInputs wave;
    if (!WithEffectivePeriod(settings, input, &wave)) return ForcePair();
    const std::int32_t i = PhaseIndex(wave.t, wave.phase, wave.period, 0);
    const std::int32_t e = ApplyEnvelope(wave.t, envelope);
    const bool waveShown = ForceMode(settings) || wave.period > kSlowPeriod;
    const std::int64_t v = waveShown ? Trunc(static_cast<float>(e) * sinTable[i]) : e;
    return Finish(settings, v, wave, direction);
}

ForcePair SynthSquare(const DeviceSettings& settings, const PeriodicInputs& input,
                      const EnvelopeInputs& envelope, const DirectionInputs& direction) {
    // The pulse length comes from the period as given, before it is checked or raised.
    std::int32_t pulses = input.period / kSlowPeriod;
    if (pulses >= 20) pulses = 20;
    if (pulses <= 8) pulses = 8;
    PeriodicInputs wave;
    if (!WithEffectivePeriod(settings, input, &wave)) return ForcePair();
    const std::int32_t e = ApplyEnvelope(wave.t, envelope);
    std::int64_t v;
    if (ForceMode(settings)) {
        const bool firstHalf = PhaseIndex(wave.t, wave.phase, wave.period, 0) < 180;
        v = firstHalf ? e : -static_cast<std::int64_t>(e);
    } else {
        v = ShockSquareRaw(e, wave, pulses);
    }
    return Finish(settings, v, wave, direction);
}

ForcePair SynthTriangle(const DeviceSettings& settings, const PeriodicInputs& input,
                        const EnvelopeInputs& envelope, const DirectionInputs& direction) {
    PeriodicInputs wave;
    if (!WithEffectivePeriod(settings, input, &wave)) return ForcePair();
    // With 270 degrees added, the arcsine of the sine is a triangle of amplitude 1 that
    // starts at its lowest point.
    const std::int32_t i = PhaseIndex(wave.t, wave.phase, wave.period, 270);
    const std::int32_t k = Trunc(180.0 * sinTable[i] + 180.0);
    const double w = asinTable[k < 0 ? 0 : (k > 360 ? 360 : k)] / 1.5707;
    const std::int32_t e = ApplyEnvelope(wave.t, envelope);
    std::int64_t v;
    if (ForceMode(settings)) {
        v = -static_cast<std::int64_t>(Trunc(e * w));
    } else {
        v = wave.period > kSlowPeriod ? Trunc(e * w) : e;
    }
    return Finish(settings, v, wave, direction);
}

ForcePair SynthSawtooth(const DeviceSettings& settings, const PeriodicInputs& input, bool rising,
                        const EnvelopeInputs& envelope, const DirectionInputs& direction) {
    PeriodicInputs wave;
    if (!WithEffectivePeriod(settings, input, &wave)) return ForcePair();
    const float fr = PeriodFraction(wave.t, wave.period);
    const float w = rising ? (fr - 0.5f) * 2.0f : ((1.0f - fr) - 0.5f) * 2.0f;
    const std::int32_t e = ApplyEnvelope(wave.t, envelope);
    const bool waveShown = ForceMode(settings) || wave.period > kSlowPeriod;
    const std::int64_t v = waveShown ? Trunc(static_cast<float>(e) * w) : e;
    return Finish(settings, v, wave, direction);
}

}  // namespace quorforce
