// quorsim's commands on a recording: `replay` and `doctor`, with their options.
#pragma once

#include <string>

#include "tools/quorsim/script.h"

namespace quorsim {

// argv[0] is the command's name. Exit codes: 0 done (replay: every report identical),
// 1 a difference or a refused recording, 2 a bad command line.
int ReplayCommand(int argc, char** argv);
int DoctorCommand(int argc, char** argv);

// `quorsim --record DIR`: the Record switch on every wheel of the script, and DIR standing for
// %LOCALAPPDATA%; after the run, where the recording went.
void AskToRecord(const std::string& folder, Script* script);
std::string RecordedFile();

}  // namespace quorsim
