// The engine's passes as the recorder sees them: a tick is preceded by any change of the
// shared settings it found and followed by its line (the motion and report lines it made come
// between); a poll read that brought news gives a position line. Off, each costs one test of
// the recorder's flag. Called by ForcePass under the TableMutex and PollPass under the
// InputMutex.
#pragma once

#include <cstdint>

#include "state/process_state.h"

namespace quorforce {

void MixRecorded(ProcessState& process, DWORD area, std::uint32_t now);
void RecordPosition(const ProcessState& process, int area, std::uint32_t now);

}  // namespace quorforce
