// Loading quorforce.dll into the panel. HKEY_CLASSES_ROOT is not read: it merges the user's
// own classes, which any program the user runs may write, over the machine's. The machine's
// registration is read in the view of this process's size, the view whose copy of the
// driver this process can load.
#include "panel/driver_library.h"

#include <string>

#include "config/registry_layout.h"
#include "panel/driver_path.h"

namespace quorforce::panel {
namespace {

constexpr REGSAM kOwnView = sizeof(void*) == 8 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
// The driver's own folder for what it imports, then System32; never the current directory.
constexpr DWORD kSearch = LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32;

std::wstring RegisteredPath() {
    const std::string key = std::string(kDriverClassKey) + kInprocServerSubkey;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE | kOwnView, &opened) !=
        ERROR_SUCCESS) {
        return std::wstring();
    }
    wchar_t path[MAX_PATH * 2] = L"";
    DWORD size = sizeof path;
    // REG_SZ, and REG_EXPAND_SZ expanded; a longer value is no path this panel loads.
    const LSTATUS status =
        RegGetValueW(opened, nullptr, nullptr, RRF_RT_REG_SZ, nullptr, path, &size);
    RegCloseKey(opened);
    return status == ERROR_SUCCESS ? std::wstring(path) : std::wstring();
}

// The file of the module this code is linked into: the program, or the page's DLL.
std::wstring OwnModulePath() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(&OwnModulePath), &self)) {
        return std::wstring();
    }
    wchar_t path[MAX_PATH * 2] = L"";
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH * 2);
    return length > 0 && length < MAX_PATH * 2 ? std::wstring(path, length) : std::wstring();
}

}  // namespace

bool DriverLibrary::Load() {
    if (Loaded()) return true;
    error_ = ERROR_MOD_NOT_FOUND;
    const std::wstring registered = RegisteredPath();
    if (IsFullPath(registered) && LoadFrom(registered.c_str())) return true;
    const std::wstring beside = BesideModule(OwnModulePath(), L"quorforce.dll");
    return !beside.empty() && LoadFrom(beside.c_str());
}

bool DriverLibrary::LoadFrom(const wchar_t* path) {
    module_ = LoadLibraryExW(path, nullptr, kSearch);
    // Windows 7 without its loader update knows no search flags; a full path then still
    // names the one file, and the altered search looks in the driver's folder first.
    if (module_ == nullptr && GetLastError() == ERROR_INVALID_PARAMETER) {
        module_ = LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    if (module_ == nullptr) {
        error_ = GetLastError();
        return false;
    }
    get_ = reinterpret_cast<ConfigFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(module_, "ZXGetDeviceConfig")));
    set_ = reinterpret_cast<ConfigFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(module_, "ZXSetDeviceConfig")));
    if (Loaded()) return true;
    // Another DLL of that name: not the driver.
    FreeLibrary(module_);
    module_ = nullptr;
    get_ = set_ = nullptr;
    error_ = ERROR_PROC_NOT_FOUND;
    return false;
}

bool DriverLibrary::Get(int joystick, DeviceConfig* config) const {
    if (get_ == nullptr) return false;
    get_(joystick, config);
    return true;
}

bool DriverLibrary::Set(int joystick, DeviceConfig* config) const {
    if (set_ == nullptr) return false;
    set_(joystick, config);
    return true;
}

}  // namespace quorforce::panel
