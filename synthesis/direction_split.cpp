// Splitting a force value into the two halves of a ForcePair by angle and channel layout.
#include "synthesis/direction_split.h"

#include "synthesis/tables.h"
#include "util/safe_math.h"

namespace quorforce {
namespace {

std::uint16_t Half(std::int64_t value) {
    if (value < 0) return 0;
    return value > 0xFFFF ? 0xFFFF : static_cast<std::uint16_t>(value);
}

std::int32_t WrapAngle(std::int32_t angle) {
    if (angle >= 0 && angle < 36000) return angle;  // the usual case, without the division
    std::int32_t wrapped = angle % 36000;
    return wrapped < 0 ? wrapped + 36000 : wrapped;
}

// One channel: the whole value goes to `second`, in force-feedback mode projected onto the
// device's one axis unless it is a condition or a one-axis effect.
ForcePair SplitSingle(bool forceMode, std::int32_t value, std::int32_t angle,
                      std::uint32_t axisCount, bool isCondition) {
    ForcePair pair;
    std::int64_t p = value;
    if (forceMode) {
        if (!isCondition && axisCount != 1) {
            p = Trunc(static_cast<float>(value) * sinTable[angle / 100]);
        }
        if (p < 0) {
            pair.firstSign = pair.secondSign = -1;
            p = -p;
        }
    }
    pair.second = Half(p);
    return pair;
}

ForcePair SplitTwo(const DeviceSettings& settings, std::int32_t value, std::int32_t angle) {
    bool forceMode = settings.shockOrForceFeedback != 0;
    bool strict = settings.strictAngleDirection != 0;
    ForcePair pair;
    if (strict && (angle == 0 || angle == 18000)) {
        // Straight ahead or behind: both channels at the full value.
        std::int64_t v = value;
        if (forceMode && v < 0) {
            pair.firstSign = pair.secondSign = -1;
            v = -v;
        }
        pair.first = pair.second = Half(v);
        return pair;
    }
    // The angle is within 0..35999, so its remainder modulo 18000 needs no division.
    const std::int32_t halfTurnAngle = angle < 18000 ? angle : angle - 18000;
    std::int64_t s = Trunc(static_cast<float>(value) * sinTable[halfTurnAngle / 100] / 2.0);
    std::int64_t h = value / 2;
    bool firstRange = angle < 18000;
    std::int64_t lo = firstRange ? h + s : h - s;
    std::int64_t hi = firstRange ? h - s : h + s;
    if (forceMode && lo < 0) {
        pair.firstSign = -1;
        lo = -lo;
    }
    if (forceMode && hi < 0) {
        pair.secondSign = -1;
        hi = -hi;
    }
    pair.first = Half(lo);
    pair.second = Half(hi);
    return pair;
}

}  // namespace

ForcePair SplitByDirection(const DeviceSettings& settings, std::int32_t value,
                           const DirectionInputs& direction, bool isCondition) {
    std::int32_t angle = WrapAngle(direction.angle);
    if (settings.motorParameters != 0) {
        return SplitSingle(settings.shockOrForceFeedback != 0, value, angle, direction.axisCount,
                           isCondition);
    }
    return SplitTwo(settings, value, angle);
}

}  // namespace quorforce
