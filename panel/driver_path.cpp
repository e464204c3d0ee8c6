// The panel's rules for the driver's path.
#include "panel/driver_path.h"

namespace quorforce::panel {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

}  // namespace

bool IsFullPath(const std::wstring& path) {
    if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == L':' && IsSeparator(path[2])) {
        return true;
    }
    // A UNC name or a device path: two separators and then a name, never a bare "\\".
    return path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) &&
           !IsSeparator(path[2]);
}

std::wstring BesideModule(const std::wstring& modulePath, const std::wstring& name) {
    if (!IsFullPath(modulePath) || name.empty()) return std::wstring();
    const std::size_t folderEnd = modulePath.find_last_of(L"\\/");
    return modulePath.substr(0, folderEnd + 1) + name;
}

}  // namespace quorforce::panel
