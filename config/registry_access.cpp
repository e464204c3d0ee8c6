// The registry primitives. Every key opened here is closed on every path.
#include "config/registry_access.h"

namespace quorforce {

thread_local std::int32_t configReadFailed = 0;

namespace {

// An open key that closes itself.
class OpenKey {
public:
    OpenKey(HKEY hive, const char* path, REGSAM access) {
        if (RegOpenKeyExA(hive, path, 0, access, &key_) != ERROR_SUCCESS) key_ = nullptr;
    }
    ~OpenKey() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    // For a write: create the key when it cannot be opened.
    void CreateIfMissing(HKEY hive, const char* path) {
        if (key_ != nullptr) return;
        if (RegCreateKeyExA(hive, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                            nullptr, &key_, nullptr) != ERROR_SUCCESS) {
            key_ = nullptr;
        }
    }
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

bool ReadDwordFrom(HKEY hive, const char* path, const char* name, DWORD* value) {
    OpenKey key(hive, path, KEY_READ);
    if (key.get() == nullptr) return false;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_DWORD) {
        return false;
    }
    DWORD stored = 0;
    size = sizeof stored;
    if (RegQueryValueExA(key.get(), name, nullptr, nullptr, reinterpret_cast<BYTE*>(&stored),
                         &size) != ERROR_SUCCESS) {
        return false;
    }
    *value = stored;
    return true;
}

bool ReadBinaryFrom(HKEY hive, const char* path, const char* name, void* buffer, DWORD capacity,
                    DWORD* length) {
    OpenKey key(hive, path, KEY_READ);
    if (key.get() == nullptr) return false;
    // A value longer than the buffer is refused before anything is read, so the caller's
    // buffer keeps its contents.
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS ||
        size > capacity) {
        return false;
    }
    if (RegQueryValueExA(key.get(), name, nullptr, nullptr, static_cast<BYTE*>(buffer), &size) !=
        ERROR_SUCCESS) {
        return false;
    }
    *length = size;
    return true;
}

int WriteValue(const char* path, const char* name, DWORD type, const void* data, DWORD size) {
    OpenKey key(HKEY_CURRENT_USER, path, KEY_ALL_ACCESS);
    key.CreateIfMissing(HKEY_CURRENT_USER, path);
    if (key.get() == nullptr) return 0;
    return RegSetValueExA(key.get(), name, 0, type, static_cast<const BYTE*>(data), size) ==
                   ERROR_SUCCESS
               ? 1
               : 0;
}

}  // namespace

DWORD ReadConfigDword(const char* keyPath, const char* valueName) {
    DWORD value = 0;
    const bool found = ReadDwordFrom(HKEY_CURRENT_USER, keyPath, valueName, &value) ||
                       ReadDwordFrom(HKEY_LOCAL_MACHINE, keyPath, valueName, &value);
    configReadFailed = found ? 0 : 1;
    return found ? value : 0;
}

int ReadConfigBinary(void* buffer, DWORD capacity, const char* keyPath, const char* valueName,
                     DWORD* length) {
    DWORD read = 0;
    if (length != nullptr) *length = 0;
    if (buffer == nullptr) {
        configReadFailed = 1;
        return 0;
    }
    const bool found =
        ReadBinaryFrom(HKEY_CURRENT_USER, keyPath, valueName, buffer, capacity, &read) ||
        ReadBinaryFrom(HKEY_LOCAL_MACHINE, keyPath, valueName, buffer, capacity, &read);
    if (length != nullptr) *length = found ? read : 0;
    configReadFailed = found ? 0 : 1;
    return found ? 1 : 0;
}

int CreateConfigKey(const char* keyPath) {
    if (keyPath == nullptr) return 0;
    OpenKey key(HKEY_CURRENT_USER, keyPath, KEY_READ);
    key.CreateIfMissing(HKEY_CURRENT_USER, keyPath);
    return key.get() != nullptr ? 1 : 0;
}

int WriteConfigDword(DWORD value, const char* keyPath, const char* valueName) {
    return WriteValue(keyPath, valueName, REG_DWORD, &value, sizeof value);
}

int WriteConfigBinary(const void* data, DWORD size, const char* keyPath, const char* valueName) {
    return WriteValue(keyPath, valueName, REG_BINARY, data, size);
}

}  // namespace quorforce
