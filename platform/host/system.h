// Host stand-in: clocks (steady, or a manual clock that tests and tools advance), module
// loading for the few entries the driver looks up, local and virtual memory, the system
// version, and character case.
#pragma once

#include <string>
#include <vector>

#include "platform/host/win_types.h"

#define VER_PLATFORM_WIN32_WINDOWS 1u
#define VER_PLATFORM_WIN32_NT 2u

struct OSVERSIONINFOA {
    DWORD dwOSVersionInfoSize;
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    CHAR szCSDVersion[128];
};
typedef OSVERSIONINFOA* LPOSVERSIONINFOA;

#define LMEM_FIXED 0x0000u
#define LMEM_ZEROINIT 0x0040u
#define LPTR (LMEM_FIXED | LMEM_ZEROINIT)
#define MEM_COMMIT 0x00001000u
#define MEM_RESERVE 0x00002000u
#define MEM_RELEASE 0x00008000u

DWORD timeGetTime();
DWORD GetTickCount();
#define TIMERR_NOERROR 0u
#define TIMERR_NOCANDO 97u
// Counted per period; the clock itself does not change.
UINT timeBeginPeriod(UINT period);
UINT timeEndPeriod(UINT period);

HMODULE LoadLibraryA(LPCSTR name);
// No module of the system's is loaded on the host: always null.
HMODULE GetModuleHandleA(LPCSTR name);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
BOOL FreeLibrary(HMODULE module);
// The host's module path: "C:\quorforce\quorforce.dll" for every module, and for a null
// module the process's executable (host::SetProcessImage). A path longer than the buffer is
// cut to size - 1 characters, as on Windows XP.
DWORD GetModuleFileNameA(HMODULE module, LPSTR path, DWORD size);

HLOCAL LocalAlloc(UINT flags, SIZE_T bytes);
HLOCAL LocalFree(HLOCAL memory);
LPVOID VirtualAlloc(LPVOID address, SIZE_T bytes, DWORD allocationType, DWORD protect);
BOOL VirtualFree(LPVOID address, SIZE_T bytes, DWORD freeType);

BOOL GetVersionExA(LPOSVERSIONINFOA info);
#define INVALID_FILE_ATTRIBUTES 0xFFFFFFFFu
// FILE_ATTRIBUTE_NORMAL for a path a test declared (host::SetFileExists), else
// INVALID_FILE_ATTRIBUTES: the stand-in has no files of its own.
DWORD GetFileAttributesA(LPCSTR path);
LPSTR CharUpperA(LPSTR text);
// Recorded in order; a test reads them as a debugger would.
void OutputDebugStringA(LPCSTR text);

struct SECURITY_ATTRIBUTES;
// The recorder's few needs of the system: the process id, the local time, the environment
// (the host's own) and a folder made on the host's file system.
struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};
typedef SYSTEMTIME* LPSYSTEMTIME;
DWORD GetCurrentProcessId();
void GetLocalTime(LPSYSTEMTIME time);
DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size);
// ERROR_ALREADY_EXISTS when the folder is there, ERROR_ACCESS_DENIED (or the like) otherwise.
BOOL CreateDirectoryA(LPCSTR path, SECURITY_ATTRIBUTES* security);

namespace host {

// The millisecond clock behind timeGetTime and GetTickCount. Manual: it stands still
// until advanced, so a run in virtual time is deterministic.
void UseManualClock(DWORD startMs);
void UseSteadyClock();
void AdvanceClock(DWORD ms);

// The system version GetVersionExA reports (default: NT 6.1).
void SetSystemVersion(DWORD platformId, DWORD major, DWORD minor);

// The next VirtualAlloc or LocalAlloc fails.
void FailNextAllocation();
// Modules loaded and not freed (for leak checks).
int LoadedModuleCount();

// timeBeginPeriod(1) calls not yet ended by timeEndPeriod(1).
int OneMillisecondPeriodRequests();

// What OutputDebugStringA was given since the last ClearDebugOutput.
std::vector<std::string> DebugOutput();
void ClearDebugOutput();

// The executable GetModuleFileNameA(nullptr) names; kDefaultProcessImage after a reset.
inline constexpr char kDefaultProcessImage[] = "C:\\Games\\Game.exe";
void SetProcessImage(const std::string& path);

// Declares (or takes away) a file GetFileAttributesA finds; paths compare case-insensitively.
void SetFileExists(const std::string& path, bool exists);
}  // namespace host

