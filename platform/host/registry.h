// Host stand-in for the registry: the current-user and local-machine hives in memory,
// case-insensitive key and value names, typed values, and switches that make a hive
// refuse opening or writing. Behaves like the real registry for the calls the driver
// makes (the Wine tests check the same cases on the real one).
#pragma once

#include <string>
#include <vector>

#include "platform/host/win_types.h"

struct HKEY__;
typedef HKEY__* HKEY;
typedef HKEY* PHKEY;
typedef DWORD REGSAM;
typedef LONG LSTATUS;

#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000002u)))

#define REG_NONE 0u
#define REG_SZ 1u
#define REG_BINARY 3u
#define REG_DWORD 4u

#define KEY_QUERY_VALUE 0x0001u
#define KEY_SET_VALUE 0x0002u
#define KEY_READ 0x20019u
#define KEY_WRITE 0x20006u
#define KEY_ALL_ACCESS 0xF003Fu
// The registry views of 64-bit Windows; the stand-in has one view and ignores them.
#define KEY_WOW64_64KEY 0x0100u
#define KEY_WOW64_32KEY 0x0200u
#define REG_OPTION_NON_VOLATILE 0u
#define REG_CREATED_NEW_KEY 1u
#define REG_OPENED_EXISTING_KEY 2u

struct SECURITY_ATTRIBUTES;

struct FILETIME;
LSTATUS RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, PHKEY result);
LSTATUS RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options,
                        REGSAM access, SECURITY_ATTRIBUTES* security, PHKEY result,
                        LPDWORD disposition);
LSTATUS RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data,
                         LPDWORD dataSize);
LSTATUS RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                       DWORD dataSize);
LSTATUS RegDeleteValueA(HKEY key, LPCSTR valueName);
LSTATUS RegDeleteKeyA(HKEY key, LPCSTR subKey);
LSTATUS RegCloseKey(HKEY key);
// The index-th subkey's name, in the stand-in's (case-insensitive) order.
LSTATUS RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                      LPSTR keyClass, LPDWORD classSize, FILETIME* lastWriteTime);
// The index-th value's name, type and data, in the stand-in's (case-insensitive) order.
LSTATUS RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                      LPDWORD type, LPBYTE data, LPDWORD dataSize);
// Only the counts of subkeys and values are filled; every other out pointer gets 0.
LSTATUS RegQueryInfoKeyA(HKEY key, LPSTR keyClass, LPDWORD classSize, LPDWORD reserved,
                         LPDWORD subKeys, LPDWORD maxSubKeySize, LPDWORD maxClassSize,
                         LPDWORD values, LPDWORD maxValueNameSize, LPDWORD maxValueSize,
                         LPDWORD securityDescriptorSize, FILETIME* lastWriteTime);

namespace host {

// Empties both hives and clears the switches.
void ResetRegistry();
// A refusing hive fails every open (and so every read) or every write and create.
void RefuseOpening(HKEY hive, bool refuse);
void RefuseWriting(HKEY hive, bool refuse);

// Direct access for tests and tools; the path is relative to the hive.
void SetRegistryValue(HKEY hive, const std::string& path, const std::string& name, DWORD type,
                      const std::vector<BYTE>& data);
void SetRegistryDword(HKEY hive, const std::string& path, const std::string& name, DWORD value);
bool GetRegistryValue(HKEY hive, const std::string& path, const std::string& name, DWORD* type,
                      std::vector<BYTE>* data);
bool RegistryKeyExists(HKEY hive, const std::string& path);
int OpenRegistryKeyCount();

}  // namespace host
