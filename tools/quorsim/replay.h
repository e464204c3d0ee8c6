// quorsim replay: a recording's calls, clock values, settings and motion fed through the
// driver's own code in virtual time, every report it computes compared with the recorded one.
#pragma once

#include <cstdint>
#include <string>

#include "record/recording_reader.h"
#include "tools/quorsim/simulator.h"

namespace quorsim {

struct ReplayOutcome {
    bool ok = false;
    std::uint64_t compared = 0;  // reports the replay computed and compared
    std::uint64_t identical = 0;
    std::uint64_t notReplayed = 0;  // recorded feature reports no recorded call made
    std::uint64_t notSent = 0;      // reports the recorded device was too busy to take
    int stoppedAtLine = 0;          // the first drop's line, 0 when the whole file ran
    std::uint64_t dropped = 0;
    std::string failure;  // the first difference, naming the event
    RunLog log;           // the recorded session as quorsim draws a run
};

ReplayOutcome Replay(const quorforce::ReadRecordingResult& recording);

// The recording as a run log (devices, reports, calls, markers, positions) without replaying.
RunLog RecordedRun(const quorforce::ReadRecordingResult& recording);

}  // namespace quorsim
