// The game's Reconstruction: a game that updates its force less often than the engine ticks
// gives a staircase, a step at every update that the rim feels as a knock and hears as a
// buzz at the update rate. With the switch the force moves from where it is to each new value
// along a straight path over one update interval, the interval learned from the times the
// mix's value changed (the game's own updates as the wheel would feel them). Acts on the final
// force of each channel in force mode, after the soft limit and before the bytes. Runs on
// ForceThread with the TableMutex held.
#pragma once

#include <cstdint>

#include "state/game_tuning.h"

namespace quorforce {

// The longest gap between two changes that counts as one update interval: a longer one is a
// game that paused its updates, not one that updates that slowly.
constexpr std::uint32_t kLongestUpdateMs = 100;

// The force to send at `now` for the mix's `value`. Until an interval is learned, and while it
// is shorter than two ticks (a game that updates about every tick: no staircase to smooth),
// the force is the value itself. The added delay is half the learned interval on average
// (the path's middle), at most one interval.
std::int32_t Reconstruct(ForcePath& path, std::int32_t value, std::uint32_t now);

// The learned update interval in ms (0: none yet).
std::int32_t LearnedIntervalMs(const ForcePath& path);

}  // namespace quorforce
