// Which games use the driver now. A game's process holds a named object for its profile name
// (the executable's file name in lower case) from its first DeviceID to its end, so the object
// vanishes with the process, even after a crash; the panel only looks whether it exists.
#pragma once

#include <cstddef>

#include "platform/win32.h"

namespace quorforce {

constexpr std::size_t kGameObjectNameSize = 300;

// The object's name for `profileName`; false when the name is empty or does not fit.
bool GameObjectName(const char* profileName, char (&name)[kGameObjectNameSize]);
// Opens or makes the game's object (with the shared objects' security); null on failure. The
// caller keeps the handle open for as long as the game runs.
HANDLE HoldGamePresence(const char* profileName);
// Whether some process holds the game's object now.
bool GameIsRunning(const char* profileName);

}  // namespace quorforce
