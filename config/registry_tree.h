// Helpers on registry keys that the registration, the setting-aside of another driver's
// entry and the setup's actions share: they take a key's whole subtree away, take away keys
// left empty, and read a text value. Registry alone, no driver code, so the setup's actions
// DLL carries them. Bounded on every path: a hostile or damaged tree cannot make them run
// long or read past their buffers.
#pragma once

#include <initializer_list>
#include <string>

#include "platform/win32.h"

namespace quorforce {

// The longest text value ReadText takes unless told otherwise (the accepted devices' list,
// a wheel's name); a longer one counts as not there.
constexpr DWORD kMaxTextSize = 2048;

bool KeyExists(HKEY hive, const std::string& path);
// A key that is there and holds neither values nor subkeys.
bool KeyIsEmpty(HKEY hive, const std::string& path);

// A REG_SZ value of at most `capacity` - 1 characters; false when absent, longer or not
// text (`text` is then empty).
bool ReadText(HKEY hive, const std::string& path, const char* name, std::string* text,
              DWORD capacity = kMaxTextSize);

// The named values of `path`, if it is there.
void DeleteValues(HKEY hive, const std::string& path, std::initializer_list<const char*> names);
// `path` when it holds nothing: a wheel's key may hold entries of others, which stay.
void DeleteIfEmpty(HKEY hive, const std::string& path);
// `path` and then each of its `levels` parents, while each is left empty or is not there.
void DeleteEmptyUpwards(HKEY hive, std::string path, int levels);
// `path` and everything below it (a key with subkeys cannot be deleted whole). A subkey
// that refuses to go ends the walk of its parent, so nothing is enumerated twice.
void DeleteTree(HKEY hive, const std::string& path);

}  // namespace quorforce
