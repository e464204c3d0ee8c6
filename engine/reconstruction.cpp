// Reconstruction's path and its learned interval.
#include "engine/reconstruction.h"

namespace quorforce {
namespace {

constexpr std::int32_t kIntervalScale = 16;  // the interval's fraction bits, for the average

// A one-pole average of the gaps between changes (a quarter of each new gap), so that one
// late update does not stretch the path and a 16/17 ms alternation of a 60 Hz game settles
// between them.
void LearnInterval(ForcePath& path, std::uint32_t gap) {
    if (gap == 0 || gap > kLongestUpdateMs) return;
    const std::int32_t scaled = static_cast<std::int32_t>(gap) * kIntervalScale;
    path.interval = path.interval == 0 ? scaled : (3 * path.interval + scaled) / 4;
}

}  // namespace

std::int32_t LearnedIntervalMs(const ForcePath& path) {
    return (path.interval + kIntervalScale / 2) / kIntervalScale;
}

std::int32_t Reconstruct(ForcePath& path, std::int32_t value, std::uint32_t now) {
    if (path.primed == 0) {
        path = ForcePath{1, value, value, value, now, now, 0};
        return value;
    }
    const std::int64_t tick = static_cast<std::int64_t>(now - path.lastTick);
    path.lastTick = now;
    if (value != path.target) {
        LearnInterval(path, now - path.changedAt);
        path.from = path.output;
        path.target = value;
        path.changedAt = now;
    }
    const std::int64_t length = LearnedIntervalMs(path);
    const std::int64_t since = static_cast<std::int64_t>(now - path.changedAt);
    if (length < 2 * tick || since >= length) {
        path.output = path.target;
    } else {
        // Both forces are within ±20000 and since < length ≤ 100: the product fits easily.
        const std::int64_t span = static_cast<std::int64_t>(path.target) - path.from;
        path.output = static_cast<std::int32_t>(path.from + span * since / length);
    }
    return path.output;
}

}  // namespace quorforce
