// The smooth motion estimate: an alpha-beta tracker of the steering axis that a device's
// Motion_Estimate setting 1 selects for its condition effects. It runs on PollThread with
// the InputMutex held, after every read of the device, whatever the setting, so that a
// change of the setting finds it settled; with the setting 0 nothing reads it.
#pragma once

#include <cstdint>

#include "state/motion_state.h"

namespace quorforce {

// Reads in a row at one position after which the wheel counts as at rest: its velocity
// and acceleration become exactly 0 (a condition's force at rest must not creep).
constexpr std::int32_t kRestReads = 8;

// The tracker's gains per read: a critically damped alpha-beta pair (beta = alpha² / (2 -
// alpha)). With alpha 1/2 a steadily accelerating turn is followed with a velocity lag of
// 2.5 reads, two more than the difference of two reads, and the one-count staircase of a
// slow turn is smoothed to a small fraction of a count per read.
constexpr float kTrackerAlpha = 0.5f;
constexpr float kTrackerBeta = kTrackerAlpha * kTrackerAlpha / (2.0f - kTrackerAlpha);
// The acceleration is the tracker's velocity change, smoothed by a one-pole filter.
constexpr float kAccelerationGain = 0.5f;

// Takes the motion's newest position at `now` (GetTickCount, ms). A failed read counts as
// a read of an unchanged position: a wheel that reports only on change is at rest then.
void TrackMotion(MotionState& motion, std::uint32_t now);

}  // namespace quorforce
