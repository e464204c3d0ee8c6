// Registry tree helpers. Every key opened here is closed on every path.
#include "config/registry_tree.h"

#include <vector>

namespace quorforce {
namespace {

// Deeper than any entry the system writes (a wheel's force-feedback entry is three levels,
// a set-aside copy one more), and as many subkeys per key as a walk deletes.
constexpr int kMaxTreeDepth = 8;
constexpr int kMaxChildren = 1024;

HKEY Open(HKEY hive, const std::string& path, REGSAM access) {
    HKEY key = nullptr;
    return RegOpenKeyExA(hive, path.c_str(), 0, access, &key) == ERROR_SUCCESS ? key : nullptr;
}

void DeleteTreeFrom(HKEY hive, const std::string& path, int depth) {
    HKEY key = depth > kMaxTreeDepth ? nullptr : Open(hive, path, KEY_ALL_ACCESS);
    if (key == nullptr) return;
    char name[256];
    for (int i = 0; i < kMaxChildren; ++i) {
        DWORD size = sizeof name;
        // Always the first: the one before it has just gone.
        if (RegEnumKeyExA(key, 0, name, &size, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        const std::string child = path + "\\" + name;
        DeleteTreeFrom(hive, child, depth + 1);
        if (KeyExists(hive, child)) break;
    }
    RegCloseKey(key);
    RegDeleteKeyA(hive, path.c_str());
}

}  // namespace

bool KeyExists(HKEY hive, const std::string& path) {
    HKEY key = Open(hive, path, KEY_READ);
    if (key != nullptr) RegCloseKey(key);
    return key != nullptr;
}

bool KeyIsEmpty(HKEY hive, const std::string& path) {
    HKEY key = Open(hive, path, KEY_READ);
    if (key == nullptr) return false;
    DWORD subKeys = 1, values = 1;
    const bool empty =
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
        subKeys == 0 && values == 0;
    RegCloseKey(key);
    return empty;
}

bool ReadText(HKEY hive, const std::string& path, const char* name, std::string* text,
              DWORD capacity) {
    text->clear();
    HKEY key = capacity == 0 ? nullptr : Open(hive, path, KEY_READ);
    if (key == nullptr) return false;
    std::vector<char> data(capacity, '\0');
    DWORD type = 0, size = capacity - 1;
    const bool read =
        RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) ==
            ERROR_SUCCESS &&
        type == REG_SZ;
    RegCloseKey(key);
    // A value stored without its end still ends: the last byte is never written.
    if (read) *text = data.data();
    return read;
}

void DeleteValues(HKEY hive, const std::string& path, std::initializer_list<const char*> names) {
    HKEY key = Open(hive, path, KEY_ALL_ACCESS);
    if (key == nullptr) return;
    for (const char* name : names)
        RegDeleteValueA(key, name);
    RegCloseKey(key);
}

void DeleteIfEmpty(HKEY hive, const std::string& path) {
    if (KeyIsEmpty(hive, path)) RegDeleteKeyA(hive, path.c_str());
}

void DeleteEmptyUpwards(HKEY hive, std::string path, int levels) {
    for (int i = 0; i <= levels; ++i) {
        // A key that holds something keeps its parents; one already gone does not.
        if (KeyExists(hive, path) && !KeyIsEmpty(hive, path)) return;
        DeleteIfEmpty(hive, path);
        path = path.substr(0, path.rfind('\\'));
    }
}

void DeleteTree(HKEY hive, const std::string& path) { DeleteTreeFrom(hive, path, 0); }

}  // namespace quorforce