// Threads and the module-entry conventions.
typedef DWORD (*LPTHREAD_START_ROUTINE)(LPVOID parameter);

#define THREAD_PRIORITY_LOWEST (-2)
#define THREAD_PRIORITY_BELOW_NORMAL (-1)
#define THREAD_PRIORITY_NORMAL 0
#define THREAD_PRIORITY_HIGHEST 2
#define THREAD_PRIORITY_TIME_CRITICAL 15

#define DLL_PROCESS_DETACH 0u
#define DLL_PROCESS_ATTACH 1u
#define DLL_THREAD_ATTACH 2u
#define DLL_THREAD_DETACH 3u

#define CREATE_SUSPENDED 0x4u

struct SECURITY_ATTRIBUTES;
// A thread created suspended waits at its start until resumed. TerminateThread ends only
// such a thread, one that has not begun: the stand-in cannot stop running code.
HANDLE CreateThread(SECURITY_ATTRIBUTES* security, SIZE_T stackSize, LPTHREAD_START_ROUTINE start,
                    LPVOID parameter, DWORD flags, LPDWORD threadId);
DWORD ResumeThread(HANDLE thread);
BOOL TerminateThread(HANDLE thread, DWORD exitCode);
BOOL SetThreadPriority(HANDLE thread, int priority);
int GetThreadPriority(HANDLE thread);
BOOL DisableThreadLibraryCalls(HMODULE module);

// A slim reader/writer lock, exclusive use only: a spin on one word that yields the core,
// zero when free (SRWLOCK_INIT), so that it needs no set-up or clean-up as on Windows.
struct SRWLOCK {
    void* Ptr;
};
typedef SRWLOCK* PSRWLOCK;
#define SRWLOCK_INIT \
    { nullptr }
void AcquireSRWLockExclusive(PSRWLOCK lock);
void ReleaseSRWLockExclusive(PSRWLOCK lock);

// Asynchronous procedure calls queued to the calling thread only (GetCurrentThread), run in
// order by its next alertable SleepEx; ExitThread ends a thread of CreateThread there.
typedef void (*PAPCFUNC)(ULONG_PTR parameter);
#define WAIT_IO_COMPLETION 0x000000C0u
HANDLE GetCurrentThread();
DWORD QueueUserAPC(PAPCFUNC routine, HANDLE thread, ULONG_PTR parameter);
DWORD SleepEx(DWORD milliseconds, BOOL alertable);
// Signals `signal`, then waits alertably; the wait stands in for one on the calling
// thread's own handle (GetCurrentThread) only, which ends when an APC runs.
DWORD SignalObjectAndWait(HANDLE signal, HANDLE waitOn, DWORD milliseconds, BOOL alertable);
[[noreturn]] void ExitThread(DWORD exitCode);
int MulDiv(int number, int numerator, int denominator);

namespace host {

// Threads created while held wait at their start until released: a run in virtual time
// drives the engine's passes itself.
void HoldNewThreads(bool hold);
void ReleaseHeldThreads();
// Threads of CreateThread that have not returned yet.
int RunningThreadCount();
// What ExitThread throws; CreateThread's thread catches it where the start routine returns.
struct ThreadExit {
    DWORD exitCode;
};

// Sleep lasts a whole number of `ms` steps, at least one: 16 stands for Windows' default
// timer resolution, under which Sleep(1) takes up to 15.6 ms. 1 by default.
void SetSleepGranularity(DWORD ms);

// The whole stand-in back to a fresh machine: no devices, empty hives, the steady clock,
// a 1 ms sleep granularity, threads not held, the default process image.
void ResetStandIn();

}  // namespace host
