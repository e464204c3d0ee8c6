// Deriving velocity and acceleration from successive positions and tick counts.
#include "engine/motion.h"

#include "util/safe_math.h"

namespace quorforce {

void UpdateMotion(MotionState& m, Done readResult, std::uint32_t now) {
    m.tickDelta = static_cast<std::int32_t>(now - m.lastTick);
    m.lastTick = now;
    // Positions come from the device: the differences are taken wide and saturated.
    m.positionDelta = SaturateToInt32(static_cast<std::int64_t>(m.position) - m.previousPosition);
    m.deltaChange = SaturateToInt32(static_cast<std::int64_t>(m.positionDelta) - m.previousDelta);
    if (m.tickDelta != 0) {
        m.velocity = SaturateToInt32(static_cast<std::int64_t>(m.positionDelta) * 32 / m.tickDelta);
        const std::int64_t change = static_cast<std::int64_t>(m.velocity) - m.previousVelocity;
        m.acceleration = SaturateToInt32(change * 32 / m.tickDelta);
    }
    if (readResult == Done::Yes) {
        m.failedReads = 0;
    } else if (m.failedReads < INT32_MAX) {
        ++m.failedReads;
    }
    if (m.failedReads != 0) {
        // Nothing new arrived: the kept values catch up, so the estimate decays to rest.
        m.previousPosition = m.position;
        m.previousDelta = m.positionDelta;
        m.previousVelocity = m.velocity;
    }
}

}  // namespace quorforce
