// The game's Soft_Limit: a knee below full force above which the mixed force is compressed
// instead of clipped, so that the peaks of a mix past full force keep their shape while every
// force below the knee stays exact. Acts where the sum would be clamped at full force: after
// the global value and the game's gains, before the channel bytes.
#pragma once

#include <cstdint>

namespace quorforce {

// The least knee, in percent of full force: below it the compression would reach down into
// the forces a game means exactly. Soft_Limit values from 1 to this act as this.
constexpr std::int32_t kLeastKneePercent = 50;

// The force at `sum` (of a full force `full` > 0) through a knee at `kneePercent` (0 = off:
// the plain clamp to ±full). Up to the knee k the force is the sum; past it, with e = |sum| - k
// and r = full - k the room left, it is k + r e / (e + r): slope 1 at the knee (no corner), ever
// closer to full force and never at it, so no tick clips. Computed in 64 bits: any sum of the
// mix fits.
std::int32_t SoftLimit(std::int64_t sum, std::int32_t full, std::int32_t kneePercent);

}  // namespace quorforce
