// The alpha-beta tracker behind the smooth motion estimate.
#include "engine/motion_tracker.h"

namespace quorforce {
namespace {

// Beyond these the history says nothing about the motion now: the tracker starts again
// from the position at rest. Also what keeps its single-precision state finite.
constexpr std::uint32_t kLongestGapMs = 250;
constexpr std::int64_t kLargestJump = 1 << 20;
constexpr float kFastest = 16777216.0f;  // |velocity| in its units, 2^24 / ms

void Prime(MotionState& m, std::uint32_t now) {
    m.tracking = 1;
    m.trackedPosition = m.position;
    m.trackTick = now;
    m.stillReads = 0;
    m.trackError = 0.0f;
    m.smoothVelocity = 0.0f;
    m.smoothAcceleration = 0.0f;
}

float Bounded(float value) {
    return value > kFastest ? kFastest : (value < -kFastest ? -kFastest : value);
}

}  // namespace

void TrackMotion(MotionState& m, std::uint32_t now) {
    const std::uint32_t gap = now - m.trackTick;
    const std::int64_t jump = static_cast<std::int64_t>(m.position) - m.trackedPosition;
    if (m.tracking == 0 || gap > kLongestGapMs || jump > kLargestJump || jump < -kLargestJump) {
        Prime(m, now);
        return;
    }
    if (gap == 0) return;  // two reads within one tick count: nothing to divide by
    const float dt = static_cast<float>(gap);
    const float moved = static_cast<float>(jump);
    // Positions relative to the last read; velocity in axis units per ms.
    const float velocity = m.smoothVelocity / 32.0f;
    const float predicted = m.trackError + velocity * dt;
    const float residual = moved - predicted;
    const float nextVelocity = Bounded((velocity + kTrackerBeta * residual / dt) * 32.0f);
    const float rawAcceleration = (nextVelocity - m.smoothVelocity) * 32.0f / dt;
    m.smoothAcceleration = Bounded(m.smoothAcceleration +
                                   kAccelerationGain * (rawAcceleration - m.smoothAcceleration));
    m.smoothVelocity = nextVelocity;
    m.trackError = predicted + kTrackerAlpha * residual - moved;
    m.trackedPosition = m.position;
    m.trackTick = now;
    if (jump != 0) {
        m.stillReads = 0;
    } else if (m.stillReads < kRestReads) {
        ++m.stillReads;
    }
    if (m.stillReads >= kRestReads) {
        m.trackError = 0.0f;
        m.smoothVelocity = 0.0f;
        m.smoothAcceleration = 0.0f;
    }
}

}  // namespace quorforce
