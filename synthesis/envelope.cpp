// The envelope rules, later ones overriding earlier ones.
#include "synthesis/envelope.h"

#include "util/safe_math.h"

namespace quorforce {

std::int32_t ApplyEnvelope(std::int32_t t, const EnvelopeInputs& e) {
    const std::int64_t a = e.attackLevel, m = e.magnitude, f = e.fadeLevel;
    const std::int64_t ta = e.attackTime, tf = e.fadeStart, te = e.end;
    std::int64_t v = 0;
    if (ta != 0 && t < ta) v = a + (m - a) * t / ta;
    if (te == 0) {
        if (t >= ta) v = m;
        return SaturateToInt32(v);
    }
    if (t >= ta && t < tf) v = m;
    // A straight line from the magnitude at the fade start to the fade level at the end.
    if (tf != te && t >= tf && t < te) v = m + (t - tf) * (m - f) / (tf - te);
    if (t >= te) v = 0;
    return SaturateToInt32(v);
}

}  // namespace quorforce
