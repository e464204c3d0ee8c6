// The game page's registry work, apart from its window: the games seen on a wheel, one game's
// stored switches read, set, cleared and reset, and profile files imported and exported. Writes
// go to HKEY_CURRENT_USER, reads look there first and then under HKEY_LOCAL_MACHINE, as the
// driver's own reads do, so the page shows what a game will get. Called on the panel's window
// thread, and once by the command line's import.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "config/game_switches.h"

namespace quorforce::panel {

// More games than a drop-down can sensibly hold: the rest are not listed.
constexpr std::size_t kMaxListedGames = 256;

struct GameList {
    std::vector<std::string> names;  // sorted without regard to case, each once
    bool more = false;               // games past kMaxListedGames were left out
};

// The subkeys of `deviceKey`\Profiles under both hives, merged.
GameList ListGames(const std::string& deviceKey);

// Where a game's switches are kept: `deviceKey` itself for all games (an empty `game`), else
// the game's profile key; empty when its name, counted from the hive's name, would pass the
// registry's 255 characters (for the usual device key, a game's name of more than 112).
std::string SwitchesKey(const std::string& deviceKey, const std::string& game);
// Whether the page offers the switch for all games: the strengths are a profile's only (for
// all games they are the joystick key's, on the Force tab).
bool OfferedForAllGames(const GameSwitchEntry& entry);

// The switches stored under `key` (the profile-only ones when `profile`); a value outside its
// range reads as not set, as the driver reads it.
GameSwitches ReadStoredSwitches(const std::string& key, bool profile);
// Sets one switch under the current user; `value` -1 clears it (a value the machine's hive
// holds then shows through). False when the registry refused.
bool StoreSwitch(const std::string& key, const GameSwitchEntry& entry, std::int32_t value);
// Clears every switch the key may hold under the current user; the key stays, so the game
// stays listed.
void ResetSwitches(const std::string& key, bool profile);

enum class ImportOutcome {
    Imported,
    Refused,     // the file is not a valid profile: nothing was written
    NotWritten,  // valid, but the registry refused a write
};
struct ImportResult {
    ImportOutcome outcome = ImportOutcome::Refused;
    std::string game;     // the file's game, once it was read
    std::string message;  // for the player
};

// The file's profile as `game`'s switches under `deviceKey`: every switch the file sets is
// written and every other one cleared, so the game then has exactly the file's profile; all
// of it only after the whole file was read without a refusal.
ImportResult ImportProfile(const std::string& deviceKey, const char* text, std::size_t size);
// The same from a file on disk (at most kMaxProfileFileSize bytes are taken in).
ImportResult ImportProfileFile(const std::string& deviceKey, const char* path);

// The file of `game`'s stored switches; false for all games (a file names one game) or a
// name no file can carry.
bool ExportProfile(const std::string& deviceKey, const std::string& game, std::string* text);
// `text` into the file at `path`; false when it could not be written whole.
bool WriteTextFile(const char* path, const std::string& text);

}  // namespace quorforce::panel
