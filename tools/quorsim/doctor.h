// quorsim doctor: what a recorded session says about the game, per device, and for each
// finding the game's profile switch that would help, with the --set line to try it.
#pragma once

#include <string>

#include "record/recording_reader.h"

namespace quorsim {

std::string Diagnose(const quorforce::ReadRecordingResult& recording);

}  // namespace quorsim
