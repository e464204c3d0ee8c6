// The recording's folder and file name.
#include "record/recording_path.h"

#include <cstdio>
#include <cstring>

#include "platform/win32.h"

namespace quorforce {
namespace {

// Windows takes either separator; the host build's file system only '/'.
#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

bool MakeFolder(const char* path) {
    return CreateDirectoryA(path, nullptr) != FALSE || GetLastError() == ERROR_ALREADY_EXISTS;
}

// Appends a separator and `part`; false when it does not fit.
bool Append(char* path, std::size_t size, const char* part) {
    const std::size_t used = std::strlen(path);
    const std::size_t added = std::strlen(part) + 1;
    if (used + added + 1 > size) return false;
    path[used] = kSeparator;
    std::memcpy(path + used + 1, part, added);
    return true;
}

}  // namespace

void ExecutableName(char* name, std::size_t size) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    const char* base = "game";
    if (length > 0 && length < sizeof path) {
        base = path;
        for (const char* c = path; *c != '\0'; ++c)
            if (*c == '\\' || *c == '/') base = c + 1;
    }
    std::snprintf(name, size, "%s", *base != '\0' ? base : "game");
}

bool MakeRecordingPath(const char* exe, char* path, std::size_t size) {
    const DWORD length = GetEnvironmentVariableA("LOCALAPPDATA", path, static_cast<DWORD>(size));
    if (length == 0 || length >= size) return false;
    if (!Append(path, size, "Quorvane") || !MakeFolder(path)) return false;
    if (!Append(path, size, "Recordings") || !MakeFolder(path)) return false;
    SYSTEMTIME now;
    GetLocalTime(&now);
    char file[300];
    const int written =
        std::snprintf(file, sizeof file, "%s-%04u%02u%02u-%02u%02u%02u-%lu.qfrec", exe, now.wYear,
                      now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
                      static_cast<unsigned long>(GetCurrentProcessId()));
    if (written <= 0 || static_cast<std::size_t>(written) >= sizeof file) return false;
    return Append(path, size, file);
}

}  // namespace quorforce
