// Games, their switches and their profile files in the registry. Every key opened here is
// closed on every path; every walk of a key is bounded.
#include "panel/game_profiles.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>

#include "config/profile_file.h"
#include "config/registry_access.h"

namespace quorforce::panel {
namespace {

// A damaged or hostile hive may hold any number of subkeys: a walk looks at this many at most.
constexpr DWORD kMaxEnumerated = 4096;
constexpr std::size_t kMaxKeyPath = 1024;
// The registry's documented limit for a key's name, which counts the whole path from the name
// of the base key on ("Registry element size limits"); the longer of the two hives' names.
constexpr std::size_t kMaxKeyName = 255;
constexpr char kLongestBase[] = "HKEY_LOCAL_MACHINE\\";

std::string Lowered(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

void AddSubkeys(HKEY hive, const std::string& path, std::vector<std::string>& names) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(hive, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    for (DWORD i = 0; i < kMaxEnumerated; ++i) {
        char name[kGameNameSize];
        DWORD size = sizeof name;
        const LSTATUS status =
            RegEnumKeyExA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_MORE_DATA) continue;  // no executable's name is that long
        if (status != ERROR_SUCCESS) break;
        if (size > 0 && size < sizeof name) names.emplace_back(name, size);
    }
    RegCloseKey(key);
}

// Clears one value under the current user; a value or key that is not there is cleared.
bool ClearValue(const std::string& path, const char* name) {
    HKEY key = nullptr;
    const LSTATUS opened = RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_SET_VALUE, &key);
    if (opened == ERROR_FILE_NOT_FOUND) return true;
    if (opened != ERROR_SUCCESS) return false;
    const LSTATUS status = RegDeleteValueA(key, name);
    RegCloseKey(key);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

ImportResult Refused(std::string message) {
    ImportResult result;
    result.message = "Not imported: " + message + ". Nothing was changed.";
    return result;
}

}  // namespace

GameList ListGames(const std::string& deviceKey) {
    std::vector<std::string> names;
    const std::string profiles = deviceKey + kProfilesSubkey;
    AddSubkeys(HKEY_CURRENT_USER, profiles, names);
    AddSubkeys(HKEY_LOCAL_MACHINE, profiles, names);
    // Key names are the same in any case: the user's and the machine's key are one game, spelt
    // as the user's (listed first, and the sort keeps their order).
    std::stable_sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return Lowered(a) < Lowered(b);
    });
    names.erase(std::unique(names.begin(), names.end(),
                            [](const std::string& a, const std::string& b) {
                                return Lowered(a) == Lowered(b);
                            }),
                names.end());
    GameList list;
    list.more = names.size() > kMaxListedGames;
    if (list.more) names.resize(kMaxListedGames);
    list.names = std::move(names);
    return list;
}

std::string SwitchesKey(const std::string& deviceKey, const std::string& game) {
    if (game.empty()) return deviceKey;
    char key[kMaxKeyPath];
    if (!ProfileKey(deviceKey.c_str(), game.c_str(), key, sizeof key)) return "";
    return std::strlen(kLongestBase) + std::strlen(key) <= kMaxKeyName ? key : "";
}

bool OfferedForAllGames(const GameSwitchEntry& entry) { return !entry.profileOnly; }

GameSwitches ReadStoredSwitches(const std::string& key, bool profile) {
    GameSwitches switches;
    if (key.empty()) return switches;
    for (const GameSwitchEntry& entry : kGameSwitches) {
        if (!profile && !OfferedForAllGames(entry)) continue;
        const DWORD value = ReadConfigDword(key.c_str(), entry.name);
        if (configReadFailed == 0 && InRange(entry, value)) {
            switches.Set(entry.id, static_cast<std::int32_t>(value));
        }
    }
    return switches;
}

bool StoreSwitch(const std::string& key, const GameSwitchEntry& entry, std::int32_t value) {
    if (key.empty()) return false;
    if (value < 0) return ClearValue(key, entry.name);
    if (!InRange(entry, static_cast<DWORD>(value))) return false;
    return WriteConfigDword(static_cast<DWORD>(value), key.c_str(), entry.name) == 1;
}

void ResetSwitches(const std::string& key, bool profile) {
    if (key.empty()) return;
    for (const GameSwitchEntry& entry : kGameSwitches) {
        if (profile || OfferedForAllGames(entry)) ClearValue(key, entry.name);
    }
}

ImportResult ImportProfile(const std::string& deviceKey, const char* text, std::size_t size) {
    // The records are large: the heap, not the stack of a window procedure.
    auto profile = std::make_unique<Profile>();
    ProfileRefusal refusal;
    if (!ParseProfile(text, size, profile.get(), &refusal))
        return Refused(DescribeRefusal(refusal));
    ImportResult result;
    result.game = profile->game;
    const std::string key = SwitchesKey(deviceKey, profile->game);
    if (key.empty()) return Refused("the game's name makes too long a registry key");
    int set = 0;
    bool written = true;
    for (const GameSwitchEntry& entry : kGameSwitches) {
        const std::int32_t value = profile->switches.Get(entry.id);
        written = StoreSwitch(key, entry, value) && written;
        if (value >= 0) ++set;
    }
    char message[400];
    if (!written) {
        result.outcome = ImportOutcome::NotWritten;
        std::snprintf(message, sizeof message,
                      "The profile of %.64s could not be written whole: the registry refused. "
                      "Import it again.",
                      profile->game);
    } else {
        result.outcome = ImportOutcome::Imported;
        std::snprintf(message, sizeof message,
                      "Imported the profile of %.64s: %d switch%s set, the others cleared. A "
                      "running game takes it the next time it opens the wheel.",
                      profile->game, set, set == 1 ? "" : "es");
    }
    result.message = message;
    return result;
}

ImportResult ImportProfileFile(const std::string& deviceKey, const char* path) {
    std::FILE* file = path != nullptr ? std::fopen(path, "rb") : nullptr;
    if (file == nullptr) return Refused("the file cannot be opened");
    // One byte more than a profile may have, so that a larger file is told apart.
    std::vector<char> text(kMaxProfileFileSize + 1);
    const std::size_t size = std::fread(text.data(), 1, text.size(), file);
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) return Refused("the file cannot be read");
    return ImportProfile(deviceKey, text.data(), size);
}

bool ExportProfile(const std::string& deviceKey, const std::string& game, std::string* text) {
    if (!IsGameFileName(game.c_str(), game.size())) return false;
    auto profile = std::make_unique<Profile>();
    std::snprintf(profile->game, sizeof profile->game, "%s", Lowered(game).c_str());
    profile->switches = ReadStoredSwitches(SwitchesKey(deviceKey, game), true);
    *text = FormatProfile(*profile);
    return true;
}

bool WriteTextFile(const char* path, const std::string& text) {
    std::FILE* file = path != nullptr ? std::fopen(path, "wb") : nullptr;
    if (file == nullptr) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

}  // namespace quorforce::panel
