// How every process that uses the driver opens its named objects: the security each is made
// with and the rights each opener asks for. The first process to make an object decides its
// security for the whole session, so it is never left to the maker's token: an elevated game
// or a control panel run as administrator must not lock a normal game out. Called by the
// module's load (the table, its mutexes, the monitor block), by the bind (the reports' events)
// and by the control panel (read-only views).
#pragma once

#include <cstddef>

#include "platform/win32.h"

namespace quorforce {

// Full control for the system and the administrators; for every signed-in user of the session
// only what a driver does with the object; a medium mandatory label, which a process at medium
// integrity or above may set without a privilege (a high-integrity maker would otherwise label
// the object high and refuse a medium game write access).
inline constexpr char kMutexSecurity[] =
    "D:P(A;;0x001F0001;;;SY)(A;;0x001F0001;;;BA)(A;;0x00100001;;;AU)S:(ML;;NW;;;ME)";
inline constexpr char kEventSecurity[] =
    "D:P(A;;0x001F0003;;;SY)(A;;0x001F0003;;;BA)(A;;0x00100002;;;AU)S:(ML;;NW;;;ME)";
inline constexpr char kBlockSecurity[] =
    "D:P(A;;0x000F001F;;;SY)(A;;0x000F001F;;;BA)(A;;0x00000006;;;AU)S:(ML;;NW;;;ME)";

// Taking and releasing a mutex; setting and waiting on an event; mapping a block for reading
// and writing; reading only.
inline constexpr DWORD kMutexRights = SYNCHRONIZE | MUTEX_MODIFY_STATE;
inline constexpr DWORD kEventRights = SYNCHRONIZE | EVENT_MODIFY_STATE;
inline constexpr DWORD kBlockRights = FILE_MAP_READ | FILE_MAP_WRITE;
inline constexpr DWORD kReaderRights = FILE_MAP_READ;

// Opens the named mutex with kMutexRights, or makes it (no initial owner) with kMutexSecurity.
HANDLE OpenOrCreateSharedMutex(const char* name);
// Opens the named event with kEventRights, or makes it (manual-reset, signalled) with
// kEventSecurity.
HANDLE OpenOrCreateSharedEvent(const char* name);
// Opens the named block's mapping with kBlockRights, or makes it, `size` bytes backed by the
// paging file and zero-filled, with kBlockSecurity. An existing mapping keeps its own size:
// the caller's view of `size` bytes fails when it is smaller.
HANDLE OpenOrCreateSharedBlock(const char* name, DWORD size);
// A read-only view of `size` bytes of an existing block, or null when there is none or it is
// smaller (another program's object of that name); *mapping receives the handle to close.
const void* MapBlockForReading(const char* name, std::size_t size, HANDLE* mapping);

}  // namespace quorforce
