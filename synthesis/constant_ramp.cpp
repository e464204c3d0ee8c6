// Constant and ramp synthesis.
#include "synthesis/constant_ramp.h"

#include "util/safe_math.h"

namespace quorforce {
namespace {

float StaticFactor(const DeviceSettings& s) { return static_cast<float>(s.staticValue) / 100.0f; }

std::int32_t Scale(std::int64_t v, float s, std::int32_t gain) {
    return Trunc(static_cast<float>(v) * s * static_cast<float>(gain) / 10000.0f);
}

}  // namespace

ForcePair SynthConstant(const DeviceSettings& settings, std::int32_t gain, std::int32_t t,
                        const EnvelopeInputs& envelope, const DirectionInputs& direction) {
    const std::int64_t e = ApplyEnvelope(t, envelope);
    const bool forceMode = settings.shockOrForceFeedback != 0;
    // A vibration motor takes the strength, not the direction.
    const std::int64_t twice = 2 * (forceMode || e >= 0 ? e : -e);
    return SplitByDirection(settings, Scale(twice, StaticFactor(settings), gain), direction, false);
}

ForcePair SynthRamp(const DeviceSettings& settings, std::int32_t gain, std::int32_t t,
                    std::int32_t end, std::int32_t start, std::int32_t finish,
                    const DirectionInputs& direction) {
    std::int64_t v = 0;
    if (end != 0 && t < end) {
        v = start + (static_cast<std::int64_t>(finish) - start) * t / end;
    }
    const float s = StaticFactor(settings);
    // Shock mode turns the ramp's -10000..10000 into an intensity 0..20000.
    const std::int32_t value =
        settings.shockOrForceFeedback != 0 ? Scale(2 * v, s, gain) : Scale(v + 10000, s, gain);
    return SplitByDirection(settings, value, direction, false);
}

}  // namespace quorforce
