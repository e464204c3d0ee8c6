// The real registry as the Windows test programs read and write it: whole subtrees, single
// keys and values, in either registry view (KEY_WOW64_32KEY or _64KEY; 0 is the program's
// own). One reader for every test, so that all of them see a value the same way.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace wine_test {

// The names of a key's subkeys; none when the key is absent.
inline std::vector<std::string> SubkeyNames(HKEY root, const std::string& path, REGSAM view = 0) {
    std::vector<std::string> names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return names;
    char name[256];
    for (DWORD i = 0, size = sizeof name;
         RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, size = sizeof name) {
        names.push_back(name);
    }
    RegCloseKey(key);
    return names;
}

// Every value of a registry key and of its subkeys, named "subkey\\name": its data, and with
// `typed` its type as one more byte.
using RegistryValues = std::map<std::string, std::vector<BYTE>>;
inline void CollectRegistry(HKEY root, const std::string& path, const std::string& prefix,
                            RegistryValues& values, REGSAM view = 0, bool typed = false) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return;
    char name[256];
    BYTE data[1024];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data, &dataSize) !=
            ERROR_SUCCESS) {
            break;
        }
        std::vector<BYTE>& bytes = values[prefix + name];
        bytes.assign(data, data + dataSize);
        if (typed) bytes.push_back(static_cast<BYTE>(type));
    }
    RegCloseKey(key);
    for (const std::string& child : SubkeyNames(root, path, view))
        CollectRegistry(root, path + "\\" + child, prefix + child + "\\", values, view, typed);
}

// The same, of one subtree alone.
inline RegistryValues RegistryTree(HKEY root, const std::string& path, REGSAM view = 0,
                                   bool typed = false) {
    RegistryValues values;
    CollectRegistry(root, path, "", values, view, typed);
    return values;
}

// Data as the registry stores it: the bytes of a record, or a text with its terminating zero.
inline std::vector<BYTE> RecordBytes(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const BYTE*>(data);
    return std::vector<BYTE>(bytes, bytes + size);
}
inline std::vector<BYTE> TextBytes(const std::string& text) {
    return RecordBytes(text.c_str(), text.size() + 1);
}

inline bool KeyExists(HKEY root, const std::string& path, REGSAM view = 0) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

// One value of type `type` (an RRF_RT_ mask) into `data`; false when it is absent or not of
// that type. A null name reads the key's default value.
inline bool ReadValue(HKEY root, const std::string& path, const char* name, DWORD type, void* data,
                      DWORD size, REGSAM view = 0) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    const bool read = RegGetValueA(key, nullptr, name, type, nullptr, data, &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    return read;
}
// A DWORD value, 0xFFFFFFFF when there is none.
inline DWORD ReadDword(HKEY root, const std::string& path, const char* name, REGSAM view = 0) {
    DWORD value = 0xFFFFFFFFu;
    if (!ReadValue(root, path, name, RRF_RT_REG_DWORD, &value, sizeof value, view))
        value = 0xFFFFFFFFu;
    return value;
}
// A text value, "" when there is none.
inline std::string ReadText(HKEY root, const std::string& path, const char* name, REGSAM view = 0) {
    char text[1024] = "";
    if (!ReadValue(root, path, name, RRF_RT_REG_SZ, text, sizeof text, view)) return "";
    return text;
}

// Creates a key (and the keys above it), empty; false when it cannot.
inline bool CreateKey(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

// Writes one value, creating its key as an installation would; false when the key or the value
// cannot be written.
inline bool WriteValue(HKEY root, const std::string& path, const char* name, DWORD type,
                       const void* data, std::size_t size) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const bool written = RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data),
                                        static_cast<DWORD>(size)) == ERROR_SUCCESS;
    RegCloseKey(key);
    return written;
}
inline bool WriteDword(HKEY root, const std::string& path, const char* name, DWORD value) {
    return WriteValue(root, path, name, REG_DWORD, &value, sizeof value);
}
inline bool WriteText(HKEY root, const std::string& path, const char* name,
                      const std::string& text) {
    return WriteValue(root, path, name, REG_SZ, text.c_str(), text.size() + 1);
}
inline void DeleteValue(HKEY root, const std::string& path, const char* name) {
    RegDeleteKeyValueA(root, path.c_str(), name);
}

}  // namespace wine_test
