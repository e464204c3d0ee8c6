// Host stand-in: clocks, modules, memory, version, case. Any thread may call it.
#include "platform/host/system.h"

#include <sys/stat.h>
#include <unistd.h>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <set>
#include <string>

#include "platform/host/file_io.h"
#include "platform/host/kernel.h"

namespace host {
namespace {

std::atomic<bool> manualClock{false};
std::atomic<DWORD> manualNow{0};
std::atomic<bool> failNextAllocation{false};
std::atomic<int> loadedModules{0};
std::atomic<int> oneMillisecondPeriods{0};

std::mutex& MemoryLock() {
    static std::mutex lock;
    return lock;
}
std::set<void*>& Allocations() {
    static std::set<void*> allocations;
    return allocations;
}

DWORD versionPlatform = VER_PLATFORM_WIN32_NT;
DWORD versionMajor = 6;
DWORD versionMinor = 1;

int kernelModuleTag;

std::mutex& ProcessImageLock() {
    static std::mutex lock;
    return lock;
}
std::string& ProcessImage() {
    static std::string image = kDefaultProcessImage;
    return image;
}

void* Allocate(SIZE_T bytes) {
    if (bytes == 0 || failNextAllocation.exchange(false)) return nullptr;
    void* memory = std::calloc(1, bytes);
    if (memory != nullptr) {
        std::lock_guard<std::mutex> guard(MemoryLock());
        Allocations().insert(memory);
    }
    return memory;
}

bool Release(void* memory) {
    {
        std::lock_guard<std::mutex> guard(MemoryLock());
        if (Allocations().erase(memory) == 0) return false;
    }
    std::free(memory);
    return true;
}

}  // namespace

void UseManualClock(DWORD startMs) {
    manualNow = startMs;
    manualClock = true;
}
void UseSteadyClock() { manualClock = false; }
void AdvanceClock(DWORD ms) { manualNow += ms; }

void SetSystemVersion(DWORD platformId, DWORD major, DWORD minor) {
    versionPlatform = platformId;
    versionMajor = major;
    versionMinor = minor;
}

void FailNextAllocation() { failNextAllocation = true; }
int LoadedModuleCount() { return loadedModules; }
int OneMillisecondPeriodRequests() { return oneMillisecondPeriods; }

}  // namespace host

using namespace host;

DWORD timeGetTime() {
    if (manualClock) return manualNow;
    using namespace std::chrono;
    return static_cast<DWORD>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

DWORD GetTickCount() { return timeGetTime(); }

UINT timeBeginPeriod(UINT period) {
    if (period == 0) return TIMERR_NOCANDO;
    if (period == 1) ++oneMillisecondPeriods;
    return TIMERR_NOERROR;
}

UINT timeEndPeriod(UINT period) {
    if (period == 0 || (period == 1 && oneMillisecondPeriods == 0)) return TIMERR_NOCANDO;
    if (period == 1) --oneMillisecondPeriods;
    return TIMERR_NOERROR;
}

HMODULE LoadLibraryA(LPCSTR name) {
    std::string upper = name != nullptr ? name : "";
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper != "KERNEL32.DLL" && upper != "KERNEL32") {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    ++loadedModules;
    return &kernelModuleTag;
}

HMODULE GetModuleHandleA(LPCSTR /*name*/) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    if (module != &kernelModuleTag || name == nullptr) return nullptr;
    if (std::strcmp(name, "CancelIo") == 0)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(&CancelIo));
    return nullptr;
}

BOOL FreeLibrary(HMODULE module) {
    if (module != &kernelModuleTag) return FALSE;
    --loadedModules;
    return TRUE;
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR path, DWORD size) {
    static const char kPath[] = "C:\\quorforce\\quorforce.dll";
    if (path == nullptr || size == 0) return 0;
    std::string image = kPath;
    if (module == nullptr) {
        std::lock_guard<std::mutex> guard(host::ProcessImageLock());
        image = host::ProcessImage();
    }
    const DWORD length =
        static_cast<DWORD>(image.size()) < size ? static_cast<DWORD>(image.size()) : size - 1;
    std::memcpy(path, image.data(), length);
    path[length] = '\0';
    return length;
}

