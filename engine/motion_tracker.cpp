// The velocity timed from the changes of position, behind the smooth motion estimate.
#include "engine/motion_tracker.h"

namespace quorforce {
namespace {

// Beyond these the history says nothing about the motion now: the tracker starts again
// from the position at rest. The jump's bound also keeps every difference of positions
// within the window (at most kEdgeCapacity jumps) exact in single precision.
constexpr std::uint32_t kLongestGapMs = 250;
constexpr std::int64_t kLargestJump = 1 << 20;
constexpr float kFastest = 16777216.0f;  // |velocity| in its units, 2^24 / ms

using Edge = MotionState::Edge;

void Prime(MotionState& m, std::uint32_t now) {
    m.tracking = 1;
    m.trackedPosition = m.position;
    m.trackTick = now;
    m.stillReads = 0;
    m.edgeCount = 0;
    m.edgeVelocity = 0.0f;
    m.smoothVelocity = 0.0f;
    m.smoothAcceleration = 0.0f;
}

float Bounded(float value) {
    return value > kFastest ? kFastest : (value < -kFastest ? -kFastest : value);
}

float Magnitude(float value) { return value < 0.0f ? -value : value; }

// Whether the changes after edge `from` lie on the straight turn of `slope` (units per ms)
// through it. A change of one count reads the count's edge exactly, only late by up to its
// read interval, so it lies within what the turn covers in that interval; a change of more
// reads a position somewhere within its count, so within one count. A change of speed
// breaks the line, and the window ends there.
bool OnOneTurn(const MotionState& m, int from, float slope) {
    const Edge& a = m.edges[from];
    for (int k = from + 1; k < m.edgeCount; ++k) {
        const Edge& e = m.edges[k];
        const float moved = static_cast<float>(static_cast<std::int64_t>(e.position) - a.position);
        const float expected = slope * static_cast<float>(e.tick - a.tick);
        const bool oneCount = e.change == m.countSize || e.change == -m.countSize;
        const float tolerance = oneCount ? Magnitude(slope) * static_cast<float>(e.readGap)
                                         : static_cast<float>(m.countSize);
        if (Magnitude(moved - expected) > tolerance) return false;
    }
    return true;
}

// The velocity at a change of position to m.position at `now`, `jump` since the read
// `gap` ms before: the counts since the oldest change of the same straight turn within the
// window over the time since it.
float VelocityAtChange(const MotionState& m, std::uint32_t now, std::int64_t jump,
                       std::uint32_t gap) {
    const bool up = jump > 0;
    const std::int64_t size = up ? jump : -jump;
    if (m.edgeCount == 0 || now - m.edges[m.edgeCount - 1].tick > kEdgeWindowMs) {
        // The first change after rest: nothing older times it but the read before.
        return Bounded(static_cast<float>(jump) * 32.0f / static_cast<float>(gap));
    }
    if ((m.edges[m.edgeCount - 1].change > 0) != up) {
        // A change back after one the other way: the wheel turned about between the two,
        // through rest, and nothing times the way back yet. By one count it says no more
        // than that (an encoder that trembles on the edge of a count does this every read,
        // and must not shake a condition about its rest); by more, the read's difference.
        if (size <= m.countSize) return 0.0f;
        return Bounded(static_cast<float>(jump) * 32.0f / static_cast<float>(gap));
    }
    const std::int64_t enough = static_cast<std::int64_t>(kEnoughCounts) * m.countSize;
    int anchor = m.edgeCount - 1;
    for (int i = m.edgeCount - 2; i >= 0; --i) {
        const Edge& a = m.edges[i];
        const std::uint32_t span = now - a.tick;  // >= gap >= 1: ticks only grow here
        if (span > kEdgeWindowMs) break;
        // The change after this edge went the other way: before it was another motion.
        if ((m.edges[i + 1].change > 0) != up) break;
        const std::int64_t moved = static_cast<std::int64_t>(m.position) - a.position;
        const float slope = static_cast<float>(moved) / static_cast<float>(span);
        if (!OnOneTurn(m, i, slope)) break;
        anchor = i;
        if ((up ? moved : -moved) >= enough) break;
    }
    const Edge& a = m.edges[anchor];
    const float moved = static_cast<float>(static_cast<std::int64_t>(m.position) - a.position);
    return Bounded(moved * 32.0f / static_cast<float>(now - a.tick));
}

void AddEdge(MotionState& m, std::uint32_t now, std::uint32_t gap, std::int64_t jump) {
    if (m.edgeCount == MotionState::kEdgeCapacity) {
        for (int i = 1; i < MotionState::kEdgeCapacity; ++i)
            m.edges[i - 1] = m.edges[i];
        --m.edgeCount;
    }
    Edge& e = m.edges[m.edgeCount++];
    e.tick = now;
    e.position = m.position;
    e.readGap = static_cast<std::int32_t>(gap);
    e.change = static_cast<std::int32_t>(jump);
}

// No change at this read: a turn at the velocity timed at the last change would have moved
// a count by now once more than a count's time has passed, so the velocity is at most one
// count over the time since that change.
float VelocityWithoutChange(const MotionState& m, std::uint32_t now) {
    if (m.edgeCount == 0 || m.edgeVelocity == 0.0f) return m.edgeVelocity;
    const std::uint32_t since = now - m.edges[m.edgeCount - 1].tick;  // >= 1
    const float most = static_cast<float>(m.countSize) * 32.0f / static_cast<float>(since);
    if (m.edgeVelocity > most) return most;
    if (m.edgeVelocity < -most) return -most;
    return m.edgeVelocity;
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
    float velocity = 0.0f;
    if (jump != 0) {
        const std::int32_t size = static_cast<std::int32_t>(jump > 0 ? jump : -jump);
        if (m.countSize == 0 || size < m.countSize) m.countSize = size;
        velocity = VelocityAtChange(m, now, jump, gap);
        AddEdge(m, now, gap, jump);
        m.edgeVelocity = velocity;
        m.stillReads = 0;
    } else {
        if (m.stillReads < kRestReads) ++m.stillReads;
        velocity = VelocityWithoutChange(m, now);
    }
    const bool atRest = m.stillReads >= kRestReads &&
                        (m.edgeCount == 0 || now - m.edges[m.edgeCount - 1].tick >= kRestMs);
    if (atRest) {
        m.edgeCount = 0;
        m.edgeVelocity = 0.0f;
        velocity = 0.0f;
    }
    const float rawAcceleration = (velocity - m.smoothVelocity) * 32.0f / static_cast<float>(gap);
    m.smoothAcceleration =
        atRest ? 0.0f
               : Bounded(m.smoothAcceleration +
                         kAccelerationGain * (rawAcceleration - m.smoothAcceleration));
    m.smoothVelocity = velocity;
    m.trackedPosition = m.position;
    m.trackTick = now;
}

}  // namespace quorforce
