// quorsim's commands on a recording: `replay` and `doctor`, with their options.
#pragma once

namespace quorsim {

// argv[0] is the command's name. Exit codes: 0 done (replay: every report identical),
// 1 a difference or a refused recording, 2 a bad command line.
int ReplayCommand(int argc, char** argv);
int DoctorCommand(int argc, char** argv);

}  // namespace quorsim
