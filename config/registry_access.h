// The registry primitives every setting goes through: reads look under the current user
// first and fall back to the machine, writes go to the current user. Called on the threads
// that load the module, call the driver's operations or the exports; never per tick.
#pragma once

#include <cstdint>

#include "platform/win32.h"

namespace quorforce {

// 0 after a read that found its value, 1 after one that found nothing usable. Kept per
// thread: it means something only right after a read, on the thread that made it.
extern thread_local std::int32_t configReadFailed;

// The stored REG_DWORD, or 0 when none is found (a value of another type counts as none).
DWORD ReadConfigDword(const char* keyPath, const char* valueName);
// At most `capacity` bytes of a value of any type; a longer value is not read. 1 or 0.
// `length`, when given, receives the number of bytes read (0 when none).
int ReadConfigBinary(void* buffer, DWORD capacity, const char* keyPath, const char* valueName,
                     DWORD* length = nullptr);
// Under the current user, creating the key when needed. 1 when written, else 0.
int WriteConfigDword(DWORD value, const char* keyPath, const char* valueName);
int WriteConfigBinary(const void* data, DWORD size, const char* keyPath, const char* valueName);
// The key under the current user, created empty when it is missing (its values and subkeys
// left alone when it is there). 1 when it exists afterwards, else 0.
int CreateConfigKey(const char* keyPath);

}  // namespace quorforce
