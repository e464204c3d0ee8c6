// Where a session's recording goes: %LOCALAPPDATA%\Quorvane\Recordings\, made when missing,
// and the file's name from the game's executable, the local date and time and the process id.
#pragma once

#include <cstddef>

namespace quorforce {

constexpr std::size_t kRecordingPathSize = 520;

// The calling process's executable file name (no folder); "game" when it cannot be read.
void ExecutableName(char* name, std::size_t size);

// Makes the folders and composes the file's path; false when LOCALAPPDATA is not set, a
// folder cannot be made or the path does not fit.
bool MakeRecordingPath(const char* exe, char* path, std::size_t size);

}  // namespace quorforce
