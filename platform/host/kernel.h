// Host stand-in for the kernel objects the driver uses: named file mappings with views,
// named mutexes, waits with time-outs, interlocked operations and the last error.
// Names live in one process-local table, so two opens of a name in one test process
// behave like two processes opening the same kernel object.
#pragma once

#include <string>

#include "platform/host/win_types.h"

#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu

#define PAGE_READWRITE 0x04u
#define FILE_MAP_WRITE 0x0002u
#define FILE_MAP_READ 0x0004u
#define FILE_MAP_ALL_ACCESS 0x000F001Fu
#define SYNCHRONIZE 0x00100000u
#define MUTEX_MODIFY_STATE 0x0001u
#define MUTEX_ALL_ACCESS 0x001F0001u
#define EVENT_MODIFY_STATE 0x0002u
#define EVENT_ALL_ACCESS 0x001F0003u
#define CREATE_EVENT_MANUAL_RESET 0x00000001u
#define CREATE_EVENT_INITIAL_SET 0x00000002u
#define SDDL_REVISION_1 1

typedef void* PSECURITY_DESCRIPTOR;
struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;

DWORD GetLastError();
void SetLastError(DWORD error);

// An object made with a security descriptor grants an opener only what the descriptor's
// entry for Authenticated Users allows: every open here stands for another, non-elevated
// user's process. Create on an existing name asks for all access, as Windows' does.
HANDLE CreateMutexA(LPSECURITY_ATTRIBUTES attributes, BOOL initialOwner, LPCSTR name);
HANDLE CreateMutexExA(LPSECURITY_ATTRIBUTES attributes, LPCSTR name, DWORD flags, DWORD access);
HANDLE OpenMutexA(DWORD access, BOOL inheritHandle, LPCSTR name);
BOOL ReleaseMutex(HANDLE mutex);
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
BOOL CloseHandle(HANDLE object);
void Sleep(DWORD milliseconds);

HANDLE CreateFileMappingA(HANDLE file, LPSECURITY_ATTRIBUTES attributes, DWORD protect,
                          DWORD maximumSizeHigh, DWORD maximumSizeLow, LPCSTR name);
HANDLE OpenFileMappingA(DWORD access, BOOL inheritHandle, LPCSTR name);
LPVOID MapViewOfFile(HANDLE mapping, DWORD access, DWORD offsetHigh, DWORD offsetLow, SIZE_T bytes);
BOOL UnmapViewOfFile(LPCVOID base);

LONG InterlockedIncrement(LONG volatile* value);
LONG InterlockedDecrement(LONG volatile* value);
LONG InterlockedExchange(LONG volatile* target, LONG value);
LONG InterlockedCompareExchange(LONG volatile* target, LONG exchange, LONG comparand);

// Keeps the SDDL text itself; LocalFree releases it.
BOOL ConvertStringSecurityDescriptorToSecurityDescriptorA(LPCSTR text, DWORD revision,
                                                          PSECURITY_DESCRIPTOR* descriptor,
                                                          PULONG size);

// Test controls of the stand-in (not Windows functions).
namespace host {

// The SDDL text the named object was made with; empty for the default security or no object.
std::string SecurityOf(const char* name);

// Kinds of kernel object whose creation a test can make fail.
enum class ObjectKind { Mutex, Mapping, View, Event };
void FailNextCreate(ObjectKind kind);
// Number of kernel objects currently alive (to check that nothing leaks).
int LiveObjectCount();

}  // namespace host

// Events (named ones are shared by name and carry their security, like mutexes).
HANDLE CreateEventA(LPSECURITY_ATTRIBUTES attributes, BOOL manualReset, BOOL initialState,
                    LPCSTR name);
HANDLE CreateEventExA(LPSECURITY_ATTRIBUTES attributes, LPCSTR name, DWORD flags, DWORD access);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

namespace host {
// With the table lock held: signal or reset an event (what overlapped I/O does).
void SignalEventLocked(HANDLE event);
void ResetEventLocked(HANDLE event);
}  // namespace host