void host::SetProcessImage(const std::string& path) {
    std::lock_guard<std::mutex> guard(ProcessImageLock());
    ProcessImage() = path;
}

HLOCAL LocalAlloc(UINT, SIZE_T bytes) { return Allocate(bytes); }
HLOCAL LocalFree(HLOCAL memory) { return memory == nullptr || Release(memory) ? nullptr : memory; }

LPVOID VirtualAlloc(LPVOID address, SIZE_T bytes, DWORD allocationType, DWORD) {
    if (address != nullptr || !(allocationType & MEM_COMMIT)) return nullptr;
    return Allocate(bytes);
}

BOOL VirtualFree(LPVOID address, SIZE_T bytes, DWORD freeType) {
    if (bytes != 0 || freeType != MEM_RELEASE) return FALSE;
    return Release(address) ? TRUE : FALSE;
}

BOOL GetVersionExA(LPOSVERSIONINFOA info) {
    if (info == nullptr || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    info->dwMajorVersion = versionMajor;
    info->dwMinorVersion = versionMinor;
    info->dwBuildNumber = 7601;
    info->dwPlatformId = versionPlatform;
    info->szCSDVersion[0] = '\0';
    return TRUE;
}

namespace {
std::mutex debugOutputLock;
std::vector<std::string> debugOutput;
}  // namespace

void OutputDebugStringA(LPCSTR text) {
    std::lock_guard<std::mutex> guard(debugOutputLock);
    debugOutput.emplace_back(text != nullptr ? text : "");
}

std::vector<std::string> host::DebugOutput() {
    std::lock_guard<std::mutex> guard(debugOutputLock);
    return debugOutput;
}

void host::ClearDebugOutput() {
    std::lock_guard<std::mutex> guard(debugOutputLock);
    debugOutput.clear();
}

namespace {
std::mutex& FilesLock() {
    static std::mutex lock;
    return lock;
}
std::set<std::string>& DeclaredFiles() {
    static std::set<std::string> files;
    return files;
}
std::string Upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}
}  // namespace

DWORD GetFileAttributesA(LPCSTR path) {
    std::lock_guard<std::mutex> guard(FilesLock());
    return path != nullptr && DeclaredFiles().count(Upper(path)) != 0 ? FILE_ATTRIBUTE_NORMAL
                                                                      : INVALID_FILE_ATTRIBUTES;
}

void host::SetFileExists(const std::string& path, bool exists) {
    std::lock_guard<std::mutex> guard(FilesLock());
    if (exists) {
        DeclaredFiles().insert(Upper(path));
    } else {
        DeclaredFiles().erase(Upper(path));
    }
}

LPSTR CharUpperA(LPSTR text) {
    for (char* c = text; *c != '\0'; ++c) {
        *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
    }
    return text;
}

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

void GetLocalTime(LPSYSTEMTIME time) {
    const std::time_t now = std::time(nullptr);
    std::tm local = {};
    localtime_r(&now, &local);
    *time = SYSTEMTIME{};
    time->wYear = static_cast<WORD>(local.tm_year + 1900);
    time->wMonth = static_cast<WORD>(local.tm_mon + 1);
    time->wDayOfWeek = static_cast<WORD>(local.tm_wday);
    time->wDay = static_cast<WORD>(local.tm_mday);
    time->wHour = static_cast<WORD>(local.tm_hour);
    time->wMinute = static_cast<WORD>(local.tm_min);
    time->wSecond = static_cast<WORD>(local.tm_sec);
}

DWORD GetEnvironmentVariableA(LPCSTR name, LPSTR buffer, DWORD size) {
    const char* value = name != nullptr ? std::getenv(name) : nullptr;
    if (value == nullptr) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    const DWORD length = static_cast<DWORD>(std::strlen(value));
    if (buffer == nullptr || length >= size) return length + 1;
    std::memcpy(buffer, value, length + 1);
    return length;
}

BOOL CreateDirectoryA(LPCSTR path, SECURITY_ATTRIBUTES*) {
    if (path != nullptr && mkdir(path, 0777) == 0) return TRUE;
    SetLastError(errno == EEXIST ? ERROR_ALREADY_EXISTS : ERROR_ACCESS_DENIED);
    return FALSE;
}
