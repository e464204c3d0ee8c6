// Updating the motion estimate of the steering axis after each device read: velocity and
// acceleration from successive positions and tick counts. Runs on PollThread with the
// InputMutex held.
#pragma once

#include <cstdint>

#include "hid/hid_result.h"
#include "state/motion_state.h"

namespace quorforce {

// After a device read: Done::Yes is a completed read, Done::No none. now is the
// millisecond tick count (GetTickCount) of the read; its 49.7-day wrap is harmless.
void UpdateMotion(MotionState& motion, Done readResult, std::uint32_t now);

}  // namespace quorforce
