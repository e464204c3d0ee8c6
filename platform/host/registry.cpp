// Host stand-in: the in-memory registry. One lock guards both hives; any thread may call.
#include "platform/host/registry.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace host {
namespace {

struct CaseInsensitiveLess {
    bool operator()(const std::string& a, const std::string& b) const {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                            [](char x, char y) {
                                                return std::tolower(static_cast<unsigned char>(x)) <
                                                       std::tolower(static_cast<unsigned char>(y));
                                            });
    }
};

struct Value {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct Node {
    std::map<std::string, std::shared_ptr<Node>, CaseInsensitiveLess> children;
    std::map<std::string, Value, CaseInsensitiveLess> values;
};

struct Hive {
    std::shared_ptr<Node> root = std::make_shared<Node>();
    bool refuseOpening = false;
    bool refuseWriting = false;
};

}  // namespace
}  // namespace host

// An open key: the node and the hive it belongs to.
struct HKEY__ {
    std::shared_ptr<host::Node> node;
    host::Hive* hive;
};

namespace host {
namespace {

std::mutex& Lock() {
    static std::mutex lock;
    return lock;
}

Hive& CurrentUser() {
    static Hive hive;
    return hive;
}
Hive& LocalMachine() {
    static Hive hive;
    return hive;
}

std::set<HKEY>& OpenKeys() {
    static std::set<HKEY> keys;
    return keys;
}

Hive* HiveOf(HKEY hive) {
    if (hive == HKEY_CURRENT_USER) return &CurrentUser();
    if (hive == HKEY_LOCAL_MACHINE) return &LocalMachine();
    return nullptr;
}

// The node and hive behind a predefined or open key, or null.
bool Resolve(HKEY key, std::shared_ptr<Node>* node, Hive** hive) {
    if (Hive* h = HiveOf(key)) {
        *node = h->root;
        *hive = h;
        return true;
    }
    if (OpenKeys().count(key) == 0) return false;
    *node = key->node;
    *hive = key->hive;
    return true;
}

std::vector<std::string> Split(const char* path) {
    std::vector<std::string> parts;
    std::string part;
    for (const char* c = path != nullptr ? path : ""; *c != '\0'; ++c) {
        if (*c == '\\') {
            if (!part.empty()) parts.push_back(part);
            part.clear();
        } else {
            part += *c;
        }
    }
    if (!part.empty()) parts.push_back(part);
    return parts;
}

std::shared_ptr<Node> Walk(std::shared_ptr<Node> node, const char* path, bool create,
                           bool* created) {
    for (const std::string& part : Split(path)) {
        auto it = node->children.find(part);
        if (it == node->children.end()) {
            if (!create) return nullptr;
            it = node->children.emplace(part, std::make_shared<Node>()).first;
            if (created != nullptr) *created = true;
        }
        node = it->second;
    }
    return node;
}

HKEY NewKey(std::shared_ptr<Node> node, Hive* hive) {
    HKEY key = new HKEY__{std::move(node), hive};
    OpenKeys().insert(key);
    return key;
}

bool Writable(REGSAM access) { return (access & KEY_SET_VALUE) != 0; }

}  // namespace

void ResetRegistry() {
    std::lock_guard<std::mutex> guard(Lock());
    CurrentUser() = Hive();
    LocalMachine() = Hive();
}

void RefuseOpening(HKEY hive, bool refuse) {
    std::lock_guard<std::mutex> guard(Lock());
    HiveOf(hive)->refuseOpening = refuse;
}

void RefuseWriting(HKEY hive, bool refuse) {
    std::lock_guard<std::mutex> guard(Lock());
    HiveOf(hive)->refuseWriting = refuse;
}

void SetRegistryValue(HKEY hive, const std::string& path, const std::string& name, DWORD type,
                      const std::vector<BYTE>& data) {
    std::lock_guard<std::mutex> guard(Lock());
    auto node = Walk(HiveOf(hive)->root, path.c_str(), true, nullptr);
    node->values[name] = Value{type, data};
}

void SetRegistryDword(HKEY hive, const std::string& path, const std::string& name, DWORD value) {
    std::vector<BYTE> bytes(4);
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<BYTE>(value >> (8 * i));
    SetRegistryValue(hive, path, name, REG_DWORD, bytes);
}

bool GetRegistryValue(HKEY hive, const std::string& path, const std::string& name, DWORD* type,
                      std::vector<BYTE>* data) {
    std::lock_guard<std::mutex> guard(Lock());
    auto node = Walk(HiveOf(hive)->root, path.c_str(), false, nullptr);
    if (node == nullptr) return false;
    auto it = node->values.find(name);
    if (it == node->values.end()) return false;
    if (type != nullptr) *type = it->second.type;
    if (data != nullptr) *data = it->second.data;
    return true;
}

bool RegistryKeyExists(HKEY hive, const std::string& path) {
    std::lock_guard<std::mutex> guard(Lock());
    return Walk(HiveOf(hive)->root, path.c_str(), false, nullptr) != nullptr;
}

int OpenRegistryKeyCount() {
    std::lock_guard<std::mutex> guard(Lock());
    return static_cast<int>(OpenKeys().size());
}

}  // namespace host

