// The smooth motion estimate that a device's Motion_Estimate setting 1 selects for its
// condition effects: the velocity timed from the reads at which the position changed. It runs
// on PollThread with the InputMutex held, after every read of the device, whatever the
// setting, so that a change of the setting finds it settled; with the setting 0 nothing
// reads it.
//
// Why timing: a slow turn moves 0 or 1 count between two reads, so the difference of two
// reads is 0 or a whole count a step, whatever the speed. The time a turn takes over several
// counts is what carries its speed: the velocity is the counts between an older change and
// the newest one over the time between them. Each change is known only to within the read
// interval before it, so the older change is taken as far back as the motion stays one
// straight turn (up to kEdgeWindowMs and kEnoughCounts); when no change comes for longer than
// the last count took, the velocity can be no more than one count over the time since.
#pragma once

#include <cstdint>

#include "state/motion_state.h"

namespace quorforce {

// Reads in a row at one position, and the time since its last change, after which the
// wheel counts as at rest: its velocity and acceleration become exactly 0 (a condition's
// force at rest must not creep) and the changes before are forgotten. At the default 16 ms
// step the reads decide; at a shorter step the time does, or a slow turn, a count in 33 ms,
// would come to rest between its counts.
constexpr std::int32_t kRestReads = 8;
constexpr std::uint32_t kRestMs = 128;

// How far back an older change may lie to time the newest against: at 30 units a second
// (a count in two 16 ms reads) it holds five or six counts, which bounds the error of one
// change's read interval to a few percent of the speed.
constexpr std::uint32_t kEdgeWindowMs = 192;
// Counts (of the encoder's step) after which an older change adds little: at speed the
// window shrinks to them, and with it the lag.
constexpr std::int32_t kEnoughCounts = 8;

// The acceleration is the velocity's change, smoothed by a one-pole filter.
constexpr float kAccelerationGain = 0.5f;

// Takes the motion's newest position at `now` (GetTickCount, ms). A failed read counts as
// a read of an unchanged position: a wheel that reports only on change is at rest then.
void TrackMotion(MotionState& motion, std::uint32_t now);

}  // namespace quorforce