using namespace host;

LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM access, PHKEY result) {
    std::lock_guard<std::mutex> guard(Lock());
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::shared_ptr<Node> node;
    Hive* hive = nullptr;
    if (!Resolve(key, &node, &hive)) return ERROR_INVALID_HANDLE;
    if (hive->refuseOpening) return ERROR_ACCESS_DENIED;
    if (Writable(access) && hive->refuseWriting) return ERROR_ACCESS_DENIED;
    node = Walk(node, subKey, false, nullptr);
    if (node == nullptr) return ERROR_FILE_NOT_FOUND;
    *result = NewKey(node, hive);
    return ERROR_SUCCESS;
}

LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM, SECURITY_ATTRIBUTES*,
                        PHKEY result, LPDWORD disposition) {
    std::lock_guard<std::mutex> guard(Lock());
    if (result == nullptr) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    std::shared_ptr<Node> node;
    Hive* hive = nullptr;
    if (!Resolve(key, &node, &hive)) return ERROR_INVALID_HANDLE;
    if (hive->refuseOpening || hive->refuseWriting) return ERROR_ACCESS_DENIED;
    bool created = false;
    node = Walk(node, subKey, true, &created);
    if (disposition != nullptr)
        *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
    *result = NewKey(node, hive);
    return ERROR_SUCCESS;
}

LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                         LPDWORD dataSize) {
    std::lock_guard<std::mutex> guard(Lock());
    std::shared_ptr<Node> node;
    Hive* hive = nullptr;
    if (!Resolve(key, &node, &hive)) return ERROR_INVALID_HANDLE;
    if (data != nullptr && dataSize == nullptr) return ERROR_INVALID_PARAMETER;
    auto it = node->values.find(valueName != nullptr ? valueName : "");
    if (it == node->values.end()) return ERROR_FILE_NOT_FOUND;
    const Value& value = it->second;
    if (type != nullptr) *type = value.type;
    const DWORD size = static_cast<DWORD>(value.data.size());
    if (data != nullptr) {
        if (*dataSize < size) {
            *dataSize = size;
            return ERROR_MORE_DATA;
        }
        std::copy(value.data.begin(), value.data.end(), data);
    }
    if (dataSize != nullptr) *dataSize = size;
    return ERROR_SUCCESS;
}

LSTATUS RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data,
                       DWORD dataSize) {
    std::lock_guard<std::mutex> guard(Lock());
    std::shared_ptr<Node> node;
    Hive* hive = nullptr;
    if (!Resolve(key, &node, &hive)) return ERROR_INVALID_HANDLE;
    if (hive->refuseWriting) return ERROR_ACCESS_DENIED;
    if (data == nullptr && dataSize != 0) return ERROR_INVALID_PARAMETER;
    Value value;
    value.type = type;
    if (data != nullptr) value.data.assign(data, data + dataSize);
    node->values[valueName != nullptr ? valueName : ""] = value;
    return ERROR_SUCCESS;
}

LSTATUS RegDeleteValueA(HKEY key, LPCSTR valueName) {
    std::lock_guard<std::mutex> guard(Lock());
    std::shared_ptr<Node> node;
    Hive* hive = nullptr;
    if (!Resolve(key, &node, &hive)) return ERROR_INVALID_HANDLE;
    if (hive->refuseWriting) return ERROR_ACCESS_DENIED;
    return node->values.erase(valueName != nullptr ? valueName : "") ? ERROR_SUCCESS
                                                                     : ERROR_FILE_NOT_FOUND;
}

LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey) {
    std::lock_guard<std::mutex> guard(Lock());
    std::shared_ptr<Node> node;
    Hive* hive = nullptr;
    if (!Resolve(key, &node, &hive)) return ERROR_INVALID_HANDLE;
    if (hive->refuseWriting) return ERROR_ACCESS_DENIED;
    std::vector<std::string> parts = Split(subKey);
    if (parts.empty()) return ERROR_INVALID_PARAMETER;
    const std::string last = parts.back();
    parts.pop_back();
    for (const std::string& part : parts) {
        auto it = node->children.find(part);
        if (it == node->children.end()) return ERROR_FILE_NOT_FOUND;
        node = it->second;
    }
    auto it = node->children.find(last);
    if (it == node->children.end()) return ERROR_FILE_NOT_FOUND;
    if (!it->second->children.empty()) return ERROR_ACCESS_DENIED;  // subkeys stay
    node->children.erase(it);
    return ERROR_SUCCESS;
}

LSTATUS RegQueryInfoKeyA(HKEY key, LPSTR, LPDWORD classSize, LPDWORD, LPDWORD subKeys,
                         LPDWORD maxSubKeySize, LPDWORD maxClassSize, LPDWORD values,
                         LPDWORD maxValueNameSize, LPDWORD maxValueSize,
                         LPDWORD securityDescriptorSize, FILETIME*) {
    std::lock_guard<std::mutex> guard(Lock());
    std::shared_ptr<Node> node;
    Hive* hive = nullptr;
    if (!Resolve(key, &node, &hive)) return ERROR_INVALID_HANDLE;
    for (LPDWORD zero : {classSize, maxSubKeySize, maxClassSize, maxValueNameSize, maxValueSize,
                         securityDescriptorSize}) {
        if (zero != nullptr) *zero = 0;
    }
    if (subKeys != nullptr) *subKeys = static_cast<DWORD>(node->children.size());
    if (values != nullptr) *values = static_cast<DWORD>(node->values.size());
    return ERROR_SUCCESS;
}

LSTATUS RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD, LPSTR, LPDWORD,
                      FILETIME*) {
    std::lock_guard<std::mutex> guard(Lock());
    std::shared_ptr<Node> node;
    Hive* hive = nullptr;
    if (!Resolve(key, &node, &hive)) return ERROR_INVALID_HANDLE;
    if (name == nullptr || nameSize == nullptr) return ERROR_INVALID_PARAMETER;
    if (index >= node->children.size()) return ERROR_NO_MORE_ITEMS;
    auto it = node->children.begin();
    std::advance(it, index);
    if (it->first.size() + 1 > *nameSize) return ERROR_MORE_DATA;
    std::memcpy(name, it->first.c_str(), it->first.size() + 1);
    *nameSize = static_cast<DWORD>(it->first.size());
    return ERROR_SUCCESS;
}

LSTATUS RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD, LPDWORD type,
                      LPBYTE data, LPDWORD dataSize) {
    std::lock_guard<std::mutex> guard(Lock());
    std::shared_ptr<Node> node;
    Hive* hive = nullptr;
    if (!Resolve(key, &node, &hive)) return ERROR_INVALID_HANDLE;
    if (name == nullptr || nameSize == nullptr || (data != nullptr && dataSize == nullptr)) {
        return ERROR_INVALID_PARAMETER;
    }
    if (index >= node->values.size()) return ERROR_NO_MORE_ITEMS;
    auto it = node->values.begin();
    std::advance(it, index);
    const DWORD size = static_cast<DWORD>(it->second.data.size());
    if (it->first.size() + 1 > *nameSize || (data != nullptr && *dataSize < size)) {
        if (dataSize != nullptr) *dataSize = size;
        return ERROR_MORE_DATA;
    }
    std::memcpy(name, it->first.c_str(), it->first.size() + 1);
    *nameSize = static_cast<DWORD>(it->first.size());
    if (type != nullptr) *type = it->second.type;
    if (data != nullptr) std::copy(it->second.data.begin(), it->second.data.end(), data);
    if (dataSize != nullptr) *dataSize = size;
    return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY key) {
    std::lock_guard<std::mutex> guard(Lock());
    if (HiveOf(key) != nullptr) return ERROR_SUCCESS;
    if (OpenKeys().erase(key) == 0) return ERROR_INVALID_HANDLE;
    delete key;
    return ERROR_SUCCESS;
}
